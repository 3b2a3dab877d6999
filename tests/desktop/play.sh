#!/usr/bin/env bash
# Plays the built game as a player would, on a private X server, bare or under openbox, or on
# Wayland: play.sh CASE.
# ZORVANEL names the game (its pictures and font beside it), CLOSE_WINDOW the window closer.
set -euo pipefail
: "${CLOSE_WINDOW:?names the close_window helper}" "${FIXED_TIME:?}" "${SCORE_LINE:?}"
source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"
source "$(dirname "${BASH_SOURCE[0]}")/sway.sh"

# The README's screenshot is this case's first frame: scripts/screenshot sets RENEW_SCREENSHOT
# to draw it anew, and otherwise the case fails when the game no longer draws it. FreeType hints
# a few pixels of text differently from one release to the next (4 of the instruction line on
# Debian 13 against 12); any change a player could see differs in far more.
SCREENSHOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/data/screenshot.png
HINTED_PIXELS=16
shows_screenshot() {
    grab "$win" "$work/now.png"
    [ "$(convert "$work/now.png" "$SCREENSHOT" -compose difference -composite -colorspace gray \
         -threshold 0 -format '%[fx:round(mean * w * h)]' info:)" -le $HINTED_PIXELS ]
}

case_window() {
    CLOCK=$SCREENSHOT_SEED hold_clock
    launch --help -x 'any old argument'
    [ "$(xdotool getwindowname "$win")" = Zorvanel ] || fail "caption is not Zorvanel"
    expect_size
    shows_pictures
    if [ -n "${RENEW_SCREENSHOT:-}" ]; then
        convert "$work/shot.png" -strip "$SCREENSHOT"
    else
        within_limit shows_screenshot ||
            fail "the game no longer draws $SCREENSHOT (scripts/screenshot draws it anew)"
    fi
    xdotool key q
    expect_exit 0
    expect_trace "${LAYOUT_TRACE[@]}"
}

case_layout_from_cherry() {
    bmp 100 80 >"$work/play/${PICTURES[0]}"
    launch
    expect_size
    xdotool key Escape
    expect_exit 0
    expect_trace 125 230 335
}

case_keys_spin() {
    # With the clock held, the test knows the reels: the score opens at -10, and these twelve
    # keys end it at -110.
    # No function keys: newer keymaps give xdotool those through Alt, a key press of its own.
    local keys=(space Return a 1 shift ctrl alt Left Down Home Tab BackSpace)
    hold_clock
    launch
    local before
    for key in "${keys[@]}"; do
        before=$(frame)
        xdotool key "$key"
        frame_changes_from "$before" || fail "$key did not spin"
    done
    # Each key spun once: the score line is the one the seed's spins add up to, drawn in place
    # 25 pixels below the 128-pixel pictures, down to where the instruction line begins, 30
    # pixels lower.
    local width height text shown opening
    read -r _ _ opening < <("$SCORE_LINE" $KNOWN_SEED 0 "$work/play/$FONT" "$work/open.bmp")
    read -r width height text < <("$SCORE_LINE" $KNOWN_SEED ${#keys[@]} "$work/play/$FONT" \
        "$work/line.bmp")
    [ "$opening, $text" = "Score:  -10, Score:  -110" ] ||
        fail "the seed's score goes from \"$opening\" to \"$text\", not from -10 to -110"
    shown="${width}x30+$(((${WINDOW_SIZE%x*} - width) / 2))+$((128 + 25))"
    [ "$(import -window "$win" -crop "$shown" -depth 8 rgb:- | digest)" = \
      "$(convert "$work/line.bmp" -crop "${width}x30+0+0" -depth 8 rgb:- | digest)" ] ||
        fail "the window does not show \"$text\" at $shown"
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
    frame_changes_from "$before" || fail "pressing space did not spin, or kept spinning"
    held=$(frame)
    sleep 1.5
    [ "$(frame)" = "$held" ] || fail "holding space spun again"
    xdotool keyup space
    sleep 0.3
    [ "$(frame)" = "$held" ] || fail "releasing space spun"
    xdotool key q
    expect_exit 0
}

case_quit_q() { quit_with xdotool key q; }
case_quit_escape() { quit_with xdotool key Escape; }
case_quit_shift_q() { quit_with xdotool key shift+q; }
case_quit_close() { quit_with close_window; }
close_window() { "$CLOSE_WINDOW" "$win"; }
# A trace that cannot be written, to a full disk or a closed stream: the game plays and quits as
# usual, then says why on standard error and fails.
case_quit_output_lost() {
    local redirect reason
    for redirect in '>/dev/full:No space left on device' '>&-:Bad file descriptor'; do
        reason=${redirect#*:}
        GAME_PREFIX=(bash -c "exec \"\$@\" ${redirect%%:*}" bash)
        launch
        xdotool key q
        expect_exit 1
        [ "$(cat "$work/err")" = "zorvanel: could not write the layout trace: $reason" ] ||
            fail "output ${redirect%%:*}: standard error is not the one line naming \"$reason\""
    done
}

# Rows played on real desktops, each on both: openbox_ROW under openbox on the X server, and
# wayland_ROW natively on sway. Docks and task switchers tie the window to the menu entry by its
# class (X11) or app_id (Wayland), which must be the entry's StartupWMClass.
ENTRY="$(dirname "${BASH_SOURCE[0]}")/../../data/io.github.zorvanel.Zorvanel.desktop"
desktop_window() {
    launch
    expect_size
    local class wanted
    class=$(window_class)
    wanted=$(sed -n 's/^StartupWMClass=//p' "$ENTRY")
    [ -n "$class" ] && [ "$class" = "$wanted" ] ||
        fail "the window's class is \"$class\", the menu entry's StartupWMClass \"$wanted\""
    shows_pictures
    press q
    expect_exit 0
}
desktop_keys_spin() {
    launch
    local before
    for key in space Return a; do
        before=$(frame) || fail "cannot capture the window"
        press "$key"
        frame_changes_from "$before" || fail "$key did not spin"
    done
    press Escape
    expect_exit 0
}
desktop_close() {
    launch
    close_by_desktop
    expect_exit 0
    expect_trace "${LAYOUT_TRACE[@]}"
}
case_openbox_window() { desktop_window; }
case_openbox_keys_spin() { desktop_keys_spin; }
case_openbox_close() { desktop_close; }
case_wayland_window() { desktop_window; }
case_wayland_keys_spin() { desktop_keys_spin; }
case_wayland_close() { desktop_close; }
# With nothing but WAYLAND_DISPLAY to go by, SDL chooses Wayland by itself.
case_wayland_chosen_by_sdl() {
    local word prefix=()
    for word in "${GAME_PREFIX[@]}"; do
        [ "$word" = SDL_VIDEODRIVER=wayland ] || prefix+=("$word")
    done
    [ ${#prefix[@]} -lt ${#GAME_PREFIX[@]} ] || fail "the Wayland rows set no SDL_VIDEODRIVER"
    GAME_PREFIX=(env -u SDL_VIDEODRIVER "${prefix[@]}")
    desktop_window
}

# Where SDL 1.2 is sdl12-compat, what the player sets and the renderer SDL then presents the
# frames with on X11: software, with no OpenGL library loaded, unless the player asks for OpenGL
# or names its library; the frames are the same either way. sdl12-compat 1.2.70 and 1.2.71 map
# OpenGL whatever the renderer, so there only the renderer that SDL names as it makes it (SDL2
# 2.26 names none) shows how the frames go.
PRESENTATIONS=(
    "software"
    "opengl SDL_RENDER_DRIVER=opengl"
    "opengl SDL_OPENGL_LIBRARY=libGL.so.1"
)
case_x11_presentation() {
    local library
    library=$(readlink -f "$(ldd "$ZORVANEL" | awk '$1 == "libSDL-1.2.so.0" {print $3}')")
    [[ $library =~ libSDL-1\.2\.so\.1\.2\.([0-9]+)$ ]] && is_sdl12_compat ||
        skip "classic SDL 1.2 presents its frames itself"
    local compat_patch=${BASH_REMATCH[1]} row renderer variables gl made shown first=''
    for row in "${PRESENTATIONS[@]}"; do
        read -r renderer variables <<<"$row"
        # The clock held, the frames can be compared. Mesa 25.0 (Debian 13's) draws one rand()
        # for each part of the shader cache it creates, fifty in all, which would move the reels:
        # here it keeps no cache.
        hold_clock
        GAME_PREFIX=(env -u SDL_RENDER_DRIVER -u SDL_FRAMEBUFFER_ACCELERATION -u SDL_OPENGL_LIBRARY
            MESA_SHADER_CACHE_DISABLE=true SDL_LOGGING=render=info $variables "${GAME_PREFIX[@]}")
        launch
        gl=no
        ! grep -q -E '/libGL(X)?[^/]*\.so' "/proc/$game_pid/maps" || gl=yes
        shows_pictures
        shown=$(convert "$work/shot.png" -depth 8 rgb:- | digest)
        xdotool key q
        expect_exit 0
        made=$(sed -n 's/^INFO: Created renderer: //p' "$work/err" | sort -u | paste -s -d ' ')
        echo "${variables:-nothing set}: GL $gl, renderers made: ${made:-not named}"
        [ -z "$made" ] || [ "$made" = "$renderer" ] ||
            fail "${variables:-nothing set}: SDL made the renderers $made, not $renderer alone"
        [ "${first:=$shown}" = "$shown" ] ||
            fail "$variables: the frame differs from the first row's"
        if [ "$renderer" = opengl ]; then
            [ $gl = yes ] || fail "$variables: no OpenGL library loaded"
        elif [ "$compat_patch" -lt 70 ] || [ "$compat_patch" -ge 72 ]; then
            [ $gl = no ] || fail "${variables:-nothing set}: an OpenGL library is loaded"
        else
            [ -n "$made" ] || fail "${variables:-nothing set}: SDL named no renderer"
        fi
    done
}

# A HiDPI X desktop where SDL 1.2 is sdl12-compat, on a 1920 x 1080 screen: the window, the
# desktop's X resources and what the player sets; each frame the first row's, every pixel a square
# block. At 5x the window would not fit. Classic SDL 1.2 keeps 430 x 240 throughout.
HIDPI=("430x240 Xft.dpi:144" "860x480 Xft.dpi:192" "1720x960 Xft.dpi:480"
    "430x240 Xft.dpi:192 SDL12COMPAT_WINDOW_SCALING=1" "430x240 Xft.dpi:96 GDK_SCALE=2"
    "860x480 Xft.hinting:1 QT_SCALE_FACTOR=2.5")
case_hidpi() {
    for row in "${HIDPI[@]}"; do
        read -r WINDOW_SIZE resources settings <<<"$row"
        is_sdl12_compat || WINDOW_SIZE=430x240
        xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "$resources"
        hold_clock
        GAME_PREFIX+=($settings)
        launch
        [ -e "$work/first.png" ] || grab "$win" "$work/first.png"
        [ "$(convert "$work/first.png" -sample "$WINDOW_SIZE!" rgb:- | digest)" = "$(frame)" ] ||
            fail "$row: the window ($(window_size)) is not the first frame in square blocks"
        xdotool key q
        expect_exit 0
    done
}

case_no_display() {
    local driver status
    # Sent to X with no X display, then left to choose a driver with no display of any kind.
    for driver in x11 ''; do
        (cd "$work/play" && exec env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER \
            ${driver:+SDL_VIDEODRIVER=$driver} "$ZORVANEL" >"$work/out" 2>"$work/err" </dev/null) &
        game_pid=$!
        if [ -z "$driver" ] && ! is_sdl12_compat; then
            # Classic SDL draws in the terminal instead, which a player can see and play.
            for _ in $(seq $((LIMIT * 10))); do
                grep -q -a $'\e\[2J' "$work/out" && break
                sleep 0.1
            done
            kill -0 "$game_pid" 2>/dev/null && grep -q -a $'\e\[2J' "$work/out" ||
                fail "classic SDL did not draw in the terminal"
            kill "$game_pid" && wait "$game_pid" || true
            game_pid=''
            echo "default driver: classic SDL draws in the terminal"
            continue
        fi
        expect_exit 1
        grep -q -x -E 'Unable to (init SDL|set video mode): .+' "$work/out" &&
            [ "$(wc -l <"$work/out")" -eq 1 ] || fail "${driver:-default} driver: no single start-up message"
        echo "${driver:-default} driver: $(cat "$work/out")"
    done
}

[ "$*" != hidpi ] || X_SCREEN=1920x1080
NO_X=no_display run_case "$@"
