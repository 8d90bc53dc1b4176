#!/bin/sh
# SPDX-License-Identifier: MIT
# Usage: layers_test.sh SOURCE_FOLDER
# The layers as the code must keep them: each folder includes only its own
# and the lower layers' headers, the plain C++ layers no Qt, and only the
# system layer and the start-up files branch on the platform.
set -eu
cd "$1"
failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}
# folder: the project folders it may include from.
allowed() {
    case "$1" in
    os) echo "os" ;;
    core) echo "os core" ;;
    export) echo "os core export" ;;
    writers) echo "os core writers" ;;
    scan) echo "os core scan" ;;
    picture) echo "os core scan picture" ;;
    cli) echo "os core export writers scan picture cli" ;;
    ui) echo "os core export writers scan picture ui" ;;
    esac
}
for layer in os core export writers scan picture cli ui; do
    [ -d "$layer" ] || continue
    for file in $(find "$layer" \( -name '*.cpp' -o -name '*.h' \) ! -path '*/picture-decoder/*'); do
        # Quoted includes name their folder from the project root.
        for included in $(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file"); do
            folder="${included%%/*}"
            [ "$folder" != "$included" ] || { fail "$file: #include \"$included\" does not name its folder"; continue; }
            case " $(allowed "$layer") " in
            *" $folder "*) ;;
            *) fail "$file: $layer/ may not include $included" ;;
            esac
        done
        case "$layer" in
        os | core | export | writers | scan)
            ! grep -Eq '^#include <Q' "$file" || fail "$file: $layer/ is plain C++ and includes Qt"
            ;;
        esac
        case "$file" in
        os/* | ui/startup_*.cpp) ;;
        *) ! grep -Eq '^#\s*if.*(_WIN32|__linux__|__unix__|__APPLE__|Q_OS_)' "$file" ||
            fail "$file branches on the platform outside the system layer and the start-up files" ;;
        esac
    done
done
# The window finds no note by searching text that a writer rendered.
! grep -rEn 'startsWith\(|linesStarting|indexOf\("(Flyer|Elongated|A \(|B \()' ui/statistics/*.cpp ||
    fail "the statistics window searches rendered text"
[ "$failed" -eq 0 ] && echo "layers kept"
exit "$failed"
