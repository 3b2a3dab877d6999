#!/usr/bin/env bash
# Installs the game into a staging folder as a package would, plays it through its launcher, and validates what a desktop reads.
# BUILD_DIR names the build folder to install from, CMAKE the cmake to install with.
set -euo pipefail

: "${BUILD_DIR:?names the build folder}" "${CMAKE:?names cmake}"
ID=io.github.zorvanel.Zorvanel

work=$(mktemp -d)
xvfb_pid='' game_pid=''
cleanup() {
    [ -z "$game_pid" ] || kill -9 "$game_pid" 2>/dev/null || true
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    for f in out err; do [ -s "$work/$f" ] && { echo "std$f:"; cat "$work/$f"; }; done
    exit 1
}

# A space in the staging folder catches a launcher that splits its own path.
stage="$work/staged root"
usr="$stage/usr"
DESTDIR="$stage" "$CMAKE" --install "$BUILD_DIR" --prefix /usr >"$work/install.log" ||
    fail "install failed: $(cat "$work/install.log")"

Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 640x480x24 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.05
done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
DISPLAY=":$(cat "$work/display")"
export DISPLAY

# Starts the game with "$@" from a folder that has none of its files, and quits it with Q.
play() {
    local how=$1 win status=0
    shift
    mkdir -p "$work/elsewhere"
    (cd "$work/elsewhere" && exec "$@" >"$work/out" 2>"$work/err") &
    game_pid=$!
    win=$(timeout 10 xdotool search --sync --onlyvisible --name '^Zorvanel$' | head -n 1) ||
        fail "$how: no window came up"
    xdotool windowfocus --sync "$win"
    xdotool key q
    timeout 10 tail --pid="$game_pid" -f /dev/null || fail "$how: the game did not quit"
    wait "$game_pid" || status=$?
    game_pid=''
    [ "$status" -eq 0 ] || fail "$how: exit status $status"
    [ "$(cat "$work/out")" = "$(printf '%s\n' 153 286 419)" ] || fail "$how: wrong layout trace"
}

# A relative link in another folder, found on PATH, as a player's ~/bin might hold.
mkdir "$work/bin"
ln -s "../staged root/usr/games/zorvanel" "$work/bin/zorvanel"
play "by the launcher's path" "$usr/games/zorvanel"
play "through a link on PATH" env PATH="$work/bin:$PATH" zorvanel

# Runs a check, which must pass and say nothing, bar appstreamcli's line of success.
quiet() {
    local said
    said=$("$@" 2>&1) || fail "$*: $said"
    said=$(grep -v -x '.*Validation was successful\.' <<<"$said" || true)
    [ -z "$said" ] || fail "$1 said: $said"
}
man_page="$usr/share/man/man6/zorvanel.6"
quiet desktop-file-validate "$usr/share/applications/$ID.desktop"
quiet appstreamcli validate --no-net --pedantic "$usr/share/metainfo/io.github.zorvanel.zorvanel.metainfo.xml"
quiet appstreamcli validate-tree --no-net --pedantic "$usr"
quiet groff -man -Tutf8 -ww -z "$man_page"
lexgrog "$man_page" >/dev/null || fail "whatis cannot read the man page's NAME"

for size in 64 128; do
    icon="$usr/share/icons/hicolor/${size}x$size/apps/$ID.png"
    [ "$(identify -format '%m %wx%h' "$icon" 2>&1)" = "PNG ${size}x$size" ] || fail "no $size-pixel icon"
done
echo "ok: install"
