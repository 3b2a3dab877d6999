#!/usr/bin/env bash
# Plays the Windows zip under Wine as a player would, on a private X server:
# windows.sh ZIP [CASE...] runs the cases named, or all of them.
# LINUX_ZORVANEL, when set, names the Linux game, whose frame the Wine frame must match.
set -euo pipefail
tests=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
zip=$(realpath "${1:?usage: windows.sh ZIP [CASE...]}")
shift
ZORVANEL=unset  # set below, once the work folder is known
source "$tests/harness.sh"

# Wine gets a fresh prefix of its own, which the cases of one run share, and stays quiet.
export WINEPREFIX=$work/wine WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
# Wine's server outlives the game and writes into the prefix as it goes: it is stopped first.
trap 'wineserver -k 2>/dev/null; wineserver -w 2>/dev/null; cleanup' EXIT
unzip -q "$zip" -d "$work/zip"
unpacked=$(echo "$work"/zip/*/)
ZORVANEL=$work/play/zorvanel.exe
GAME_PREFIX=(wine)
g++ -o "$work/close_window" "$tests/close_window.cpp" -lX11

# A folder as the zip unpacks, for a case to spoil as it likes.
make_play_dir() { rm -rf "$work/play" && cp -r "$unpacked" "$work/play"; }

# SDLmain sends standard output to stdout.txt beside the exe, with Windows line ends.
expect_trace() {
    [ ! -s "$work/out" ] || fail "the console got output"
    [ "$(tr -d '\r' <"$work/play/stdout.txt")" = "$(printf '%s\n' "$@")" ] ||
        fail "stdout.txt is not $*: $(cat -A "$work/play/stdout.txt")"
}

# Waits until no game window is left: X may hold one a moment after Wine says its game ended,
# and the next launch must not take it for its own. An X error about a window that vanished
# while xdotool looked is no proof that none is left.
windows_gone() {
    local deadline=$((SECONDS + LIMIT))
    while [ -n "$(xdotool search --name '^Zorvanel$' 2>&1)" ]; do
        [ $SECONDS -lt $deadline ] || fail "a game's window outlived it"
        sleep 0.1
    done
}

# Band of rows of the frame in $1 that holds the instruction line, as raw pixels.
instruction_band() { convert "$1" -crop 430x30+0+183 -depth 8 rgb:- | digest; }

case_window() {
    launch
    [ "$(xdotool getwindowname "$win")" = Zorvanel ] || fail "caption is not Zorvanel"
    [ "$(window_size)" = 430x240 ] || fail "window is $(window_size)"
    local pictures='' slot
    for picture in "${PICTURES[@]}"; do
        pictures+=" $(convert "$work/play/$picture" -depth 8 rgb:- | digest)"
    done
    import -window "$win" "$work/shot.png"
    [ -z "${SHOTS:-}" ] || cp "$work/shot.png" "$SHOTS/wine.png"
    for x in 20 153 286; do
        slot=$(convert "$work/shot.png" -crop "128x128+$x+20" -depth 8 rgb:- | digest)
        [[ $pictures == *" $slot"* ]] || fail "no whole picture at x $x"
    done
    xdotool key q
    expect_exit 0
    expect_trace 153 286 419
    [ -n "${LINUX_ZORVANEL:-}" ] || return 0
    # The same frame on Linux, from the same pictures and font: the instruction line is the same.
    local wine_band
    wine_band=$(instruction_band "$work/shot.png")
    windows_gone
    (
        ZORVANEL=$LINUX_ZORVANEL GAME_PREFIX=()
        launch
        import -window "$win" "$work/linux.png"
        xdotool key q
        expect_exit 0
    )
    [ -z "${SHOTS:-}" ] || cp "$work/linux.png" "$SHOTS/linux.png"
    [ "$(instruction_band "$work/linux.png")" = "$wine_band" ] ||
        fail "the instruction line differs from the Linux game's"
}

case_keys_spin() {
    launch
    local before
    for key in space Return a shift Left F1; do
        before=$(frame)
        xdotool key "$key"
        frame_changes_from "$before" || fail "$key did not spin"
    done
    xdotool key Escape
    expect_exit 0
}

case_quit_q() { quit_with xdotool key q; }
case_quit_escape() { quit_with xdotool key Escape; }
case_quit_close() { quit_with close_settled_window; }
# Wine sometimes swaps a new game's X window for another just after its first frame: the close
# message goes to the window that stays, the same one seen twice half a second apart.
close_settled_window() {
    local deadline=$((SECONDS + LIMIT)) now
    while [ $SECONDS -lt $deadline ]; do
        sleep 0.5
        now=$(xdotool search --onlyvisible --name '^Zorvanel$' 2>/dev/null | tail -n 1)
        [ -n "$now" ] && [ "$now" = "$win" ] && break
        win=$now
    done
    "$work/close_window" "$win"
}

case_missing_picture() {
    rm "$work/play/seven.bmp"
    local status=0
    (cd "$work/play" && exec timeout "$LIMIT" wine "$ZORVANEL" >"$work/out" 2>&1) || status=$?
    [ "$status" -eq 1 ] || fail "exit status $status, expected 1"
    [ ! -e "$work/play/stdout.txt" ] || fail "it printed $(cat -A "$work/play/stdout.txt")"
}

[ $# -gt 0 ] || set -- window keys_spin quit_q quit_escape quit_close missing_picture
for case in "$@"; do
    declare -F "case_$case" >/dev/null || { echo "no case $case" >&2; exit 2; }
done
start_x
# One session for the whole run, which also makes the prefix (the first wine run is the slow one).
x86_64-w64-mingw32-gcc-win32 -o "$work/wine_session.exe" "$tests/wine_session.c"
wine "$work/wine_session.exe" >"$work/session" 2>&1 &
for _ in $(seq $((LIMIT * 20))); do
    grep -q ready "$work/session" && break
    sleep 0.1
done
grep -q ready "$work/session" || fail "Wine's session did not start: $(cat "$work/session")"
for case in "$@"; do
    windows_gone
    make_play_dir
    "case_$case"
    echo "ok: windows $case"
done
