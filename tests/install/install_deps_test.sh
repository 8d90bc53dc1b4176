#!/bin/sh
# SPDX-License-Identifier: MIT
# Usage: install_deps_test.sh SOURCE_FOLDER
# What scripts/install-deps says and does, with stand-ins for dpkg-query, id,
# sudo and apt-get and an apt folder of its own: a user without root is told
# everything the Windows build lacks and the exact command, from the project
# folder; as root it names the deb-src file it really writes.
set -eu
src="$1"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
mkdir -p "$tmp/bin" "$tmp/apt/sources.list.d"
# dpkg-query: every package is installed but those STAND_IN_MISSING matches.
cat >"$tmp/bin/dpkg-query" <<'STAND_IN'
#!/bin/sh
for last; do :; done
echo "$last" | grep -Eqx "${STAND_IN_MISSING:-}" || printf 'install ok installed'
exit 0
STAND_IN
printf '#!/bin/sh\n[ "$1" = -u ] && echo "$STAND_IN_UID" || echo nobody\n' >"$tmp/bin/id"
printf '#!/bin/sh\nexit 1\n' >"$tmp/bin/sudo"
printf '#!/bin/sh\necho "apt-get $*" >>"$STAND_IN_DIR/apt-get.log"\n' >"$tmp/bin/apt-get"
chmod +x "$tmp/bin"/*
run() {
    (cd "$src" && STAND_IN_DIR="$tmp" STAND_IN_UID="$1" STAND_IN_MISSING="$2" CEP_APT_ETC="$tmp/apt" PATH="$tmp/bin:$PATH" \
        sh scripts/install-deps --windows </dev/null 2>&1)
}
advice="Install it as root, from the project folder: cd '$src' && su -c 'sh scripts/install-deps --windows' (or, where you may use sudo: sudo sh scripts/install-deps --windows)"

# The Windows build's tools missing, one other package, no deb-src entry.
echo "deb http://deb.example/debian bookworm main" >"$tmp/apt/sources.list"
said="$(run 1000 '.*mingw.*|wine|wine64|nsis|xvfb')" && fail "a user without root was not stopped"
expected="The Windows build needs what this system lacks: MinGW-w64 (g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 libz-mingw-w64-dev); Wine (wine wine64); NSIS (nsis); other packages (xvfb); a deb-src entry for apt (Qt for Windows is built from Debian's source packages).
$advice"
[ "$said" = "$expected" ] || fail "all missing: said
$said"

# Only Wine and the deb-src entry.
said="$(run 1000 'wine|wine64')" && fail "a user without root was not stopped"
[ "$said" = "The Windows build needs what this system lacks: Wine (wine wine64); a deb-src entry for apt (Qt for Windows is built from Debian's source packages).
$advice" ] || fail "Wine and deb-src missing: said
$said"

# Everything there: silent, for anyone.
echo "deb-src http://deb.example/debian bookworm main" >>"$tmp/apt/sources.list"
said="$(run 1000 "")" || fail "nothing missing, yet it failed: $said"
[ -z "$said" ] || fail "nothing missing, yet it said: $said"

# As root, with a one-line sources.list: the .list file, named as written.
echo "deb http://deb.example/debian bookworm main" >"$tmp/apt/sources.list"
said="$(run 0 "")" || fail "as root it failed: $said"
written="$tmp/apt/sources.list.d/cepcalc-deb-src.list"
[ "$(echo "$said" | head -n1)" = "Adding the deb-src entries of the configured archives: $written" ] ||
    fail "as root it said: $said"
[ "$(cat "$written")" = "deb-src http://deb.example/debian bookworm main" ] || fail "it wrote: $(cat "$written")"
[ ! -e "$tmp/apt/sources.list.d/cepcalc-deb-src.sources" ] || fail "it left a .sources file too"
grep -q "^apt-get update" "$tmp/apt-get.log" || fail "apt-get update was not run after adding the entry"

# As root, with deb822 .sources files: the .sources file.
rm -f "$written" "$tmp/apt/sources.list"
printf 'Types: deb\nURIs: http://deb.example/debian\nSuites: bookworm\nComponents: main\n' \
    >"$tmp/apt/sources.list.d/debian.sources"
said="$(run 0 "")" || fail "as root it failed: $said"
written="$tmp/apt/sources.list.d/cepcalc-deb-src.sources"
[ "$(echo "$said" | head -n1)" = "Adding the deb-src entries of the configured archives: $written" ] ||
    fail "as root, deb822: it said: $said"
grep -qx "Types: deb-src" "$written" || fail "the .sources file holds: $(cat "$written")"
echo "install-deps: every message as expected"
