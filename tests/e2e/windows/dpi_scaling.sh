#!/usr/bin/env bash
# The Win32 window at 150 % (Wine's LogPixels 144) on a desktop large enough for it: the client
# area is the design's 1280 x 820 DIPs times 1.5, and the controller's bounds over that scale
# give the page its 1280 x 820 CSS pixels. The scale and the desktop are the Wine prefix's,
# so both are put back however the run ends.
#
# usage: dpi_scaling.sh <win32_mainform_tests.exe> <webview2_win32_window_tests.exe>   (inside
# Xvfb, with the Wine prefix of scripts/wine-env.sh exported)
set -uo pipefail
source "$(dirname "$0")/wine-desktop.sh"
restore() {
  "$wine" reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f </dev/null >/dev/null 2>&1
  vantreel_desktop_restore
}
trap restore EXIT

# The desktop's size takes a new server; the scale applies to each new process, so it is set
# after the restart, which could drop a registry write that the old server had not saved.
vantreel_desktop_size 2560x1600
"$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f </dev/null >/dev/null 2>&1

failed=0
VANTREEL_EXPECT_DPI=144 "$wine" "$1" --gtest_filter='*CaptionReadingOrder*' </dev/null || failed=1
VANTREEL_EXPECT_DPI=144 "$wine" "$2" --gtest_filter='*FocusMovesHidingAndScale*' </dev/null || failed=1
exit $failed
