#!/bin/sh
# SPDX-License-Identifier: MIT
# Usage: installer_test.sh SETUP.EXE
# Installs silently into a fresh Wine prefix, as a user without
# administrator rights would: the program folder in the user's
# LOCALAPPDATA\Programs\CEPcalc with everything the programs need, the
# Start-menu entry, the entry among the user's apps; CEP.csv written beside
# the program; a silent uninstall that leaves CEP.csv and nothing else.
set -eu
setup=$(realpath "$1")
WINEPREFIX=$(mktemp -d)
WINEDEBUG=-all
export WINEPREFIX WINEDEBUG
trap 'wineserver -k 2>/dev/null; rm -rf "$WINEPREFIX"' EXIT
fail() { echo "FAILED: $*"; exit 1; }

wineboot -i >/dev/null 2>&1
wine "$setup" /S
wineserver -w
local_app_data=$(wine cmd /c 'echo %LOCALAPPDATA%' | tr -d '\r')
folder=$(winepath -u "$local_app_data\\Programs\\CEPcalc")
programs=$(winepath -u "$(wine cmd /c 'echo %APPDATA%' | tr -d '\r')\\Microsoft\\Windows\\Start Menu\\Programs")

for file in cepcalc.exe cep-report.exe Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll libstdc++-6.dll \
        platforms/qwindows.dll styles/qwindowsvistastyle.dll imageformats/qjpeg.dll yourdata/range1.grp \
        README.md LICENSE Uninstall.exe; do
    [ -f "$folder/$file" ] || fail "$file is not in $folder"
done
[ -f "$programs/CEP Calculator.lnk" ] || fail "no Start-menu entry in $programs"
wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\CEPcalc' /v UninstallString >/dev/null \
    || fail "the uninstaller is not among the user's apps"

# The installed programs run from the installed folder, which the user may write to.
(cd "$folder" && wine cep-report.exe --csv 'yourdata\range1.grp' >> CEP.csv)
record=$(od -An -c "$folder/CEP.csv" | tr -s ' ')
expected=$(printf '"range1.grp",100,1.59412088025621,3.18824176051243,4.78236264076864,3.18824176051243\r\n' | od -An -c | tr -s ' ')
[ "$record" = "$expected" ] || fail "CEP.csv holds $record"

wine "$folder/Uninstall.exe" /S
wineserver -w
left=$(cd "$folder" && find . -mindepth 1 | sort | tr '\n' ' ')
[ "$left" = "./CEP.csv " ] || fail "the uninstall left: $left"
[ ! -e "$programs/CEP Calculator.lnk" ] || fail "the Start-menu entry is still there"
if wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\CEPcalc' >/dev/null 2>&1; then
    fail "the uninstaller is still listed"
fi
echo "installed, used and uninstalled; CEP.csv kept"
