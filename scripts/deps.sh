# Sourced by scripts/run and scripts/test: installs the Debian packages that the build and
# the tests need, in one apt-get call, only when something is missing.
VANTREEL_PACKAGES=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  libgtest-dev googletest libbenchmark-dev nlohmann-json3-dev
  libssl-dev openssl zlib1g-dev libgtk-3-dev libwebkit2gtk-4.1-dev
  xvfb xauth xdotool x11-utils imagemagick dbus-daemon trayer python3 fonts-dejavu-core
  fonts-noto-cjk ibus ibus-gtk3
)

# The Windows cross-build: compilers, static zlib, Wine and Xvfb for its tests, icoutils for
# the icon, a Chinese font for the texts of its message boxes under Wine, the build
# machine's half (cmake, OpenSSL, zlib, Python) for the packer, wixl, msitools and
# osslsigncode for the signed MSI, and Chromium with xdotool for the WebView2 stand-in that lets
# the client show its page under Wine.
VANTREEL_WINDOWS_PACKAGES=(
  cmake ninja-build python3 libssl-dev zlib1g-dev g++
  g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine64 wine xvfb xauth icoutils imagemagick
  googletest nlohmann-json3-dev fonts-wqy-microhei wixl msitools osslsigncode openssl chromium xdotool
)

# vantreel_install_deps [windows]: the Linux build's packages, or the Windows build's.
vantreel_install_deps() {
  local missing=()
  local pkg
  local wanted=("${VANTREEL_PACKAGES[@]}")
  [ "${1:-}" = windows ] && wanted=("${VANTREEL_WINDOWS_PACKAGES[@]}")
  for pkg in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}"
}

# The WebView2 SDK (NuGet package Microsoft.Web.WebView2) for the Windows build, restored by
# the .NET SDK into build/webview2-sdk; skipped when the pinned version is there already.
vantreel_webview2_sdk_version() {
  sed -n 's/.*Include="Microsoft.Web.WebView2" Version="\[\([0-9.]*\)\]".*/\1/p' \
    "$root/tools/webview2-sdk/WebView2Sdk.csproj"
}

vantreel_restore_webview2_sdk() {
  local cache="$root/build/webview2-sdk"
  local version
  version=$(vantreel_webview2_sdk_version)
  [ -f "$cache/microsoft.web.webview2/$version/build/native/include/WebView2.h" ] && return 0
  if ! command -v dotnet >/dev/null; then
    echo "The WebView2 SDK needs the .NET SDK's 'dotnet' command to restore it from NuGet." >&2
    return 1
  fi
  echo "Restoring Microsoft.Web.WebView2 $version into $cache"
  # The project is copied so that restore leaves its obj/ folder in the cache, not the tree.
  mkdir -p "$cache/project"
  cp "$root/tools/webview2-sdk/WebView2Sdk.csproj" "$cache/project/"
  DOTNET_CLI_TELEMETRY_OPTOUT=1 DOTNET_NOLOGO=1 DOTNET_SKIP_FIRST_TIME_EXPERIENCE=1 \
    dotnet restore "$cache/project/WebView2Sdk.csproj" --packages "$cache" --verbosity quiet
}
