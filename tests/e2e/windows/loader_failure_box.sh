#!/usr/bin/env bash
# The real client with the SDK's WebView2Loader.dll beside it and no WebView2 Runtime (Wine
# has none): the start-up shows the loader-failure box in the user's language with the
# runtime's code. One run per locale; the box's text is read by box-probe.exe, and a picture
# of the screen is kept as <outdir>/loader-failure-<locale>.png for a person to look at.
#
# usage: loader_failure_box.sh <Vantreel.exe> <box-probe.exe> <outdir>   (inside Xvfb, with
# the Wine prefix of scripts/wine-env.sh exported)
set -uo pipefail
exe=$1 probe=$2 outdir=$3
wine=/usr/lib/wine/wine64
mkdir -p "$outdir"
[ -f "$(dirname "$exe")/WebView2Loader.dll" ] || { echo "no WebView2Loader.dll beside $exe"; exit 1; }

detail="The WebView2 Runtime is not installed (0x80070002)"
cases=(
  "de_DE.UTF-8|Initialisierung von WebView2 Loader fehlgeschlagen: $detail"
  "zh_CN.UTF-8|WebView2 Loader 初始化失败：$detail"
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

failed=0
for entry in "${cases[@]}"; do
  locale=${entry%%|*} expected=${entry#*|}
  shot="$outdir/loader-failure-${locale%%.*}"
  # The client's locale comes from the Unix environment of the Wine process that starts it.
  LC_ALL=$locale "$wine" "$exe" </dev/null >/dev/null 2>&1 &
  client=$!
  # Wine reads an absolute Unix path as one on its Z: drive, the root of the host.
  output=$("$wine" "$probe" "$shot.bmp" 40 </dev/null 2>&1 | tr -d '\r')
  wait "$client" 2>/dev/null
  text=$(sed -n 's/^text: //p' <<<"$output")
  if [ "$text" = "$expected" ]; then
    echo "PASS $locale: $text"
  else
    echo "FAIL $locale: expected [$expected]"
    echo "$output"
    failed=1
  fi
  [ -f "$shot.bmp" ] && command -v convert >/dev/null && convert "$shot.bmp" "$shot.png" && rm -f "$shot.bmp"
done
exit $failed
