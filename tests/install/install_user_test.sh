#!/bin/sh
# SPDX-License-Identifier: MIT
# Usage: install_user_test.sh SOURCE_FOLDER BUILD_FOLDER
# The user install from BUILD_FOLDER into throw-away homes, once with the
# default data folder and once with XDG_DATA_HOME: exactly the expected files
# where the desktop looks, a menu entry that desktop-file-validate accepts
# and that starts the installed program; then the uninstall, which removes
# all of it but the user's CEP.csv.
set -eu
src="$1"
build="$2"
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
command -v desktop-file-validate >/dev/null 2>&1 ||
    fail "desktop-file-validate is missing: install desktop-file-utils (sh scripts/install-deps)"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

# Data folder paths of the installed files, as find prints them.
{
    echo ./CEPcalc/.installed-files
    echo ./CEPcalc/cep-report
    # cep-scan, where OpenCV was there to build it.
    if [ -f "$build/bin/cep-scan" ]; then echo ./CEPcalc/cep-scan; fi
    echo ./CEPcalc/cepcalc
    # The statistics window's module, where Qt SVG was there to build it.
    if [ -f "$build/bin/cepstats.so" ]; then echo ./CEPcalc/cepstats.so; fi
    (cd "$src/yourdata" && find . -type f | sed 's|^\./|./CEPcalc/yourdata/|')
    echo ./applications/cepcalc.desktop
    echo ./icons/hicolor/32x32/apps/cepcalc.png
} | LC_ALL=C sort >"$tmp/expected"

names="cepcalc and cep-report"
links="cep-report cepcalc"
if [ -f "$build/bin/cep-scan" ]; then
    names="cepcalc, cep-report and cep-scan"
    links="cep-report cep-scan cepcalc"
fi

for where in default xdg; do
    export HOME="$tmp/$where/home"
    mkdir -p "$HOME"
    if [ "$where" = xdg ]; then
        export XDG_DATA_HOME="$tmp/$where/data"
        data="$XDG_DATA_HOME"
    else
        unset XDG_DATA_HOME
        data="$HOME/.local/share"
    fi
    prog="$data/CEPcalc"
    entry="$data/applications/cepcalc.desktop"

    # A second install over the first replaces the files and lists them once.
    sh "$src/scripts/install-user" --from "$build" >/dev/null
    sh "$src/scripts/install-user" --from "$build" >"$tmp/out"
    printf '%s\n' \
        "Installed the CEP Calculator in $prog (Save writes CEP.csv there), with its menu entry $entry." \
        "$names start from any folder through $HOME/.local/bin (on the PATH from your next login, if it was not there before)." \
        "To remove it: sh scripts/install-user --uninstall" | diff - "$tmp/out" || fail "$where: install message"
    (cd "$data" && find . -type f | LC_ALL=C sort) | diff "$tmp/expected" - || fail "$where: installed files"
    { grep -v '/\.installed-files$' "$tmp/expected" | sed "s|^\.|$data|"
      for link in $links; do echo "$HOME/.local/bin/$link"; done; } | LC_ALL=C sort |
        diff - "$prog/.installed-files" || fail "$where: uninstall list"
    # The README's examples, as typed in the project folder after the install.
    (cd "$src" && PATH="$HOME/.local/bin:$PATH" cep-report --stats yourdata/hunting10.grp | head -n1) |
        grep -qxF "hunting10.grp: 10 shots at 100 yards, intervals at 95% confidence, circles as diameters" || fail "$where: cep-report on the PATH"
    [ "$(readlink "$HOME/.local/bin/cepcalc")" = "$prog/cepcalc" ] || fail "$where: cepcalc link"

    grep -qxF "Exec=\"$prog/cepcalc\"" "$entry" || fail "$where: Exec does not name $prog/cepcalc"
    validation="$(desktop-file-validate "$entry" 2>&1)" || fail "$where: desktop-file-validate: $validation"
    [ -z "$validation" ] || fail "$where: desktop-file-validate: $validation"
    cmp "$src/ui/resources/cepcalc.png" "$data/icons/hicolor/32x32/apps/cepcalc.png" || fail "$where: icon"
    [ -x "$prog/cepcalc" ] || fail "$where: cepcalc is not executable"
    "$prog/cep-report" --range 100 "$prog/yourdata/range1.grp" >/dev/null || fail "$where: installed cep-report"

    echo "range1.grp,100,1,2,3,0.5" >"$prog/CEP.csv"
    cp "$prog/CEP.csv" "$tmp/saved"
    sh "$src/scripts/install-user" --uninstall >"$tmp/out"
    printf '%s\n' "Removed the CEP Calculator and its menu entry." \
        "Your saved results stay in $prog/CEP.csv." | diff - "$tmp/out" || fail "$where: uninstall message"
    [ "$(cd "$data" && find . | LC_ALL=C sort | tr '\n' ' ')" = ". ./CEPcalc ./CEPcalc/CEP.csv " ] ||
        fail "$where: the uninstall left more than CEP.csv"
    for link in $links; do [ ! -e "$HOME/.local/bin/$link" ] || fail "$where: the link $link stayed"; done
    cmp "$tmp/saved" "$prog/CEP.csv" || fail "$where: CEP.csv changed"
done
echo "install.user: passed"
