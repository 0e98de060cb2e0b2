#!/usr/bin/env bash
# A bcrypt.dll dropped beside Vantreel.exe (the zip is unpacked wherever the user likes) is
# never loaded into the client. The control shows that the same DLL in the same folder is
# loaded by a program that searches the ordinary way, so the planted DLL and Wine's search
# would let it in.
#
# usage: dll_planting.sh <Vantreel.exe> <box-probe.exe> <plant-control.exe> <planted bcrypt.dll>
# (inside Xvfb, with the Wine prefix of scripts/wine-env.sh exported)
set -uo pipefail
exe=$1 probe=$2 control=$3 planted=$4
wine=/usr/lib/wine/wine64
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cp "$exe" "$(dirname "$exe")/WebView2Loader.dll" "$control" "$folder/"
cp "$planted" "$folder/bcrypt.dll"
failed=0
# Wine prefers its own bcrypt to a native one; Windows takes the first bcrypt.dll it finds.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}bcrypt=n,b"

export VANTREEL_PLANT_MARK
VANTREEL_PLANT_MARK="$folder/control-mark"
"$wine" "$folder/$(basename "$control")" </dev/null >/dev/null 2>&1
if [ -f "$folder/control-mark" ]; then echo "control: the planted DLL loads beside an ordinary program"
else echo "FAIL control: the planted DLL was not loaded even by the control; the test shows nothing"; failed=1; fi

# The client runs through its start-up (the key derivation calls CNG) to the runtime-missing box.
VANTREEL_PLANT_MARK="$folder/client-mark"
"$wine" "$folder/$(basename "$exe")" </dev/null >/dev/null 2>&1 &
client=$!
output=$("$wine" "$probe" "$(mktemp -u).bmp" 40 </dev/null 2>&1 | tr -d '\r')
wait "$client" 2>/dev/null
grep -q '^text: ' <<<"$output" || { echo "FAIL the client showed no box"; echo "$output"; failed=1; }
if [ -f "$folder/client-mark" ]; then echo "FAIL the client loaded the planted bcrypt.dll"; failed=1
else echo "client: the planted bcrypt.dll was not loaded"; fi
exit $failed
