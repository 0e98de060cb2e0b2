# Sourced by scripts/run-windows and the Windows page walk: a folder with the client and the
# WebView2 stand-in beside it, and the relay that runs Chromium for it.
# vantreel_standin_folder EXE STANDIN_DLL DIR: copies them into DIR (the real loader never
#   goes there, and the stand-in never beside the build's own Vantreel.exe);
# vantreel_standin_relay DIR LOG: starts the relay, waits for its address file, sets
#   standin_relay_pid and standin_control (the test port's address file);
# vantreel_standin_stop: ends the relay (and the Chromium it started).
standin_source=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

vantreel_standin_folder() {
  local exe=$1 dll=$2 dir=$3
  mkdir -p "$dir"
  cp -f "$exe" "$dir/Vantreel.exe"
  cp -f "$dll" "$dir/WebView2Loader.dll"
  rm -f "$dir/WebView2Loader.standin"
}

vantreel_standin_relay() {
  local dir=$1 log=$2
  standin_control="$dir/standin-control"
  rm -f "$dir/WebView2Loader.standin" "$standin_control"
  python3 "$standin_source/relay.py" --port-file "$dir/WebView2Loader.standin" \
    --control-port-file "$standin_control" --log "$log" </dev/null >/dev/null 2>&1 &
  standin_relay_pid=$!
  local i
  # Up to 30 s: a busy machine starts Python slowly; a relay that died is not waited for.
  for i in $(seq 300); do
    [ -f "$dir/WebView2Loader.standin" ] && [ -f "$standin_control" ] && return 0
    kill -0 "$standin_relay_pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "The stand-in's relay did not start (log: $log)." >&2
  return 1
}

vantreel_standin_stop() {
  if [ -n "${standin_relay_pid:-}" ]; then
    kill "$standin_relay_pid" 2>/dev/null || true
    wait "$standin_relay_pid" 2>/dev/null || true
    standin_relay_pid=
  fi
}
