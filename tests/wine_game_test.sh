#!/usr/bin/env bash
# The Windows build under Wine, run as a player runs it, from the folder
# that the zip unpacks to:
#   - the zip holds the program, its eight data files and two texts;
#   - without any one of its eight files, the shipped pellmor.exe stops at
#     start-up with that file's message and exit status 1;
#   - Q held at once: the 77-line board trace, status 0;
#   - whole scripted games (won, caught, a window close) print and pause
#     exactly as the referee says, with this C library's rand();
#   - damaged data files, a sample of the kind the Linux suite runs
#     (PELLMOR_FUZZ sets how many, 48 by default): each stops at start-up
#     with that file's message and status 1, or plays with its score drawn,
#     within 5 seconds.
# Windows ends its lines with CR LF; the CRs are removed before comparing.
#
#   wine_game_test.sh WINE PELLMOR_ZIP SCRIPTED_EXE REFEREE_EXE
set -uo pipefail
wine=$1 zip=$2 scripted=$3 referee=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
data_files=(typ.bmp punkt.bmp bombe.bmp monster.bmp tod.bmp win.bmp monstertod.bmp delusion.ttf)

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# Runs a program under Wine in the folder $1; its standard output, without
# CRs, goes to $work/out, its status to $status.
run_in() {
    local dir=$1
    shift
    (cd "$dir" && timeout "${limit:-60}" "$wine" "$@" </dev/null >"$work/out.crlf" 2>"$work/err")
    status=$?
    tr -d '\r' <"$work/out.crlf" >"$work/out"
}

(cd "$work" && cmake -E tar xf "$zip")
shipped=$work/pellmor-windows
contents=$(cd "$shipped" && ls | sort | tr '\n' ' ')
expected=$(printf '%s\n' pellmor.exe "${data_files[@]}" README.txt delusion.ttf-copyright.txt | sort | tr '\n' ' ')
[ "$contents" = "$expected" ] || fail "the zip holds $contents, not $expected"

# The game's folder: the zip's eight data files, less those named.
game_folder() {
    rm -rf "$work/game"
    mkdir "$work/game"
    for file in "${data_files[@]}"; do cp "$shipped/$file" "$work/game/"; done
    for file in "$@"; do rm "$work/game/$file"; done
}

for file in "${data_files[@]}"; do
    game_folder "$file"
    run_in "$work/game" "$shipped/pellmor.exe"
    message="Can't load typ of $file. "
    [ "$file" = delusion.ttf ] && message="Can't load font delusion.ttf. "
    [ "$status" -eq 1 ] || fail "without $file: exit status $status, not 1"
    [ "$(wc -l <"$work/out")" -eq 1 ] && [[ "$(cat "$work/out")" == "$message"* ]] ||
        fail "without $file: printed '$(cat "$work/out")', not '$message...'"
done

# Plays a key script in the scripted game and compares with the referee.
check_game() {
    local name=$1 keys=$2
    game_folder
    rm -f "$work/log.crlf"
    PELLMOR_KEYS=$keys PELLMOR_LOG=$work/log.crlf run_in "$work/game" "$scripted"
    cp "$work/out" "$work/game.out"
    tr -d '\r' <"$work/log.crlf" >"$work/log"
    grep '^delay' "$work/log" >"$work/game.delays"
    [ "$status" -eq 0 ] || fail "$name: exit status $status: $(cat "$work/err")"
    run_in "$work" "$referee" out "$keys"
    cmp -s "$work/game.out" "$work/out" ||
        fail "$name: the game printed otherwise than the referee:$(diff "$work/game.out" "$work/out" | head -20)"
    run_in "$work" "$referee" delays "$keys"
    cmp -s "$work/game.delays" "$work/out" ||
        fail "$name: pauses $(tr '\n' ' ' <"$work/game.delays"), the referee's $(tr '\n' ' ' <"$work/out")"
}

check_game "Q at once" ""
[ "$(wc -l <"$work/game.out")" -eq 77 ] || fail "Q at once: $(wc -l <"$work/game.out") lines, not the 77 of the board"
run_in "$work" "$referee" plan-win
check_game "won" "$(cat "$work/out")"
grep -q '^delay 7000$' "$work/log" || fail "won: no 7000 ms pause for the win picture"
run_in "$work" "$referee" plan-capture
check_game "caught" "$(cat "$work/out")"
grep -q '^delay 4000$' "$work/log" || fail "caught: no 4000 ms pause for the monster picture"
check_game "window closed" "right,down,close"

game_folder
mv "$work/game" "$work/damaged"
run_in "$work/damaged" "$referee" damage 20261208 "${PELLMOR_FUZZ:-48}"
cp "$work/out" "$work/damages"
run_in "$work" "$referee" out ""
cp "$work/out" "$work/board"
# How the game in folder $1 ended with file $2 damaged: stopped, played or bad.
damaged_run() {
    rm -f "$work/log.crlf"
    local start=$(date +%s%N)
    PELLMOR_KEYS=right,down,left,up PELLMOR_LOG=$work/log.crlf limit=5 run_in "$1" "$scripted"
    local ms=$((($(date +%s%N) - start) / 1000000))
    [ "$ms" -le "$slowest" ] || slowest=$ms
    tr -d '\r' <"$work/log.crlf" >"$work/log" 2>/dev/null
    local message="Can't load typ of $2. "
    [ "$2" = delusion.ttf ] && message="Can't load font delusion.ttf. "
    if [ "$status" -eq 1 ] && [ "$(wc -l <"$work/out")" -eq 1 ] && [[ "$(cat "$work/out")" == "$message"* ]]; then
        ended=stopped
    elif [ "$status" -eq 0 ] && head -77 "$work/out" | cmp -s - "$work/board" && grep -qx 'frames 5' "$work/log" &&
        ! grep -q '^text-failed' "$work/log"; then
        ended=played
    else
        ended="status $status, printed '$(head -c 200 "$work/out")', stderr '$(head -c 300 "$work/err")'"
    fi
}
stopped=0 played=0 slowest=0
while read -r n file change; do
    file=${file%:}
    damaged_run "$work/damaged/$n" "$file"
    # Once in a few thousand runs Wine ends a program with status 1 before it
    # has printed anything; the game itself does the same every time.
    if [ "$ended" != stopped ] && [ "$ended" != played ]; then
        echo "damaged $file ($change): $ended; again:"
        damaged_run "$work/damaged/$n" "$file"
    fi
    case $ended in
    stopped) stopped=$((stopped + 1)) ;;
    played) played=$((played + 1)) ;;
    *) fail "damaged $file ($change): $ended" ;;
    esac
done <"$work/damages"
echo "damaged files: $stopped stopped start-up, $played played; the slowest run, Wine's start included, $slowest ms"

[ "$failures" -eq 0 ] && echo "all Windows game checks passed"
exit $((failures > 0))
