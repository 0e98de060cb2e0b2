# Sourced by the packaging scripts: a package for users must carry the real provisioning.
# VANTREEL_PROVISIONING names it (kept outside the repository); without it the build would
# use resources/provisioning.dev.json, which is refused unless
# VANTREEL_ALLOW_DEVELOPMENT_SECRETS=1 says that this package is for development only.
vantreel_release_provisioning() {
  local dev="$root/resources/provisioning.dev.json"
  local given="${VANTREEL_PROVISIONING:-}"
  if [ -n "$given" ] && [ "$(realpath -m "$given")" != "$(realpath -m "$dev")" ]; then
    [ -f "$given" ] || { echo "VANTREEL_PROVISIONING: no such file: $given" >&2; return 1; }
    VANTREEL_CMAKE_PROVISIONING=(-DVANTREEL_PROVISIONING="$(realpath "$given")")
    return 0
  fi
  if [ "${VANTREEL_ALLOW_DEVELOPMENT_SECRETS:-}" != 1 ]; then
    cat >&2 <<'MSG'
Refusing to package the development secrets (resources/provisioning.dev.json).
Set VANTREEL_PROVISIONING=<path of the real provisioning file>, or
VANTREEL_ALLOW_DEVELOPMENT_SECRETS=1 for a package that never reaches users.
MSG
    return 1
  fi
  echo "WARNING: packaging with the DEVELOPMENT secrets; this package must not reach users." >&2
  VANTREEL_CMAKE_PROVISIONING=(-DVANTREEL_PROVISIONING="$dev")
}
