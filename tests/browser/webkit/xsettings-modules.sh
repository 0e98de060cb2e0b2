#!/usr/bin/env bash
# The gtk-modules setting as a desktop's settings daemon announces it (XSETTINGS Gtk/Modules):
# a bare GTK program loads the module named there, the client's own process does not. (WebKit's
# web process starts GTK itself, before any code of ours runs there, and still loads it.)
# Runs its own X server.
# Usage: xsettings-modules.sh XSETTINGS_MANAGER BARE_GTK_PROGRAM CLIENT MODULE
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  manager=$1 bare=$2 client=$3 module=$4 work=$5
  "$manager" "$module" >"$work/manager.out" & managerPid=$!
  for i in $(seq 1 100); do grep -q ready "$work/manager.out" && break; sleep 0.1; done
  grep -q ready "$work/manager.out" || { echo "no XSETTINGS manager" >&2; exit 1; }
  timeout 30 "$bare" >"$work/bare.log" 2>&1 || true
  XDG_DATA_HOME="$work/data" "$client" >"$work/client.log" 2>&1 & clientPid=$!
  # Up once the page has spoken to the bridge.
  for i in $(seq 1 300); do grep -q "\[WEBVIEW_BRIDGE\]" "$work/client.log" && break; sleep 0.1; done
  kill $clientPid; wait $clientPid 2>/dev/null || true
  kill $managerPid; wait $managerPid 2>/dev/null || true
' _ "$1" "$2" "$3" "$4" "$work"
status=0
if ! grep -q VANTREEL-INJECTED-CODE-LOADED "$work/bare.log"; then
  echo "the bare GTK program did not load the module: the XSETTINGS door was not opened" >&2
  cat "$work/bare.log" >&2
  status=1
fi
if ! grep -q "\[WEBVIEW_BRIDGE\]" "$work/client.log"; then
  echo "the client's page never reached the bridge" >&2
  status=1
fi
if grep -q "VANTREEL-INJECTED-CODE-LOADED in Vantreel" "$work/client.log"; then
  echo "the client loaded the module named by XSETTINGS Gtk/Modules" >&2
  status=1
fi
[ $status = 0 ] || tail -20 "$work/client.log" >&2
exit $status
