#!/bin/sh
# SPDX-License-Identifier: MIT
# Counts the instructions the window takes from process start to its first
# paint, and those of a window with the same widgets, texts and fonts but
# none of the program's logic, under callgrind; prints both and their ratio.
# Usage: sh bench/startup/measure.sh [--keep DIR] CEPCALC REFERENCE PRELOAD
#   (or: cmake --build build --target startup_bench)
# Qt draws offscreen unless QT_QPA_PLATFORM names another platform (xcb with
# DISPLAY set measures the X11 start-up). With --keep the callgrind files stay
# in DIR, for callgrind_annotate.
set -eu
keep=""
if [ "${1:-}" = "--keep" ]; then
    keep="$2"
    shift 2
fi
[ $# -eq 3 ] || { echo "usage: sh $0 [--keep DIR] CEPCALC REFERENCE PRELOAD" >&2; exit 2; }
window="$(realpath -e "$1")" reference="$(realpath -e "$2")" preload="$(realpath -e "$3")"
command -v valgrind >/dev/null || { echo "measure.sh: valgrind is not installed (Debian package valgrind)" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
out="${keep:-$work}"
mkdir -p "$out"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
export XDG_RUNTIME_DIR="$work"

count() {
    name="$1" program="$2"
    # Once without valgrind: fontconfig builds its cache on a first run, which
    # is not what a start-up costs.
    # A program that never paints is stopped rather than waited for.
    LD_PRELOAD="$preload" timeout 60 "$program" >/dev/null 2>&1
    LD_PRELOAD="$preload" timeout 600 valgrind --tool=callgrind --callgrind-out-file="$out/$name.callgrind" \
        "$program" >"$work/$name.log" 2>&1 || { cat "$work/$name.log" >&2; exit 1; }
    sed -n 's/^summary: *//p' "$out/$name.callgrind"
}

w="$(count window "$window")"
r="$(count reference "$reference")"
printf 'window     %12s instructions  %s\n' "$w" "$window"
printf 'reference  %12s instructions  %s\n' "$r" "$reference"
awk -v w="$w" -v r="$r" 'BEGIN { printf "ratio      %12.3f\n", w / r }'
