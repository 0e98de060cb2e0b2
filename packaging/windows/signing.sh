# Sourced by the Windows packaging: Authenticode signing with osslsigncode.
# VANTREEL_SIGNING_PFX names a PKCS#12 file and VANTREEL_SIGNING_PASSWORD its password;
# VANTREEL_TIMESTAMP_URL, when set, is an RFC 3161 timestamp server. Without a certificate the
# packages are refused unless VANTREEL_ALLOW_UNSIGNED=1 says they never reach users.

# vantreel_signing_check: says whether signing is possible; fails when the packages would be
# unsigned and nobody allowed it.
vantreel_signing_check() {
  if [ -n "${VANTREEL_SIGNING_PFX:-}" ]; then
    [ -f "$VANTREEL_SIGNING_PFX" ] || { echo "VANTREEL_SIGNING_PFX: no such file: $VANTREEL_SIGNING_PFX" >&2; return 1; }
    command -v osslsigncode >/dev/null || { echo "Signing needs osslsigncode (scripts/deps.sh installs it)." >&2; return 1; }
    return 0
  fi
  if [ "${VANTREEL_ALLOW_UNSIGNED:-}" != 1 ]; then
    cat >&2 <<'MSG'
Refusing to build unsigned Windows packages: SmartScreen and antivirus programs distrust them.
Set VANTREEL_SIGNING_PFX=<PKCS#12 file> and VANTREEL_SIGNING_PASSWORD=<its password>
(and VANTREEL_TIMESTAMP_URL=<RFC 3161 server> for a timestamp), or
VANTREEL_ALLOW_UNSIGNED=1 for packages that never reach users.
MSG
    return 1
  fi
  echo "WARNING: the Windows packages are NOT signed; they must not reach users." >&2
}

# vantreel_sign FILE DESCRIPTION: signs FILE (PE or MSI) in place with SHA-256, or does
# nothing when unsigned packages were allowed.
vantreel_sign() {
  local file=$1 description=$2
  [ -n "${VANTREEL_SIGNING_PFX:-}" ] || return 0
  local timestamp=()
  [ -n "${VANTREEL_TIMESTAMP_URL:-}" ] && timestamp=(-ts "$VANTREEL_TIMESTAMP_URL")
  # The password goes through a pipe, never onto a command line that ps shows.
  printf '%s' "${VANTREEL_SIGNING_PASSWORD:-}" |
    osslsigncode sign -pkcs12 "$VANTREEL_SIGNING_PFX" -readpass /dev/stdin -h sha256 \
      -n "$description" "${timestamp[@]}" \
      -in "$file" -out "$file.signed" >/dev/null || { rm -f "$file.signed"; echo "Signing $file failed." >&2; return 1; }
  mv -f "$file.signed" "$file"
}

# vantreel_check_microsoft_signature DLL: the DLL is unchanged since Microsoft signed it (its
# digest matches the signature and the signer is Microsoft's code-signing certificate). The
# chain up to Microsoft's root is not checked here: Debian's CA bundle does not hold it.
vantreel_check_microsoft_signature() {
  local dll=$1 report
  report=$(osslsigncode verify -in "$dll" 2>/dev/null) || true
  local current calculated
  current=$(sed -n 's/^Current message digest *: *\([0-9A-F]*\).*/\1/p' <<<"$report" | head -1)
  calculated=$(sed -n 's/^Calculated message digest *: *\([0-9A-F]*\).*/\1/p' <<<"$report" | head -1)
  if [ -z "$current" ] || [ "$current" != "$calculated" ] ||
     ! grep -q '^[[:space:]]*Subject: .*/O=Microsoft Corporation/CN=Microsoft Corporation$' <<<"$report" ||
     ! grep -q '^[[:space:]]*Issuer : .*/O=Microsoft Corporation/CN=Microsoft Code Signing PCA' <<<"$report"; then
    echo "$dll does not carry an intact Microsoft signature; refusing to ship it." >&2
    return 1
  fi
}
