#!/bin/sh
# SPDX-License-Identifier: MIT
# Usage: same_as_linux.sh LINUX_CEP_REPORT WINDOWS_CEP_REPORT WINE_RUN SAMPLES
# Runs both builds of cep-report on every sample group file in every mode,
# on a name outside the ANSI code page and on a wildcard, and passes when
# stdout, stderr, the exit status and every picture are the same bytes.
set -eu
linux=$1 windows=$2 wine_run=$3 samples=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/data"
cp "$samples"/* "$work/data/"
cd "$work/data"
# The sample files in the order the Windows program lists a wildcard's
# matches: letter case aside.
all=$(for f in *.grp *.GRP; do [ -f "$f" ] && echo "$f"; done | LC_ALL=C sort -f | tr '\n' ' ')
cp "$samples/range1.grp" "$work/data/目標.grp"
# From here on the arguments reach both programs as written: "*.grp" is for
# cep-report.exe to expand.
set -f
failures=0 runs=0

# compare NAME ARGS...: the same arguments to both, except that "*.grp"
# stands for the files a Unix shell would give in its place.
compare() {
    name=$1
    shift
    rm -rf "$work/svg-l" "$work/svg-w"
    linux_args=$(echo "$*" | sed "s|\\*\\.grp|$all 目標.grp|; s|SVGDIR|$work/svg-l|")
    windows_args=$(echo "$*" | sed "s|SVGDIR|Z:$work/svg-w|")
    set +e
    # shellcheck disable=SC2086
    LC_ALL=C.UTF-8 "$linux" $linux_args >"$work/l.out" 2>"$work/l.err"
    echo "status $?" >>"$work/l.err"
    # shellcheck disable=SC2086
    "$wine_run" "$windows" $windows_args >"$work/w.out" 2>"$work/w.err"
    status=$?
    # Now and then, on a loaded machine, Wine ends a program before it ran
    # (no output at all): that program is started once more, and said so.
    if [ ! -s "$work/w.out" ] && [ ! -s "$work/w.err" ] && [ "$(cat "$work/l.out" "$work/l.err")" != "status 0" ]; then
        echo "started again under Wine: $name"
        # shellcheck disable=SC2086
        "$wine_run" "$windows" $windows_args >"$work/w.out" 2>"$work/w.err"
        status=$?
    fi
    echo "status $status" >>"$work/w.err"
    set -e
    runs=$((runs + 1))
    if ! cmp -s "$work/l.out" "$work/w.out" || ! cmp -s "$work/l.err" "$work/w.err"; then
        echo "DIFFERENT: $name"
        diff "$work/l.out" "$work/w.out" | head -5 || true
        diff "$work/l.err" "$work/w.err" | head -5 || true
        failures=$((failures + 1))
    elif [ -d "$work/svg-l" ] && ! diff -r "$work/svg-l" "$work/svg-w" >/dev/null; then
        echo "DIFFERENT pictures: $name"
        failures=$((failures + 1))
    fi
}

for file in $all 目標.grp missing.grp; do
    compare "text $file" "$file"
    compare "text 200 $file" --range 200 "$file"
    compare "csv $file" --csv "$file"
    compare "stats $file" --stats --svg SVGDIR "$file"
    compare "stats json $file" --stats --json --level 0.9 "$file"
    compare "stats options $file" --stats --range 300 --level 0.99 --exclude 1 "$file"
    compare "stats strict $file" --stats --strict --json --exclude 2,3 --svg SVGDIR "$file"
    compare "compare $file" --compare "$file" tight5.grp
    compare "compare json $file" --compare --json hunting10.grp "$file"
done
compare "compare options" --compare --range 200 --level 0.9 --strict --svg SVGDIR hunting10.grp flyer7.grp
compare "compare json options" --compare --json --range 50 --level 0.99 strung10.grp tight5.grp
compare "wildcard" "*.grp"
compare "wildcard csv" --csv "*.grp"
compare "wildcard stats" --stats --json "*.grp"
compare "pool" --stats --pool --target 3moa --click 1/8moa session1.grp session2.grp session3.grp
compare "pool json svg" --stats --pool --json --svg SVGDIR --target 10cm --click 0.1mil --aim 0.5,1 session1.grp missing.grp session2.grp session3.grp
compare "pool of all" --stats --pool "*.grp"
compare "target click aim" --stats --target 4in --click 0.5in --aim -0.25,0.5 hunting10.grp flyer7.grp
compare "target json" --stats --json --target 2moa --range 300 prone200.grp strung10.grp
compare "usage" --stats --level 2 range1.grp
compare "usage target" --stats --target 0in range1.grp
compare "usage pool" --compare --pool range1.grp tight5.grp
compare "help" --help
echo "$runs runs, $failures different"
[ "$failures" -eq 0 ]
