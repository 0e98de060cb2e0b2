#!/usr/bin/env bash
# The real client on screens smaller and larger than its 1280x820 window: on a small screen the
# window (with room for a title bar) fits inside the work area; on a large one it keeps its size.
# Runs its own X servers, so it needs no display of its own.
set -euo pipefail
exe=$1
check() {
  local screen=$1 expected=$2
  local geometry
  geometry=$(xvfb-run -a -s "-screen 0 ${screen}x24" bash -c '
    "$1" >/dev/null 2>&1 & pid=$!
    # A search walks the window tree and fails (BadWindow) when a short-lived window of the
    # client goes away under it: search again until the window is found, for up to 30 s.
    for _ in $(seq 300); do
      if found=$(xdotool search --onlyvisible --all --pid $pid --name . getwindowgeometry --shell 2>/dev/null) &&
         grep -q "^WIDTH=" <<<"$found"; then
        grep -E "^(WIDTH|HEIGHT)=" <<<"$found" | tr "\n" " "
        break
      fi
      sleep 0.1
    done
    kill $pid; wait $pid 2>/dev/null || true' _ "$exe")
  if [ "$geometry" != "$expected" ]; then
    echo "screen $screen: window $geometry, expected $expected" >&2
    return 1
  fi
}
check 1366x768 "WIDTH=1280 HEIGHT=720 "
check 1024x600 "WIDTH=1008 HEIGHT=552 "
check 1920x1080 "WIDTH=1280 HEIGHT=820 "
