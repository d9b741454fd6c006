#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Pellmor developers
# SPDX-License-Identifier: MIT
# On demand, not in CI, as root: tests/fresh_debian.sh [RELEASE ...] (bookworm trixie testing by default). Pellmor as
# a new user meets it on a fresh Debian 12, 13 and testing (SDL 3 under sdl12-compat, where the player's tests play
# on Wayland too), in roots made with debootstrap (minbase: no compiler, make, cmake, git
# or sudo), from the release's source tarball (./setup.sh source: what is committed, without git): the steps below,
# then the .deb installed into a second fresh root, started from another folder and removed again. A line for each step, with its time; exits 1 if one failed. Roots
# are made under ${PELLMOR_ROOTS:-/var/tmp/pellmor-roots} and removed; debootstrap's downloads are kept there.
set -uo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
roots=${PELLMOR_ROOTS:-/var/tmp/pellmor-roots}
mirror=http://deb.debian.org/debian
releases=("$@")
[ ${#releases[@]} -gt 0 ] || releases=(bookworm trixie testing)
[ "$(id -u)" -eq 0 ] || { echo "fresh_debian.sh: needs root (debootstrap, chroot)" >&2; exit 2; }

tools=(debootstrap xvfb xdotool x11-utils git)
dpkg-query -W -f='${Status}\n' "${tools[@]}" 2>/dev/null | grep -c "install ok installed" | grep -qx ${#tools[@]} ||
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${tools[@]}" >/dev/null

mkdir -p "$roots"
log=$roots/log
: >"$log"
failures=0
results=()
step() {  # step NAME COMMAND...: runs it, logs it, times it
    local name=$1 start=$SECONDS verdict=passed
    shift
    echo "== $name" >>"$log"
    "$@" >>"$log" 2>&1 || { verdict=FAILED; failures=$((failures + 1)); }
    results+=("$(printf '%-9s %-52s %-6s  %4d s' "$release" "$name" "$verdict" $((SECONDS - start)))")
    echo "${results[-1]}"
}

# The game's window on our own X server. Without -noreset the server resets whenever its last client leaves, as
# each xdotool poll does, and a game that connects during a reset is refused ("Couldn't open X11 display").
display=:99
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
mounted=()
cleanup() {
    for ((i = ${#mounted[@]} - 1; i >= 0; --i)); do umount -l "${mounted[i]}" 2>/dev/null; done
    kill "$xvfb" 2>/dev/null
}
trap cleanup EXIT

new_root() {  # new_root RELEASE DIR: a fresh minbase root, ready to chroot into
    local tarball=$roots/$1-minbase.tgz fs
    rm -rf "$2"
    [ -f "$tarball" ] || { rm -rf "$2.download" && debootstrap --variant=minbase --make-tarball="$tarball" "$1" "$2.download" "$mirror" && rm -rf "$2.download"; } || return 1
    debootstrap --variant=minbase --unpack-tarball="$tarball" "$1" "$2" "$mirror" || return 1
    cp /etc/resolv.conf "$2/etc/resolv.conf"
    # A mirror's copy of testing may carry a Release file past its date; a real testing machine's is fresh.
    [ "$1" != testing ] || echo 'Acquire::Check-Valid-Until "false";' >"$2/etc/apt/apt.conf.d/99pellmor-tests"
    for fs in proc sys dev dev/pts tmp/.X11-unix; do
        mkdir -p "$2/$fs"
        case $fs in
        proc) mount -t proc proc "$2/proc" ;;
        sys) mount -t sysfs sys "$2/sys" ;;
        dev/pts) mount -t devpts devpts "$2/dev/pts" ;;
        *) mount --bind "/$fs" "$2/$fs" ;;
        esac && mounted+=("$2/$fs")
    done
}

# A command in a root, as from a plain login shell there.
in_root() {  # in_root ROOT USER COMMAND
    local home=/root
    [ "$2" = root ] || home=/home/$2
    chroot "$1" /usr/sbin/runuser -u "$2" -- /usr/bin/env -i HOME="$home" TERM=dumb DISPLAY="$display" \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin /bin/bash -c "$3"
}

in_build() { in_root "$build" root "cd /home/player/pellmor && $1"; }  # as root, in the copy

drop_root() {  # unmounts and removes a root
    local fs
    for fs in tmp/.X11-unix dev/pts dev sys proc; do umount -l "$1/$fs" 2>/dev/null; done
    rm -rf "$1"
}

# Runs COMMAND in ROOT with DISPLAY set, waits for the game's window, presses Q and expects status 0. The time to
# the window goes to the log.
window_comes_up() {  # window_comes_up ROOT COMMAND
    local start=$SECONDS
    in_root "$1" root "$2" &
    local pid=$!
    until DISPLAY=$display xdotool search --name '^Pellmor$' >/dev/null 2>&1; do
        kill -0 "$pid" 2>/dev/null || { echo "ended before its window came up"; return 1; }
        [ $((SECONDS - start)) -lt 1800 ] || { kill "$pid"; echo "no window in 30 minutes"; return 1; }
        sleep 0.2
    done
    echo "the window came up after $((SECONDS - start)) s"
    # A press that comes while the window is still being set up may be lost: press again, as a player would.
    for _ in 1 2 3 4 5 6 7 8 9 10; do
        sleep 1
        DISPLAY=$display xdotool keydown q sleep 0.2 keyup q
        kill -0 "$pid" 2>/dev/null || break
    done
    wait "$pid"
}

for release in "${releases[@]}"; do
    build=$roots/$release-build install=$roots/$release-install
    step "a fresh $release root (debootstrap minbase)" new_root "$release" "$build" || continue
    useradd --root "$build" --create-home player
    # The game's own tarball, not the libraries' sources beside it.
    step "./setup.sh source: the tarball, unpacked for a user" bash -c "cd '$repo' && ./setup.sh source &&
        tar -xzf \$(ls build/pellmor-*.tar.gz | grep -v -- -libraries) -C '$build/home/player' &&
        mv '$build'/home/player/pellmor-* '$build/home/player/pellmor' && chown -R 1000:1000 '$build/home/player/pellmor'"
    step "./setup.sh run, a user without root: says what to run" in_root "$build" player \
        "cd ~/pellmor && out=\$(./setup.sh run 2>&1); status=\$?; echo \"\$out\"; [ \$status -ne 0 ] && grep -q '^  apt-get install' <<<\"\$out\""
    step "./setup.sh web: build-web/page/ and its zip" in_build "./setup.sh web && test -s build-web/page/index.html && test -s build-web/pellmor-web.zip"
    step "./setup.sh run: the game's window, then Q" window_comes_up "$build" "cd /home/player/pellmor && ./setup.sh run"
    step "./setup.sh test: every test passes" in_build "./setup.sh test"
    step "tests/classic_sdl.sh: SDL 1.2.15 tested, or said to be skipped" in_build tests/classic_sdl.sh
    step "./setup.sh package and packaging/lint.sh" in_build "./setup.sh package && packaging/lint.sh build/pellmor_*.deb"
    if in_build "apt-get install -s -q wine >/dev/null 2>&1"; then
        step "./setup.sh windows-test: the Windows build's tests pass" in_build "./setup.sh windows-test"
    else
        step "./setup.sh windows-test: says $release has no Wine" in_build \
            "out=\$(./setup.sh windows-test 2>&1); status=\$?; echo \"\$out\"; [ \$status -ne 0 ] && grep -q 'needs.*\<wine\>' <<<\"\$out\""
        step "./setup.sh windows: pellmor-windows.zip, untested" in_build "./setup.sh windows && test -s build-windows/pellmor-windows.zip"
    fi
    step "./setup.sh web-test: the page plays in Chromium" in_build "./setup.sh web-test"
    step "a second fresh $release root" new_root "$release" "$install"
    cp "$build"/home/player/pellmor/build/pellmor_*.deb "$install/tmp/" 2>/dev/null
    # On Debian 12 the package brings sdl12-compat, not the classic SDL.
    step "apt-get install ./pellmor_*.deb" in_root "$install" root \
        "apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q /tmp/pellmor_*.deb &&
         { [ $release != bookworm ] || dpkg -s libsdl1.2-compat-shim >/dev/null; }"
    step "/usr/games/pellmor from /: the window, then Q" window_comes_up "$install" "cd / && /usr/games/pellmor"
    step "apt-get remove pellmor: nothing of it left" in_root "$install" root \
        "apt-get remove -y -q pellmor && ! ls /usr/games/pellmor /usr/share/games/pellmor 2>/dev/null"
    grep -h "window came up\|tests passed\|classic_sdl.sh: skipped\|is clean" "$log" | tail -5 | sed "s/^/$release: /"
    drop_root "$install"
    drop_root "$build"
done

echo
printf '%s\n' "${results[@]}"
echo "fresh_debian.sh: $failures step(s) failed; the whole log is $log"
exit $((failures > 0))
