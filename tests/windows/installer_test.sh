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
        cepstats.dll Qt6Svg.dll imageformats/qsvg.dll \
        README.md LICENSE LICENSE-fonts Uninstall.exe \
        licenses/THIRD-PARTY.md licenses/Qt/LGPL-3.0.txt licenses/Qt/GPL-3.0.txt \
        licenses/Qt/qt6-base-debian-copyright.txt licenses/QtSvg/LGPL-3.0-only.txt licenses/QtSvg/GPL-3.0-only.txt \
        licenses/QtSvg/XSVG_LICENSE.txt licenses/MinGW-runtime/GPL-3.0.txt \
        licenses/MinGW-runtime/gcc-runtime-debian-copyright.txt licenses/MinGW-runtime/mingw-w64-debian-copyright.txt; do
    [ -f "$folder/$file" ] || fail "$file is not in $folder"
done
# The licence texts are the ones they say they are, and the page names each
# shipped component with its version and where its source is.
grep -q "GNU LESSER GENERAL PUBLIC LICENSE" "$folder/licenses/Qt/LGPL-3.0.txt" || fail "Qt's LGPL text"
grep -q "GNU LESSER GENERAL PUBLIC LICENSE" "$folder/licenses/QtSvg/LGPL-3.0-only.txt" || fail "Qt SVG's LGPL text"
grep -q "GCC RUNTIME LIBRARY EXCEPTION" "$folder/licenses/MinGW-runtime/gcc-runtime-debian-copyright.txt" \
    || fail "the GCC Runtime Library Exception"
grep -q "winpthreads" "$folder/licenses/MinGW-runtime/mingw-w64-debian-copyright.txt" || fail "winpthreads' licence"
page="$folder/licenses/THIRD-PARTY.md"
for line in "| Qt (Core, Gui, Widgets and plugins) | $(dpkg-query -W -f='${Version}' qt6-base-dev) |" \
        "| Qt SVG | 6.4.2 |" "| GCC runtime (MinGW-w64 GCC) | $(dpkg-query -W -f='${Version}' gcc-mingw-w64-base) |" \
        "| winpthreads (MinGW-w64) | $(dpkg-query -W -f='${Version}' mingw-w64-common) |" \
        "apt-get source qt6-base" "qtsvg-everywhere-src-6.4.2.tar.xz" "scripts/build-qt-windows" \
        "with the fix for CVE-2023-32573"; do
    grep -qF "$line" "$page" || fail "THIRD-PARTY.md does not say: $line"
done
# Every DLL in the folder is named on the page or is the program's own module.
for dll in $(cd "$folder" && find . -name '*.dll' | sed 's|^\./||; s|.*/||'); do
    [ "$dll" = cepstats.dll ] || grep -qF "$dll" "$page" || fail "THIRD-PARTY.md does not name $dll"
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
