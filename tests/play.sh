#!/usr/bin/env bash
# Plays the built game as a player would, on a private X server: play.sh CASE.
# ZORVANEL names the game (its pictures and font beside it), CLOSE_WINDOW the window closer.
set -euo pipefail

: "${ZORVANEL:?names the game binary}" "${CLOSE_WINDOW:?names the close_window helper}"
BACKGROUND='srgb(0,127,255)'
PICTURES=(cherry.bmp bar.bmp bell.bmp lemon.bmp raspberry.bmp seven.bmp)

work=$(mktemp -d)
xvfb_pid='' game_pid='' win=''
cleanup() {
    [ -z "$game_pid" ] || kill -9 "$game_pid" 2>/dev/null || true
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    for f in out err; do [ -s "$work/$f" ] && { echo "game's std$f:"; cat "$work/$f"; }; done
    exit 1
}

# A folder holding the game's pictures and font, for a case to spoil as it likes.
make_play_dir() {
    rm -rf "$work/play" && mkdir "$work/play"
    cp "${PICTURES[@]/#/$(dirname "$ZORVANEL")/}" "$(dirname "$ZORVANEL")/impact.ttf" "$work/play/"
}

start_x() {
    Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 640x480x24 3>"$work/display" \
        2>"$work/xvfb.log" &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$work/display" ] && break
        sleep 0.05
    done
    [ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
    export DISPLAY=":$(cat "$work/display")"
}

# Starts the game in the play folder and waits until its first frame is on screen.
launch() {
    (cd "$work/play" && exec "$ZORVANEL" "$@" >"$work/out" 2>"$work/err") &
    game_pid=$!
    win=$(timeout 10 xdotool search --sync --onlyvisible --name '^Zorvanel$' | head -n 1) ||
        fail "no window came up"
    xdotool windowfocus --sync "$win"
    for _ in $(seq 100); do
        [ "$(pixel 5 5)" = "$BACKGROUND" ] && return
        sleep 0.05
    done
    fail "the window was never drawn"
}

pixel() { import -window "$win" -format "%[pixel:p{$1,$2}]" info: 2>/dev/null; }
digest() { md5sum | cut -d ' ' -f 1; }
frame() { import -window "$win" -depth 8 rgb:- 2>/dev/null | digest; }

# Waits up to three seconds for the window to show something other than frame $1.
frame_changes_from() {
    for _ in $(seq 30); do
        [ "$(frame)" != "$1" ] && return 0
        sleep 0.1
    done
    return 1
}

# Waits for the game to end by itself and checks its exit status.
expect_exit() {
    for _ in $(seq 100); do
        kill -0 "$game_pid" 2>/dev/null || break
        sleep 0.05
    done
    kill -0 "$game_pid" 2>/dev/null && fail "the game is still running"
    local status=0
    wait "$game_pid" || status=$?
    game_pid=''
    [ "$status" -eq "$1" ] || fail "exit status $status, expected $1"
}

expect_trace() {
    [ "$(cat "$work/out")" = "$(printf '%s\n' "$@")" ] || fail "trace is not $*"
}

# Runs the game without waiting for a window: it should give up at once with status 1.
expect_start_failure() {
    local status=0
    (cd "$work/play" && exec timeout 10 "$ZORVANEL" >"$work/out" 2>"$work/err") || status=$?
    [ "$status" -eq 1 ] || fail "$1: exit status $status, expected 1"
}

case_window() {
    launch --help -x 'any old argument'
    [ "$(xdotool getwindowname "$win")" = Zorvanel ] || fail "caption is not Zorvanel"
    local size
    size=$(xwininfo -id "$win" | awk '/Width:/ {w = $2} /Height:/ {h = $2} END {print w "x" h}')
    [ "$size" = 430x240 ] || fail "window is $size"
    # Each slot shows one of the six pictures, whole and in place.
    local pictures='' slot
    for picture in "${PICTURES[@]}"; do
        pictures+=" $(convert "$work/play/$picture" -depth 8 rgb:- | digest)"
    done
    import -window "$win" "$work/shot.png"
    for x in 20 153 286; do
        slot=$(convert "$work/shot.png" -crop "128x128+$x+20" -depth 8 rgb:- | digest)
        [[ $pictures == *" $slot"* ]] || fail "no whole picture at x $x"
    done
    xdotool key q
    expect_exit 0
    expect_trace 153 286 419
}

case_layout_from_cherry() {
    convert -size 100x80 xc:'#c02020' -type TrueColor BMP3:"$work/play/cherry.bmp"
    launch
    [ "$(xwininfo -id "$win" | awk '/Width:/ {print $2}')" = 430 ] || fail "window resized"
    xdotool key Escape
    expect_exit 0
    expect_trace 125 230 335
}

case_keys_spin() {
    launch
    local before
    for key in space Return a 1 shift ctrl alt Left Down F1 Tab BackSpace; do
        before=$(frame)
        xdotool key "$key"
        frame_changes_from "$before" || fail "$key did not spin"
    done
    # The mouse does nothing.
    before=$(frame)
    xdotool mousemove --window "$win" 100 100 click 1 mousemove --window "$win" 300 200 click 3
    sleep 0.5
    [ "$(frame)" = "$before" ] || fail "the mouse changed the picture"
    xdotool key q
    expect_exit 0
}

case_hold_spins_once() {
    launch
    local before held
    before=$(frame)
    xdotool keydown space
    frame_changes_from "$before" || fail "pressing space did not spin"
    held=$(frame)
    sleep 1.5
    [ "$(frame)" = "$held" ] || fail "holding space spun again"
    xdotool keyup space
    sleep 0.3
    [ "$(frame)" = "$held" ] || fail "releasing space spun"
    xdotool key q
    expect_exit 0
}

quit_with() {
    launch
    "$@"
    expect_exit 0
    expect_trace 153 286 419
}
case_quit_q() { quit_with xdotool key q; }
case_quit_escape() { quit_with xdotool key Escape; }
case_quit_shift_q() { quit_with xdotool key shift+q; }
case_quit_close() { quit_with close_window; }
close_window() { "$CLOSE_WINDOW" "$win"; }

case_missing_picture() {
    for picture in "${PICTURES[@]}"; do
        make_play_dir
        rm "$work/play/$picture"
        expect_start_failure "without $picture"
        [ ! -s "$work/out" ] || fail "without $picture, it printed something"
    done
}

case_missing_font() {
    rm "$work/play/impact.ttf"
    expect_start_failure "without impact.ttf"
    [ ! -s "$work/out" ] || fail "without impact.ttf, it printed something"
}

case_no_display() {
    local status=0
    (cd "$work/play" && exec env -u DISPLAY SDL_VIDEODRIVER=x11 timeout 10 "$ZORVANEL" \
        >"$work/out" 2>"$work/err") || status=$?
    [ "$status" -eq 1 ] || fail "exit status $status, expected 1"
    grep -q -x -E 'Unable to (init SDL|set video mode): .+' "$work/out" && [ "$(wc -l <"$work/out")" -eq 1 ] ||
        fail "no single start-up message"
}

[ $# -eq 1 ] && declare -F "case_$1" >/dev/null || { echo "usage: play.sh CASE" >&2; exit 2; }
make_play_dir
[ "$1" = no_display ] || start_x
"case_$1"
echo "ok: $1"
