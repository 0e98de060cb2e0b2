#!/usr/bin/env bash
# The Windows packages as an administrator meets them, under Wine's msiexec in a prefix of
# its own: signed with a throwaway CA's code-signing certificate (both signatures verified
# against that CA, an unsigned build refused), the MSI's tables that Wine cannot act on
# (the photo folder's ACL, the shortcut's AppUserModelID) read back, and the whole life of an
# installation: refused without the WebView2 Runtime, installed, started, repaired, replaced
# by a rebuild and by a newer version, not downgraded, removed, with a user's photo kept
# throughout.
#
# usage: msi_install.sh <Vantreel.exe> <vantreel.ico> <WebView2 SDK dir> <box-probe.exe>
#        <sddl-probe.exe>   (inside Xvfb; the prefix is made here and removed at the end)
set -uo pipefail
exe=$1 icon=$2 sdk=$3 probe=$4 sddl_probe=$5
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
package=$root/packaging/windows/package.sh
readme=$root/resources/windows/README.txt
wine=/usr/lib/wine/wine64
work=$(mktemp -d)
upgrade_code='{3AD5C52A-C044-4142-9780-08FB22C8CA9F}'
runtime_key='HKLM\SOFTWARE\Microsoft\EdgeUpdate\Clients\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}'
runtime_key_hkcu='HKCU\SOFTWARE\Microsoft\EdgeUpdate\Clients\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}'
failed=0
check() {  # what, expected, seen
  if [ "$2" = "$3" ]; then echo "  ok $1"; else echo "  FAIL $1: expected [$2] saw [$3]"; failed=1; fi
}
# check_arp what expected: the Apps & features entries, read again for up to 10 s. Under load
# a registry read made right after msiexec returned has come back empty once, although the
# entry was there; a missing or wrong entry still fails, after the wait.
check_arp() {
  local seen
  for _ in $(seq 50); do
    seen=$(arp_entries)
    [ "$seen" = "$2" ] && break
    sleep 0.2
  done
  check "$1" "$2" "$seen"
}
yes_no() { if "$@"; then echo yes; else echo no; fi; }
started=$SECONDS
lap() { echo "  ($(( SECONDS - started )) s)"; }

# --- Packages signed by a throwaway CA --------------------------------------------------------
echo "packages:"
ca=$work/ca
mkdir -p "$ca"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$ca/ca.key" -out "$ca/ca.pem" -days 2 \
  -subj "/CN=Vantreel Throwaway Test CA" -addext "basicConstraints=critical,CA:TRUE" \
  -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
openssl req -newkey rsa:2048 -nodes -keyout "$ca/sign.key" -out "$ca/sign.csr" \
  -subj "/O=Orvane Test/CN=Orvane Test Code Signing" 2>/dev/null
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >"$ca/ext.cnf"
openssl x509 -req -in "$ca/sign.csr" -CA "$ca/ca.pem" -CAkey "$ca/ca.key" -CAcreateserial -days 2 \
  -extfile "$ca/ext.cnf" -out "$ca/sign.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$ca/sign.key" -in "$ca/sign.pem" -passout 'pass:a pass phrase' -out "$ca/sign.pfx"
# A second CA that signed nothing here: verifying against it must fail.
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$ca/other.key" -out "$ca/other.pem" -days 2 \
  -subj "/CN=Unrelated CA" 2>/dev/null

# A timestamp server of the same CA for the newer version's signatures.
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=critical,timeStamping\n' \
  >"$ca/tsa-ext.cnf"
openssl req -newkey rsa:2048 -nodes -keyout "$ca/tsa.key" -out "$ca/tsa.csr" -subj "/CN=Throwaway TSA" 2>/dev/null
openssl x509 -req -in "$ca/tsa.csr" -CA "$ca/ca.pem" -CAkey "$ca/ca.key" -CAcreateserial -days 2 \
  -extfile "$ca/tsa-ext.cnf" -out "$ca/tsa.pem" 2>/dev/null
cat >"$ca/tsa.cnf" <<TSA
[ tsa ]
default_tsa = tsa_config
[ tsa_config ]
serial = $ca/tsa-serial
signer_cert = $ca/tsa.pem
certs = $ca/ca.pem
signer_key = $ca/tsa.key
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256, sha384, sha512
ess_cert_id_alg = sha256
TSA
python3 "$here/timestamp_server.py" "$ca/tsa.cnf" "$ca/tsa-port" &
tsa=$!
trap 'kill $tsa 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 300); do
  [ -f "$ca/tsa-port" ] && break
  kill -0 "$tsa" 2>/dev/null || break
  sleep 0.1
done
[ -f "$ca/tsa-port" ] || { echo "the test's timestamp server did not start" >&2; exit 1; }

build() {  # outdir version [timestamp url]
  VANTREEL_SIGNING_PFX=$ca/sign.pfx VANTREEL_SIGNING_PASSWORD='a pass phrase' VANTREEL_ALLOW_UNSIGNED= \
    VANTREEL_TIMESTAMP_URL=${3:-} "$package" "$1" "$2" "$exe" "$icon" "$sdk" "$readme" >"$work/build.log" 2>&1 ||
    { cat "$work/build.log"; return 1; }
}
build "$work/v1" 1.0.0 && build "$work/v1-rebuilt" 1.0.0 &&
  build "$work/v2" 1.0.1 "http://127.0.0.1:$(cat "$ca/tsa-port" 2>/dev/null)/" ||
  { echo "  FAIL building the packages"; exit 1; }
kill $tsa 2>/dev/null
v1=$work/v1/Vantreel-1.0.0-x64.msi v1b=$work/v1-rebuilt/Vantreel-1.0.0-x64.msi v2=$work/v2/Vantreel-1.0.1-x64.msi
lap

verifies() {  # file ca.pem
  osslsigncode verify -CAfile "$2" -TSA-CAfile "$2" -in "$1" >"$work/verify.log" 2>&1 &&
    grep -q '^Signature verification: ok' "$work/verify.log"
}
timestamped() {  # file: verified against the CA, with a timestamp that verifies too
  verifies "$1" "$ca/ca.pem" && grep -q '^Timestamp Server Signature verification: ok' "$work/verify.log"
}
mkdir -p "$work/from-msi" "$work/from-zip"
msiextract -C "$work/from-msi" "$v1" >/dev/null
(cd "$work/from-zip" && python3 -m zipfile -e "$work/v1/Vantreel-win64.zip" .)
check "MSI signature verifies against the CA" yes "$(yes_no verifies "$v1" "$ca/ca.pem")"
check "MSI signature is SHA-256" yes \
  "$(yes_no grep -q '^Message digest algorithm *: SHA256' "$work/verify.log")"
check "MSI signature fails against another CA" no "$(yes_no verifies "$v1" "$ca/other.pem")"
msi_exe=$(find "$work/from-msi" -name Vantreel.exe | head -1)
check "Vantreel.exe inside the MSI is signed" yes "$(yes_no verifies "$msi_exe" "$ca/ca.pem")"
check "Vantreel.exe inside the zip is signed" yes "$(yes_no verifies "$work/from-zip/Vantreel/Vantreel.exe" "$ca/ca.pem")"
check "without VANTREEL_TIMESTAMP_URL no timestamp" no "$(yes_no timestamped "$v1")"
mkdir -p "$work/v2-msi"
msiextract -C "$work/v2-msi" "$v2" >/dev/null
check "with VANTREEL_TIMESTAMP_URL the MSI is timestamped" yes "$(yes_no timestamped "$v2")"
check "and so is its Vantreel.exe" yes "$(yes_no timestamped "$(find "$work/v2-msi" -name Vantreel.exe | head -1)")"
msi_loader=$(find "$work/from-msi" -name WebView2Loader.dll | head -1)
check "WebView2Loader.dll keeps Microsoft's signature" yes \
  "$(yes_no cmp -s "$msi_loader" "$sdk/build/native/x64/WebView2Loader.dll")"
check "the loader's licence ships" yes "$(yes_no test -s "$(dirname "$msi_loader")/WebView2Loader-LICENSE.txt")"

# Refusals: no certificate and no permission, or a loader DLL that Microsoft did not sign.
VANTREEL_SIGNING_PFX= VANTREEL_ALLOW_UNSIGNED= "$package" "$work/refused" 1.0.0 "$exe" "$icon" "$sdk" "$readme" \
  >"$work/refused.log" 2>&1
check "unsigned packages refused" "1 yes no" \
  "$? $(yes_no grep -q 'VANTREEL_ALLOW_UNSIGNED=1' "$work/refused.log") $(yes_no test -e "$work/refused")"
VANTREEL_SIGNING_PFX=$ca/sign.pfx VANTREEL_SIGNING_PASSWORD='not the pass phrase' \
  "$package" "$work/wrong-password" 1.0.0 "$exe" "$icon" "$sdk" "$readme" >"$work/wrong-password.log" 2>&1
check "a wrong password fails, with no MSI left behind" "1 no" \
  "$? $(yes_no test -e "$work/wrong-password/Vantreel-1.0.0-x64.msi")"
fake_sdk=$work/fake-sdk/1.0.0
mkdir -p "$fake_sdk/build/native/x64"
cp "$probe" "$fake_sdk/build/native/x64/WebView2Loader.dll"
cp "$sdk/LICENSE.txt" "$fake_sdk/"
VANTREEL_SIGNING_PFX= VANTREEL_ALLOW_UNSIGNED=1 "$package" "$work/forged" 1.0.0 "$exe" "$icon" "$fake_sdk" "$readme" \
  >"$work/forged.log" 2>&1
check "a loader DLL without Microsoft's signature refused" "1 no" "$? $(yes_no test -e "$work/forged")"

# --- The tables that matter --------------------------------------------------------------------
echo "tables:"
row() {  # msi table key: the row whose first column is key, without it
  msiinfo export "$1" "$2" | tr -d '\r' | awk -F'\t' -v k="$3" 'NR > 3 && $1 == k { sub(/^[^\t]*\t/, ""); print }'
}
property() { row "$1" Property "$2"; }
check "UpgradeCode" "$upgrade_code" "$(property "$v1" UpgradeCode)"
check "UpgradeCode stable across versions" "$upgrade_code" "$(property "$v2" UpgradeCode)"
check "ProductVersion" "1.0.1" "$(property "$v2" ProductVersion)"
check "a new ProductCode per build" yes "$([ "$(property "$v1" ProductCode)" != "$(property "$v1b" ProductCode)" ] && echo yes)"
check "per machine" 1 "$(property "$v1" ALLUSERS)"
check "Apps & features publisher" Orvane "$(property "$v1" Manufacturer)"
check "Apps & features icon" Vantreel.ico "$(property "$v1" ARPPRODUCTICON)"
check "64-bit package" "x64;1033" "$(msiinfo suminfo "$v1" | sed -n 's/^Template: //p')"
check "alarm_photos ACL" \
  $'PHOTOSDIR\tCreateFolder\tD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;;0x1200ab;;;BU)(A;OICIIO;0x1200a9;;;BU)(A;OICIIO;FA;;;CO)\t' \
  "$(row "$v1" MsiLockPermissionsEx AlarmPhotosAcl)"
check "alarm_photos created by a permanent 64-bit component" $'PHOTOSDIR\tAlarmPhotos' "$(msiinfo export "$v1" CreateFolder | tr -d '\r' | sed -n 4p)"
check "alarm_photos component attributes (64-bit | permanent)" 272 \
  "$(row "$v1" Component AlarmPhotos | cut -f3)"
check "shortcut" $'ProgramMenuFolder\tOrvane Anti-Addiction System\tProgram\t[INSTALLDIR]Vantreel.exe' \
  "$(row "$v1" Shortcut StartMenuShortcut | cut -f1-4)"
check "shortcut AppUserModelID" $'StartMenuShortcut\tSystem.AppUserModel.ID\tOrvane.Vantreel' \
  "$(row "$v1" MsiShortcutProperty StartMenuShortcutAppId)"
check "upgrades: older and same versions replaced, newer ones detected" \
  $'{3AD5C52A-C044-4142-9780-08FB22C8CA9F}\t\t1.0.1\t\t513\t\tWIX_UPGRADE_DETECTED\n{3AD5C52A-C044-4142-9780-08FB22C8CA9F}\t1.0.1\t\t\t2\t\tWIX_DOWNGRADE_DETECTED' \
  "$(msiinfo export "$v2" Upgrade | tr -d '\r' | tail -n +4 | sort)"
condition=$(msiinfo export "$v1" LaunchCondition | tr -d '\r' | grep WEBVIEW2)
# Wine's msiexec repairs on a second /i by itself; Windows needs REINSTALL set.
check "the installed version run again sets REINSTALL=ALL before costing" \
  $'REINSTALL\tALL|Installed AND NOT REMOVE AND NOT REINSTALL\t990' \
  "$(row "$v1" CustomAction RepairWhenRunAgain | cut -f2,3)|$(row "$v1" InstallExecuteSequence RepairWhenRunAgain)"
check "launch condition on the runtime" \
  'Installed OR REMOVE OR (WEBVIEW2_PV_HKLM32 AND WEBVIEW2_PV_HKLM32 <> "0.0.0.0") OR (WEBVIEW2_PV_HKLM64 AND WEBVIEW2_PV_HKLM64 <> "0.0.0.0") OR (WEBVIEW2_PV_HKCU AND WEBVIEW2_PV_HKCU <> "0.0.0.0")' \
  "${condition%%$'\t'*}"
check "its message names the runtime and where to get it" yes \
  "$(yes_no grep -q 'Microsoft Edge WebView2 Runtime.*https://developer.microsoft.com/microsoft-edge/webview2/' <<<"$condition")"
check "where the runtime is looked for" \
  $'WebView2Hkcu\t1\tSOFTWARE\\Microsoft\\EdgeUpdate\\Clients\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}\tpv\t2\nWebView2Hklm32\t2\tSOFTWARE\\Microsoft\\EdgeUpdate\\Clients\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}\tpv\t2\nWebView2Hklm64\t2\tSOFTWARE\\Microsoft\\EdgeUpdate\\Clients\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}\tpv\t18' \
  "$(msiinfo export "$v1" RegLocator | tr -d '\r' | tail -n +4 | sort)"
lap

# --- Under Wine --------------------------------------------------------------------------------
mkdir -p "$work/home"
export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all HOME=$work/home LC_ALL=C.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
cleanup() {
  /usr/lib/wine/wineserver -k </dev/null >/dev/null 2>&1
  /usr/lib/wine/wineserver -w </dev/null >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT
"$wine" wineboot </dev/null >/dev/null 2>&1
"$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
"$wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default /f </dev/null >/dev/null 2>&1
"$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d 1280x1024 /f </dev/null >/dev/null 2>&1
/usr/lib/wine/wineserver -w </dev/null >/dev/null 2>&1
/usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1
lap

c=$WINEPREFIX/drive_c
app="$c/Program Files/Vantreel"
photos=$app/alarm_photos
# Wine resolves ProgramMenuFolder to the installing user's Start menu even when ALLUSERS=1;
# Windows puts a per-machine shortcut under ProgramData.
for profile in "$c/users/${USER:-}" "$c/users/$(id -un)"; do [ -d "$profile/AppData" ] && break; done
shortcuts=("$c/ProgramData/Microsoft/Windows/Start Menu/Programs" "$profile/AppData/Roaming/Microsoft/Windows/Start Menu/Programs")
shortcut() { local d; for d in "${shortcuts[@]}"; do [ -f "$d/Orvane Anti-Addiction System.lnk" ] && echo "$d/Orvane Anti-Addiction System.lnk" && return; done; }
winpath() { echo "Z:${1//\//\\}"; }
msiexec() {  # options... ; prints the exit code (mod 256: 1603 is 67)
  "$wine" msiexec "$@" /qn </dev/null >/dev/null 2>&1
  echo $?
}
runtime() {  # add|delete key [pv] [/reg:32|/reg:64]
  if [ "$1" = add ]; then
    "$wine" reg add "$2" /v pv /t REG_SZ /d "$3" /f ${4:+"$4"} </dev/null >/dev/null 2>&1
  else
    "$wine" reg delete "$2" /f ${3:+"$3"} </dev/null >/dev/null 2>&1
  fi
}
# Each product of ours in Apps & features: "DisplayName|Publisher|DisplayVersion".
arp_entries() {
  "$wine" reg query 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall' /s </dev/null 2>/dev/null | tr -d '\r' |
    awk '/^HKEY/ { if (n != "") print n "|" p "|" v; n = p = v = "" }
         $1 == "DisplayName" { sub(/^ *DisplayName +REG_SZ +/, ""); n = $0 }
         $1 == "Publisher" { sub(/^ *Publisher +REG_SZ +/, ""); p = $0 }
         $1 == "DisplayVersion" { sub(/^ *DisplayVersion +REG_SZ +/, ""); v = $0 }
         END { if (n != "") print n "|" p "|" v }' | grep '^Orvane Anti-Addiction System|'
}
program_files() {  # which of the program's files exist
  local f out=
  for f in Vantreel.exe WebView2Loader.dll WebView2Loader-LICENSE.txt README.txt; do [ -f "$app/$f" ] && out+="$f "; done
  echo "${out% }"
}
all_files='Vantreel.exe WebView2Loader.dll WebView2Loader-LICENSE.txt'

# Wine ignores the table, but Windows Installer parses its text with the system's parser and
# fails the installation (error 1943) on a text it cannot read: the same parser reads it here.
echo "the photo folder's ACL as the system reads it:"
acl=$("$wine" "$sddl_probe" "$(row "$v1" MsiLockPermissionsEx AlarmPhotosAcl | cut -f3)" </dev/null 2>/dev/null | tr -d '\r')
check "parsed: protected from inherited entries" "protected: yes" "$(head -1 <<<"$acl")"
check "parsed entries" $'ace: allow S-1-5-18 0x3 0x1f01ff\nace: allow S-1-5-32-544 0x3 0x1f01ff\nace: allow S-1-5-32-545 0x0 0x1200ab\nace: allow S-1-5-32-545 0xb 0x1200a9\nace: allow S-1-3-0 0xb 0x1f01ff' \
  "$(grep '^ace: ' <<<"$acl")"
users_folder=$(awk '$3 == "S-1-5-32-545" && $4 == "0x0" { print $5 }' <<<"$acl")
users_inside=$(awk '$3 == "S-1-5-32-545" && $4 == "0xb" { print $5 }' <<<"$acl")
# Folder: list (0x1) and add file (0x2); never delete child (0x40), add subfolder (0x4) or
# DELETE (0x10000). Inside: read data (0x1), no write data (0x2), append (0x4), write EA/attributes
# (0x10/0x100), DELETE, WRITE_DAC or WRITE_OWNER (0xd0000).
check "Users add and list files in the folder, delete nothing in it" "3 0" \
  "$(( users_folder & 0x3 )) $(( users_folder & 0x10044 ))"
check "Users only read what others put inside" "1 0" "$(( users_inside & 0x1 )) $(( users_inside & 0xd0116 ))"
lap

echo "without the WebView2 Runtime:"
check "install fails" 67 "$(msiexec /i "$(winpath "$v1")")"
check "nothing installed" "|0|" "$(program_files)|$(arp_entries | wc -l)|$(shortcut)"
runtime add "$runtime_key" 0.0.0.0 /reg:32
check "pv 0.0.0.0 counts as no runtime" 67 "$(msiexec /i "$(winpath "$v1")")"
runtime add "$runtime_key" "" /reg:32
check "an empty pv counts as no runtime" 67 "$(msiexec /i "$(winpath "$v1")")"
check "still nothing installed" "|0" "$(program_files)|$(arp_entries | wc -l)"
lap

echo "with the runtime registered for the machine (32-bit view, where its installer writes):"
runtime add "$runtime_key" 131.0.2903.86 /reg:32
check "install succeeds" 0 "$(msiexec /i "$(winpath "$v1")")"
check "program files" "$all_files" "$(program_files)"
check "alarm_photos created" yes "$(yes_no test -d "$photos")"
check_arp "Apps & features entry" "Orvane Anti-Addiction System|Orvane|1.0.0"
lnk=$(shortcut)
check "Start-menu shortcut" yes "$(yes_no test -n "$lnk")"
check "shortcut points at the installed exe" yes \
  "$(yes_no grep -qxF 'C:\Program Files\Vantreel\Vantreel.exe' <(strings -a "${lnk:-/dev/null}"))"
check "shortcut starts in its folder, with the product icon" "yes yes" \
  "$(yes_no grep -qxF 'C:\Program Files\Vantreel\' <(strings -a -el "${lnk:-/dev/null}")) $(yes_no grep -qE '^.?C:\\windows\\Installer\\\{[0-9A-F-]+\}\\Vantreel\.ico$' <(strings -a -el "${lnk:-/dev/null}"))"
icon_path=$("$wine" reg query 'HKLM\Software\Classes\Installer\Products' /s </dev/null 2>/dev/null | tr -d '\r' |
  sed -n 's/^ *ProductIcon *REG_SZ *//p' | head -1)
icon_path=${icon_path#C:\\}
check "product icon cached for Apps & features" yes "$(yes_no test -s "$c/${icon_path//\\//}")"
check "installed Vantreel.exe carries our signature" yes "$(yes_no verifies "$app/Vantreel.exe" "$ca/ca.pem")"
lap

echo "the installed client starts (no runtime for Wine: its runtime-missing box):"
runtime delete "$runtime_key" /reg:32
"$wine" "C:\\Program Files\\Vantreel\\Vantreel.exe" </dev/null >/dev/null 2>&1 &
client=$!
box=$("$wine" "$probe" "$(winpath "$work/box.bmp")" 40 </dev/null 2>/dev/null | tr -d '\r' | sed -n 's/^text: //p')
wait "$client" 2>/dev/null
check "its box names the runtime" yes \
  "$(yes_no grep -q '^WebView2 Loader initialization failed: The Microsoft Edge WebView2 Runtime, which Vantreel needs, is not installed.*(0x80070002)$' <<<"$box")"
lap

echo "a photo, a repair, a rebuild, an upgrade:"
printf 'a photo that a user saved\n' >"$photos/alarm-20261211-060000.jpg"
# What the client keeps under the user's profile is not the installer's.
profile_data=$profile/AppData/Local/Vantreel
mkdir -p "$profile_data"
printf 'user data\n' >"$profile_data/kept.txt"
rm -f "$app/WebView2Loader.dll"
check "the same package again repairs" "0|$all_files" "$(msiexec /i "$(winpath "$v1")")|$(program_files)"
check "a rebuild is a new product: the runtime is looked for" 67 "$(msiexec /i "$(winpath "$v1b")")"
# The runtime registered in the 64-bit view only now.
runtime add "$runtime_key" 131.0.2903.86 /reg:64
check "a rebuild of the same version replaces it" 0 "$(msiexec /i "$(winpath "$v1b")")"
check_arp "one entry after the rebuild" "Orvane Anti-Addiction System|Orvane|1.0.0"
check "the photo survives" "a photo that a user saved" "$(cat "$photos/alarm-20261211-060000.jpg" 2>/dev/null)"
check "upgrade to 1.0.1" 0 "$(msiexec /i "$(winpath "$v2")")"
check_arp "one entry, the new version" "Orvane Anti-Addiction System|Orvane|1.0.1"
check "program files after the upgrade" "$all_files" "$(program_files)"
check "the photo survives the upgrade" "a photo that a user saved" "$(cat "$photos/alarm-20261211-060000.jpg" 2>/dev/null)"
check "no downgrade to 1.0.0" "67|Orvane Anti-Addiction System|Orvane|1.0.1" "$(msiexec /i "$(winpath "$v1")")|$(arp_entries)"
lap

echo "removal (the runtime gone meanwhile):"
runtime delete "$runtime_key" /reg:64
check "msiexec /x succeeds" 0 "$(msiexec /x "$(winpath "$v2")")"
check "program files gone" "" "$(program_files)"
check "Apps & features entry gone" 0 "$(arp_entries | wc -l)"
check "shortcut gone" "" "$(shortcut)"
check "the photo survives removal" "a photo that a user saved" "$(cat "$photos/alarm-20261211-060000.jpg" 2>/dev/null)"
check "the user's own data untouched" "user data" "$(cat "$profile_data/kept.txt" 2>/dev/null)"
lap

echo "the runtime registered for the user only:"
runtime add "$runtime_key_hkcu" 131.0.2903.86
check "install succeeds" "0|$all_files" "$(msiexec /i "$(winpath "$v2")")|$(program_files)"
check "the earlier photo is still there" "a photo that a user saved" "$(cat "$photos/alarm-20261211-060000.jpg" 2>/dev/null)"
check "removal" "0|" "$(msiexec /x "$(winpath "$v2")")|$(program_files)"
lap
exit $failed
