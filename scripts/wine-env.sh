# Sourced by scripts/test and scripts/build-windows: an unattended Wine for the Windows build.
# vantreel_wine_prefix DIR makes (once) a 64-bit prefix in DIR with no crash dialog and a
# virtual desktop (else each window destruction waits on the host window manager), exports
# what the tests need and starts a persistent wineserver.
vantreel_wine_prefix() {
  local dir=$1
  mkdir -p "$dir/home"
  export WINEPREFIX="$dir/prefix" WINEARCH=win64 WINEDEBUG=-all HOME="$dir/home" LC_ALL=${LC_ALL:-C.UTF-8}
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  local wine=/usr/lib/wine/wine64
  if [ ! -f "$WINEPREFIX/.vantreel-ready" ]; then
    "$wine" wineboot </dev/null >/dev/null 2>&1
    "$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
    "$wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default /f </dev/null >/dev/null 2>&1
    "$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d 1280x1024 /f \
      </dev/null >/dev/null 2>&1
    /usr/lib/wine/wineserver -w
    touch "$WINEPREFIX/.vantreel-ready"
  fi
  # A persistent server, and one boot before CTest: a server started by a test could hold a
  # pipe that CTest waits on.
  /usr/lib/wine/wineserver -p
  "$wine" wineboot </dev/null >/dev/null 2>&1
}

vantreel_wine_stop() {
  /usr/lib/wine/wineserver -k 2>/dev/null || true
}
