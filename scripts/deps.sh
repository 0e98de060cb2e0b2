# Sourced by scripts/run and scripts/test: installs the Debian packages that the build and
# the tests need, in one apt-get call, only when something is missing.
VANTREEL_PACKAGES=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  libgtest-dev googletest libbenchmark-dev nlohmann-json3-dev
  libssl-dev openssl zlib1g-dev libgtk-3-dev libwebkit2gtk-4.1-dev
  xvfb xauth xdotool x11-utils imagemagick dbus-daemon trayer python3 fonts-dejavu-core
  fonts-noto-cjk
)

vantreel_install_deps() {
  local missing=()
  local pkg
  for pkg in "${VANTREEL_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}"
}
