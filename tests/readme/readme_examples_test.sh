#!/bin/sh
# SPDX-License-Identifier: MIT
# Usage: readme_examples_test.sh SOURCE_FOLDER PROGRAM_FOLDER
# Runs every example the README shows with its output ("    $ command" and
# the indented lines under it) from the project folder, with the built
# programs first on the PATH, and compares what it prints (stdout and stderr
# as a terminal shows them) with what the README shows. In the README's
# lines "..." stands for any text, and a line of "..." alone for any lines.
set -eu
src="$1"
programs="$2"
cd "$src"
PATH="$programs:$PATH" LC_ALL=C.UTF-8 LANGUAGE= awk '
function glob(line,    i, c, out) {
    out = ""
    for (i = 1; i <= length(line); i++) {
        if (substr(line, i, 3) == "...") { out = out ".*"; i += 2; continue }
        c = substr(line, i, 1)
        if (c ~ /[][\\.^$*+?(){}|\/]/) out = out "\\" c; else out = out c
    }
    return "^" out "$"
}
function check(    n, line, got, i, j, ok, why, run) {
    if (command == "") return
    n = 0
    run = "{ " command "; } 2>&1"
    while ((run | getline line) > 0) got[++n] = line
    close(run)
    i = 1; j = 1; ok = 1; why = ""
    while (i <= want_count) {
        if (want[i] == "...") {
            if (i == want_count) { j = n + 1; i++; continue }
            while (j <= n && got[j] !~ glob(want[i + 1])) j++
            i++
            continue
        }
        if (j > n) { ok = 0; why = "missing: " want[i]; break }
        if (got[j] !~ glob(want[i])) { ok = 0; why = "shows:  " want[i] "\n    printed: " got[j]; break }
        i++; j++
    }
    if (ok && j <= n) { ok = 0; why = "printed more: " got[j] }
    examples++
    if (!ok) { failures++; printf "README line %d: %s\n    %s\n", start, command, why }
    command = ""; want_count = 0
}
/^    \$ / { check(); command = substr($0, 7); start = NR; next }
command != "" && /^    / { want[++want_count] = substr($0, 5); next }
{ check() }
END {
    check()
    printf "%d examples, %d different\n", examples, failures
    exit failures > 0
}' README.md
