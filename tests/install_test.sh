#!/usr/bin/env bash
# The game as installed: cmake --install into a staging folder, then
#   - the files are where Debian's games keep theirs;
#   - the launcher, started from an unrelated folder under the dummy driver
#     with Q held, finds every file, prints the board trace and exits 0;
#     without a picture it passes the game's status 1 through;
#   - desktop-file-validate accepts the desktop entry and man finds nothing
#     to warn about in the manual page.
#
#   install_test.sh CMAKE BUILD_DIR PRELOAD REFEREE_CLI
# PRELOAD: the key script library (after the sanitizer's runtime, if any).
set -uo pipefail
cmake=$1 build=$2 preload=$3 referee=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

stage=$work/stage/usr
"$cmake" --install "$build" --prefix "$stage" >"$work/install.log" || { cat "$work/install.log"; exit 1; }
installed=$(cd "$stage" && find . -type f -o -type l | sort | tr '\n' ' ')
expected="./games/pellmor ./lib/games/pellmor/pellmor ./share/applications/pellmor.desktop \
./share/doc/pellmor/changelog.gz ./share/doc/pellmor/copyright ./share/games/pellmor/bombe.bmp \
./share/games/pellmor/delusion.ttf ./share/games/pellmor/monster.bmp ./share/games/pellmor/monstertod.bmp \
./share/games/pellmor/punkt.bmp ./share/games/pellmor/tod.bmp ./share/games/pellmor/typ.bmp \
./share/games/pellmor/win.bmp ./share/icons/hicolor/128x128/apps/pellmor.png \
./share/icons/hicolor/64x64/apps/pellmor.png ./share/lintian/overrides/pellmor ./share/man/man6/pellmor.6.gz \
./share/pixmaps/pellmor.png "
[ "$installed" = "$expected" ] || fail "installed: $installed"
[ -r "$stage/share/games/pellmor/delusion.ttf" ] || fail "delusion.ttf does not lead to a font"

# Started by name from elsewhere, as a menu or a shell would.
mkdir "$work/elsewhere"
run_game() {
    (cd "$work/elsewhere" && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy LD_PRELOAD=$preload PELLMOR_KEYS=q \
        PELLMOR_LOG=$work/log timeout 60 "$stage/games/pellmor" >"$work/out" 2>"$work/err")
}
run_game
status=$?
[ "$status" -eq 0 ] || fail "the launcher exited with $status: $(cat "$work/err")"
"$referee" out "" >"$work/board"
cmp -s "$work/out" "$work/board" || fail "the launcher's game did not print the board trace: $(head -3 "$work/out")"
[ "$(grep -c '^open ' "$work/log")" -eq 8 ] || fail "the game did not open its eight files: $(grep '^open' "$work/log")"

mv "$stage/share/games/pellmor/typ.bmp" "$work/typ.bmp"
run_game
status=$?
[ "$status" -eq 1 ] || fail "without typ.bmp the launcher exited with $status, not 1"
grep -q "^Can't load typ of typ.bmp. " "$work/out" || fail "without typ.bmp: $(cat "$work/out")"

desktop-file-validate "$stage/share/applications/pellmor.desktop" || fail "desktop-file-validate"
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$stage/share/man/man6/pellmor.6.gz" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "man --warnings: $warnings"

[ "$failures" -eq 0 ] && echo "the installed game works"
exit $((failures > 0))
