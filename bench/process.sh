#!/bin/sh
# SPDX-License-Identifier: MIT
# Whole-process timings of cep-report: --stats on the largest group a file can
# declare, and 1,000 five-shot files in one call, --stats against the default
# mode. Usage: sh bench/process.sh [path/to/cep-report]  (hyperfine if present)
set -eu
report="$(realpath "${1:-build/bin/cep-report}")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

# Round normal groups (Box-Muller), four decimals as a shooter's file holds them.
awk -v n=32766 -v files=1 -v small=5 'BEGIN {
    srand(7)
    for (f = 0; f <= 1000; f++) {
        name = f == 0 ? "large.grp" : sprintf("small/g%04d.grp", f)
        shots = f == 0 ? n : small
        if (f == 1) system("mkdir -p small")
        printf "CEP group file\r\nbenchmark group\r\n%d\r\n", shots > name
        for (i = 0; i < shots; i++) {
            r = sqrt(-2 * log(1 - rand())) * 0.6; a = 6.283185307179586 * rand()
            printf "%.4f,%.4f\r\n", r * cos(a), r * sin(a) > name
        }
        close(name)
    }
}'

if command -v hyperfine >/dev/null 2>&1; then
    hyperfine -N --style basic --warmup 20 --min-runs 200 \
        -n "stats mode, 32766 shots" "$report --stats large.grp" \
        -n "default mode, 32766 shots" "$report large.grp"
    hyperfine --style basic --warmup 3 --min-runs 30 \
        -n "stats mode, 1000 files" "$report --stats small/*.grp >/dev/null" \
        -n "stats mode as JSON, 1000 files" "$report --stats --json small/*.grp >/dev/null" \
        -n "stats mode as JSON with a target and a click, 1000 files" \
        "$report --stats --json --target 10in --click 0.1mil small/*.grp >/dev/null" \
        -n "default mode, 1000 files" "$report small/*.grp >/dev/null"
else
    for args in "--stats large.grp" "large.grp" "--stats small/*.grp" "small/*.grp" "--stats --json small/*.grp" \
        "--stats --json --target 10in --click 0.1mil small/*.grp"; do
        start=$(date +%s%N)
        for _ in $(seq 50); do sh -c "$report $args >/dev/null"; done
        echo "$args: $(( ($(date +%s%N) - start) / 50000 )) us per run (with a shell)"
    done
fi
