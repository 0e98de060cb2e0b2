#!/usr/bin/env bash
# The real client with the SDK's WebView2Loader.dll beside it and no WebView2 Runtime (Wine
# has none), on a 1366 x 768 desktop as a new user would meet it: the start-up shows the
# loader-failure box in the user's language with what to do and the runtime's code at the
# end, the overlay behind it saying install-then-restart (right to left in
# Arabic), and the window whole on the screen. One run per locale; box-probe.exe reads it
# all back, and pictures of the screen are kept as <outdir>/loader-failure-<locale>.png (the
# Wine desktop) and, where ImageMagick's import can reach the X display,
# <outdir>/loader-failure-<locale>-root.png, for a person to look at.
#
# usage: loader_failure_box.sh <Vantreel.exe> <box-probe.exe> <outdir>   (inside Xvfb, with
# the Wine prefix of scripts/wine-env.sh exported)
set -uo pipefail
exe=$1 probe=$2 outdir=$3
wine=/usr/lib/wine/wine64
mkdir -p "$outdir"
[ -f "$(dirname "$exe")/WebView2Loader.dll" ] || { echo "no WebView2Loader.dll beside $exe"; exit 1; }

# locale|box text|overlay text, line breaks as the probe prints them ("\n").
cases=(
  'en_US|WebView2 Loader initialization failed: The Microsoft Edge WebView2 Runtime, which Vantreel needs, is not installed on this computer.\n\nDownload it from Microsoft'\''s WebView2 page:\nhttps://developer.microsoft.com/microsoft-edge/webview2/\n\nInstall it, then start Vantreel again. (0x80070002)|Loading failed.\nInstall the Microsoft Edge WebView2 Runtime, then start Vantreel again.'
  'de_DE|Initialisierung von WebView2 Loader fehlgeschlagen: Die Microsoft Edge WebView2 Runtime, die Vantreel benötigt, ist auf diesem Computer nicht installiert.\n\nLaden Sie sie von der WebView2-Seite von Microsoft herunter:\nhttps://developer.microsoft.com/microsoft-edge/webview2/\n\nInstallieren Sie sie und starten Sie Vantreel dann neu. (0x80070002)|Laden fehlgeschlagen.\nInstallieren Sie die Microsoft Edge WebView2 Runtime und starten Sie Vantreel dann neu.'
  'zh_CN|WebView2 Loader 初始化失败：此电脑未安装 Vantreel 所需的 Microsoft Edge WebView2 Runtime。\n\n请从 Microsoft 的 WebView2 下载页面获取：\nhttps://developer.microsoft.com/microsoft-edge/webview2/\n\n安装后请重新启动 Vantreel。 (0x80070002)|加载失败。\n请安装 Microsoft Edge WebView2 Runtime，然后重新启动 Vantreel。'
  'ar_EG|فشل تهيئة WebView2 Loader: بيئة التشغيل Microsoft Edge WebView2 Runtime التي يحتاجها Vantreel غير مثبتة على هذا الكمبيوتر.\n\nنزّلها من صفحة WebView2 على موقع Microsoft:\nhttps://developer.microsoft.com/microsoft-edge/webview2/\n\nثبّتها، ثم أعد تشغيل Vantreel. (0x80070002)|تعذّر التحميل.\nثبّت Microsoft Edge WebView2 Runtime، ثم أعد تشغيل Vantreel.'
)
# Chinese text needs a font with its glyphs: the dialog fonts that Wine picks for a Chinese
# locale are replaced by the host's WenQuanYi Micro Hei (Debian's fonts-wqy-microhei), once per prefix.
if [ ! -f "$WINEPREFIX/.vantreel-cjk-fonts" ]; then
  for font in SimSun NSimSun "Microsoft YaHei" "宋体" "MS Shell Dlg"; do
    "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$font" /t REG_SZ /d 'WenQuanYi Micro Hei' /f \
      </dev/null >/dev/null 2>&1
  done
  touch "$WINEPREFIX/.vantreel-cjk-fonts"
fi

# The desktop of a common laptop for this run; the prefix gets its own back however it ends.
source "$(dirname "$0")/wine-desktop.sh"
restore() {
  dialog_font 'WenQuanYi Micro Hei'
  vantreel_desktop_restore
}
trap restore EXIT
vantreel_desktop_size 1366x768

# Wine's desktop grows its taskbar (and shrinks the work area) only once a program has run
# on it, while Windows has it from the start: one run first, as a user's desktop would be.
LC_ALL=C.UTF-8 "$wine" "$exe" </dev/null >/dev/null 2>&1 &
"$wine" "$probe" "$(mktemp -u).bmp" 40 </dev/null >/dev/null 2>&1
wait

failed=0
check() {  # what, expected, seen
  if [ "$2" = "$3" ]; then echo "  ok $1"; else echo "  FAIL $1: expected [$2] saw [$3]"; failed=1; fi
}
# The box's dialog font has no Arabic glyphs here: DejaVu Sans stands in for the Arabic run.
dialog_font() {
  for font in "MS Shell Dlg" Tahoma; do
    "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$font" /t REG_SZ /d "$1" /f </dev/null >/dev/null 2>&1
  done
}
for entry in "${cases[@]}"; do
  IFS='|' read -r locale expected overlay <<<"$entry"
  if [ "$locale" = ar_EG ]; then dialog_font 'DejaVu Sans'; else dialog_font 'WenQuanYi Micro Hei'; fi
  shot="$outdir/loader-failure-$locale"
  report=$(mktemp)
  # The client's locale comes from the Unix environment of the Wine process that starts it.
  LC_ALL=$locale.UTF-8 "$wine" "$exe" </dev/null >/dev/null 2>&1 &
  client=$!
  # Wine reads an absolute Unix path as one on its Z: drive, the root of the host. The probe
  # holds the box up 3 s after its report, for the picture of the X display.
  "$wine" "$probe" "$shot.bmp" 40 3 </dev/null >"$report" 2>&1 &
  probing=$!
  for _ in $(seq 1 600); do grep -q '^window: ' "$report" && break; kill -0 "$probing" 2>/dev/null || break; sleep 0.1; done
  if grep -q '^window: ' "$report" && command -v import >/dev/null && [ -n "${DISPLAY:-}" ]; then
    sleep 0.5
    import -window root "$shot-root.png" 2>/dev/null
  fi
  wait "$probing" 2>/dev/null
  wait "$client" 2>/dev/null
  output=$(tr -d '\r' <"$report")
  rm -f "$report"
  echo "$locale:"
  check "box text" "$expected" "$(sed -n 's/^text: //p' <<<"$output")"
  check "overlay behind the box" "$overlay" "$(sed -n 's/^overlay: //p' <<<"$output")"
  check "overlay reads right to left" "$([ "$locale" = ar_EG ] && echo yes || echo no)" \
    "$(sed -n 's/^overlay-rtl: //p' <<<"$output")"
  window=$(sed -n 's/^window: //p' <<<"$output")
  echo "  window: $window"
  # Wine's taskbar may reserve its strip only after the window was placed (Windows has it
  # from the start), so the screen is what must hold the window whole here; the window's
  # fit into the work area itself is checked in-process (tests/app/win32).
  check "window on the screen" "inside" "${window##*screen: }"
  [ $failed = 0 ] || echo "$output"
  [ -f "$shot.bmp" ] && command -v convert >/dev/null && convert "$shot.bmp" "$shot.png" && rm -f "$shot.bmp"
done
exit $failed
