#!/usr/bin/env bash
# Plays the Windows zip under Wine as a player would, on a private X server:
# windows.sh ZIP [CASE...] runs the cases named, or all of them; ZIP lies in its build folder,
# whose assets.txt names the game's files. LINUX_ZORVANEL, when set, names the Linux game, whose
# frame the Wine frame must match.
set -euo pipefail
tests=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
ZIP=$(realpath "${1:?usage: windows.sh ZIP [CASE...]}")
shift
ZORVANEL=$(dirname "$ZIP")/zorvanel.exe  # the build's, for its list; wine.sh names the zip's
source "$tests/../desktop/harness.sh"
source "$tests/wine.sh"

# Band of rows of the frame in $1 that holds the instruction line, as raw pixels.
instruction_band() { convert "$1" -crop "${WINDOW_SIZE%x*}x30+0+183" -depth 8 rgb:- | digest; }

case_window() {
    launch
    [ "$(xdotool getwindowname "$win")" = Zorvanel ] || fail "caption is not Zorvanel"
    expect_size
    shows_pictures
    [ -z "${SHOTS:-}" ] || cp "$work/shot.png" "$SHOTS/wine.png"
    xdotool key q
    expect_exit 0
    expect_trace "${LAYOUT_TRACE[@]}"
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

case_missing_picture() {
    rm "$work/play/${PICTURES[-1]}"
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
start_wine
for case in "$@"; do
    windows_gone
    make_play_dir
    "case_$case"
    echo "ok: windows $case"
done
