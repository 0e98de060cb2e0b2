# Sourced by the end-to-end scripts that change the Wine desktop for one run (inside Xvfb, with
# the Wine prefix of scripts/wine-env.sh exported).
# vantreel_desktop_size WxH: the desktop's size for this run, with a new server to apply it;
# vantreel_desktop_restore: the prefix's own size back, for the scripts' exit traps.
wine=/usr/lib/wine/wine64
desktop_key='HKCU\Software\Wine\Explorer\Desktops'
old_desktop=$("$wine" reg query "$desktop_key" /v Default 2>/dev/null </dev/null | tr -d '\r' | awk '/Default/ {print $3}')

# The new server must hold none of our output: CTest waits for every holder of its pipe.
restart_wine() {
  /usr/lib/wine/wineserver -k </dev/null >/dev/null 2>&1
  /usr/lib/wine/wineserver -w </dev/null >/dev/null 2>&1
  /usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1
  "$wine" wineboot </dev/null >/dev/null 2>&1
}

vantreel_desktop_size() {
  "$wine" reg add "$desktop_key" /v Default /t REG_SZ /d "$1" /f </dev/null >/dev/null 2>&1
  restart_wine
}

vantreel_desktop_restore() {
  "$wine" reg add "$desktop_key" /v Default /t REG_SZ /d "${old_desktop:-1280x1024}" /f </dev/null >/dev/null 2>&1
  restart_wine
}
