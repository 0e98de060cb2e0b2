#!/usr/bin/env bash
# Packs a built Windows client: writes OUTDIR/Vantreel-win64.zip and
# OUTDIR/Vantreel-<version>-x64.msi, both carrying Vantreel.exe signed (packaging/windows/signing.sh
# says when it may stay unsigned), WebView2Loader.dll with Microsoft's signature checked and the
# SDK's licence for it; the zip also the README, which tells how to unpack it. The MSI is signed
# last.
#
# usage: package.sh OUTDIR VERSION Vantreel.exe vantreel.ico WEBVIEW2_SDK_DIR README_TEMPLATE
set -euo pipefail
[ $# -eq 6 ] || { sed -n 's/^# usage: /usage: /p' "$0" >&2; exit 2; }
outdir=$1 version=$2 exe=$3 icon=$4 sdk=$5 readme=$6
here=$(cd "$(dirname "$0")" && pwd)
source "$here/signing.sh"
vantreel_signing_check
[[ $version =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || { echo "version must be major.minor.patch: $version" >&2; exit 2; }
for tool in wixl msibuild msiinfo osslsigncode; do
  command -v "$tool" >/dev/null || { echo "Packaging needs $tool (scripts/deps.sh installs it)." >&2; exit 1; }
done
loader=$sdk/build/native/x64/WebView2Loader.dll
vantreel_check_microsoft_signature "$loader"

mkdir -p "$outdir"
outdir=$(cd "$outdir" && pwd)
zip=$outdir/Vantreel-win64.zip
msi=$outdir/Vantreel-$version-x64.msi
# A failure below must not leave an earlier build's packages looking like this one's.
rm -f "$zip" "$msi"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
files=$stage/Vantreel
mkdir -p "$files"
cp "$exe" "$files/Vantreel.exe"
cp "$loader" "$files/WebView2Loader.dll"
cp "$sdk/LICENSE.txt" "$files/WebView2Loader-LICENSE.txt"
# In English and Simplified Chinese, UTF-8 with its byte-order mark and CR LF: the text is
# read with Notepad on the user's machine.
sed -e "s/@WEBVIEW2_VERSION@/$(basename "$sdk")/g" -e 's/$/\r/' "$readme" > "$files/README.txt"
vantreel_sign "$files/Vantreel.exe" "Orvane Anti-Addiction System"

(cd "$stage" && python3 -m zipfile -c "$zip" Vantreel)

# wixl takes sources relative to where it runs.
cp "$icon" "$files/vantreel.ico"
(cd "$files" && wixl -a x64 -D Version="$version" -D Icon=vantreel.ico -D Exe=Vantreel.exe \
  -D LoaderDll=WebView2Loader.dll -D LoaderLicence=WebView2Loader-LICENSE.txt \
  -o "$stage/Vantreel.msi" "$here/Vantreel.wxs")
# What wixl cannot say. The photo folder outlives removal and upgrades, with an ACL where every
# user adds and reads photos and only a photo's owner may change or delete it; the shortcut
# carries the process's AppUserModelID; and a rebuilt package of the installed version (a new
# ProductCode) replaces it rather than installing beside it.
upgrade_code=$(msiinfo export "$stage/Vantreel.msi" Property | sed -n 's/^UpgradeCode\t//p' | tr -d '\r')
msibuild "$stage/Vantreel.msi" -i "$here/MsiLockPermissionsEx.idt"
msibuild "$stage/Vantreel.msi" -i "$here/MsiShortcutProperty.idt"
# Component attributes 272: 64-bit (256) and permanent (16). Upgrade attributes 513: migrate
# features (1), maximum version included (512).
msibuild "$stage/Vantreel.msi" -q "UPDATE \`Component\` SET \`Attributes\` = 272 WHERE \`Component\` = 'AlarmPhotos'"
msibuild "$stage/Vantreel.msi" -q "DELETE FROM \`Upgrade\` WHERE \`ActionProperty\` = 'WIX_UPGRADE_DETECTED'"
msibuild "$stage/Vantreel.msi" -q "INSERT INTO \`Upgrade\` (\`UpgradeCode\`, \`VersionMax\`, \`Attributes\`, \`ActionProperty\`) VALUES ('$upgrade_code', '$version', 513, 'WIX_UPGRADE_DETECTED')"
vantreel_sign "$stage/Vantreel.msi" "Orvane Anti-Addiction System $version"
mv -f "$stage/Vantreel.msi" "$msi"
