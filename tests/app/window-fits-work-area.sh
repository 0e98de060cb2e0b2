#!/usr/bin/env bash
# The real client on screens smaller and larger than its 1280x820 window: on a small screen the
# window (with room for a title bar) fits inside the work area; on a large one it keeps its size.
# Runs its own X servers, so it needs no display of its own.
set -euo pipefail
exe=$1
check() {
  local screen=$1 expected=$2
  local geometry log
  log=$(mktemp)
  # -noreset: each search below is a client that comes and goes; when the last client leaves,
  # Xvfb resets itself, and a client connecting meanwhile (the client starting up) is refused.
  geometry=$(xvfb-run -a -s "-noreset -screen 0 ${screen}x24" bash -c '
    "$1" >"$2" 2>&1 & pid=$!
    # A search walks the window tree and fails (BadWindow) when a short-lived window of the
    # client goes away under it: search again until the window is found, for up to 30 s.
    for _ in $(seq 300); do
      if found=$(xdotool search --onlyvisible --all --pid $pid --name . getwindowgeometry --shell 2>/dev/null) &&
         grep -q "^WIDTH=" <<<"$found"; then
        grep -E "^(WIDTH|HEIGHT)=" <<<"$found" | tr "\n" " "
        break
      fi
      if ! kill -0 $pid 2>/dev/null; then
        wait $pid && status=0 || status=$?
        echo "none: the client ended with status $status"
        exit
      fi
      sleep 0.1
    done
    kill $pid; wait $pid 2>/dev/null || true' _ "$exe" "$log")
  if [ "$geometry" != "$expected" ]; then
    echo "screen $screen: window $geometry, expected $expected; the client wrote:" >&2
    tail -n 60 "$log" >&2
    rm -f "$log"
    return 1
  fi
  rm -f "$log"
}
check 1366x768 "WIDTH=1280 HEIGHT=720 "
check 1024x600 "WIDTH=1008 HEIGHT=552 "
check 1920x1080 "WIDTH=1280 HEIGHT=820 "
