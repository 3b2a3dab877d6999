#!/usr/bin/env bash
# Gives the game broken and odd assets, failing calls, and memcheck: robust.sh CASE.
# Besides ZORVANEL, FAIL_CALL, COUNT_FRAMES and FIXED_TIME name the preloadable libraries.
set -euo pipefail
: "${FAIL_CALL:?} ${COUNT_FRAMES:?} ${FIXED_TIME:?}"
source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"

# File, and how it is spoiled: each must end the game at once with status 1, silently. Every
# file is missing in turn; the others spoil the cherry (the first picture, which the layout is
# taken from), the bell (one loaded after others) and the seven (the last).
CHERRY=${PICTURES[0]} BELL=${PICTURES[2]} SEVEN=${PICTURES[-1]}
BAD_ASSETS=("${ASSETS[@]/%/ missing}"
    "$BELL empty" "$BELL cut" "$BELL random" "$BELL directory"
    "$CHERRY zero-width" "$CHERRY zero-height" "$CHERRY min-height"
    "$SEVEN depth-4104"
    "$FONT empty" "$FONT random" "$FONT directory"
)
# Size of a valid cherry picture, and the layout trace it gives.
ODD_PICTURES=(
    "1x1 26 32 38"
    "16000x16 16025 32030 -17501"
    "16380x16 16405 -32746 -16361"
    "128x400 ${LAYOUT_TRACE[*]}"
)

spoil() {
    local file="$work/play/$1"
    case $2 in
        missing) rm "$file" ;;
        empty) : >"$file" ;;
        cut) head -c 60 "$file" >"$file.cut" && mv "$file.cut" "$file" ;;  # header and two pixels
        random) { printf xxxx; head -c 4096 /dev/urandom; } >"$file" ;;    # never a BMP or font tag
        directory) rm "$file" && mkdir "$file" ;;
        zero-width) bmp 0 128 >"$file" ;;
        zero-height) bmp 128 0 >"$file" ;;
        # SDL reads a height of -2147483648 as a top-down picture with no pixels.
        min-height) printf '\x00\x00\x00\x80' | dd of="$file" bs=1 seek=22 conv=notrunc status=none ;;
        # SDL keeps the low byte of 4104 bits per pixel: 8, with no palette.
        depth-4104) printf '\x08\x10' | dd of="$file" bs=1 seek=28 conv=notrunc status=none ;;
    esac
}

case_bad_assets() {
    local file how started elapsed
    for entry in "${BAD_ASSETS[@]}"; do
        read -r file how <<<"$entry"
        make_play_dir
        spoil "$file" "$how"
        started=$(date +%s%N)
        (cd "$work/play" && exec "$ZORVANEL" >"$work/out" 2>"$work/err") &
        game_pid=$!
        game_ends_within "$LIMIT" || fail "$file $how: still running after $LIMIT s"
        expect_exit 1
        elapsed=$((($(date +%s%N) - started) / 1000000))
        [ ! -s "$work/out" ] || fail "$file $how: printed something"
        echo "$file $how: refused in $elapsed ms"
    done
}

case_odd_pictures() {
    local size trace
    for entry in "${ODD_PICTURES[@]}"; do
        read -r size trace <<<"$entry"
        make_play_dir
        bmp "${size%x*}" "${size#*x}" >"$work/play/$CHERRY"
        # The clock held, the third reel shows the cherry, the picture changed here.
        hold_clock
        launch
        expect_size "$size"
        # A slot past the left edge must not creep back in once SDL has clipped a blit to it:
        # the strip left of the first slot stays empty, from top to bottom.
        sleep 0.2
        only_background 20x${WINDOW_SIZE#*x}+0+0 || fail "$size: something drawn left of the reels"
        xdotool key q
        expect_exit 0
        expect_trace $trace
    done
}

case_render_fails() {
    hold_clock "$FAIL_CALL"
    GAME_PREFIX+=(ZORVANEL_FAIL=TTF_RenderText_Solid)
    launch
    # Nothing below the reels, where the score and instruction lines would be.
    local below=$((20 + 128))
    only_background "${WINDOW_SIZE%x*}x$((${WINDOW_SIZE#*x} - below))+0+$below" ||
        fail "something drawn where the text lines would be"
    # The game keeps drawing: the first spin shows new reels.
    local before
    before=$(frame)
    xdotool key space
    frame_changes_from "$before" || fail "the spin did not change the reels"
    xdotool key q
    expect_exit 0
    expect_trace "${LAYOUT_TRACE[@]}"
}

# The call made to fail at start-up, and the one line the game then prints, ending with status 1.
START_FAILURES=(
    "SDL_Init Unable to init SDL: refused by the stand-in"
    "SDL_VideoDriverName Unable to init SDL: no display to show the game on"
    "TTF_Init Unable to init TTF!"
    "SDL_SetVideoMode Unable to set video mode: refused by the stand-in"
)
case_start_fails() {
    local call message
    for entry in "${START_FAILURES[@]}"; do
        read -r call message <<<"$entry"
        hold_clock "$FAIL_CALL"
        (cd "$work/play" && exec "${GAME_PREFIX[@]}" ZORVANEL_FAIL="$call" "$ZORVANEL" \
            >"$work/out" 2>"$work/err") &
        game_pid=$!
        expect_exit 1
        [ "$(cat "$work/out")" = "$message" ] || fail "$call failing: no \"$message\" alone"
        echo "$call failing: $message"
    done
}

case_memcheck() {
    local frames=0
    GAME_PREFIX=(env LD_PRELOAD="$COUNT_FRAMES" ZORVANEL_FRAMES="$work/frames"
        valgrind --error-exitcode=99 --leak-check=full --show-leak-kinds=definite
        --errors-for-leak-kinds=definite --num-callers=40
        --suppressions="$(dirname "${BASH_SOURCE[0]}")/memcheck.supp")
    LIMIT=120  # valgrind needs about 4 s for the first frame and 3 s for 400 more
    launch
    for _ in 1 2 3 4 5 6; do
        xdotool key space
        sleep 0.2
    done
    local deadline=$((SECONDS + LIMIT))
    while [ "$frames" -lt 400 ] && [ $SECONDS -lt $deadline ]; do
        sleep 0.1
        frames=$(cat "$work/frames" 2>/dev/null || echo 0)  # there from the 50th frame on
    done
    xdotool key q
    expect_exit 0
    [ "$frames" -ge 400 ] || fail "only $frames frames in $LIMIT s"
    echo "frames presented: $(cat "$work/frames"); $(grep -o 'ERROR SUMMARY.*' "$work/err")"
}

run_case "$@"
