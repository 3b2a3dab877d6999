# Shared by the end-to-end tests: a work folder, a play folder, the game started and its window
# found, its frames, its end and its layout trace. x11.sh drives the X server and openbox,
# sway.sh the Wayland desktop; wine.sh runs the Windows game on the X server.
# Source it with ZORVANEL naming the game binary, with its pictures and font beside it and the
# build's list of them, assets.txt. A script may then set, before its first case:
#   PLAY_FILES   what make_play_dir copies into each fresh play folder (the pictures and font);
#   TRACE_FILE   where the game writes its layout trace (its standard output);
#   TRACE_END    how each line of the trace ends, as printf writes it ('\n');
#   GAME_PREFIX  what the game runs under, such as env or valgrind (nothing);
#   STOPS        functions that end what the script started, run last first at exit.

: "${ZORVANEL:?names the game binary}"
BACKGROUND='srgb(0,127,255)'
# The game's files, as the build names them: the pictures in the order of the symbols (the
# cherry first), then the font.
mapfile -t ASSETS <"$(dirname "$ZORVANEL")/assets.txt"
PICTURES=("${ASSETS[@]:0:${#ASSETS[@]}-1}")
FONT=${ASSETS[-1]}
# The layout the game's own pictures give: the window's size, and the trace of each next
# slot's x. The slots stand at 20 and at the trace's first two.
WINDOW_SIZE=430x240
LAYOUT_TRACE=(153 286 419)
# A seed whose reels the cases know once the clock is held at it: it opens on Raspberry, Bar,
# Cherry, with the score at -10, and its first spin shows Seven, Raspberry, Seven.
KNOWN_SEED=1800000004
# The seed of the README's screenshot, data/screenshot.png: it opens on Cherry, Cherry, Seven,
# with the score at 40.
SCREENSHOT_SEED=1800000529

work=$(mktemp -d)
# A private runtime folder, as a desktop session gives each user.
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 0700 "$XDG_RUNTIME_DIR"
game_pid='' win=''
PLAY_FILES=("${ASSETS[@]/#/$(dirname "$ZORVANEL")/}")
TRACE_FILE=$work/out
TRACE_END='\n'
GAME_PREFIX=()
STOPS=()
cleanup() {
    [ -z "$game_pid" ] || kill -9 "$game_pid" 2>/dev/null || true
    local i
    for ((i = ${#STOPS[@]} - 1; i >= 0; i--)); do "${STOPS[i]}" || true; done
    rm -rf "$work"
}
trap cleanup EXIT

# The longest any one wait may last, in seconds. The game starts in under two seconds even
# sanitized on sdl12-compat; the rest is room for a loaded machine. A wait that succeeds ends
# at once, so only a failing case pays for it. Memcheck sets its own.
LIMIT=30

# Ends a case that cannot run here, saying why (the test runner counts status 77 as skipped).
skip() {
    echo "skip: $*"
    exit 77
}

fail() {
    echo "FAIL: $*"
    local status=0
    if [ -n "$game_pid" ] && ! kill -0 "$game_pid" 2>/dev/null; then
        wait "$game_pid" || status=$?
        echo "The game has ended with status $status."  # 128 + a signal's number if it crashed
        game_pid=''
    fi
    for f in out err; do [ -s "$work/$f" ] && { echo "game's std$f:"; head -c 20000 "$work/$f"; }; done
    for f in openbox sway; do [ -s "$work/$f.log" ] && { echo "$f's log:"; tail -n 20 "$work/$f.log"; }; done
    exit 1
}

# Runs a check every tenth of a second until it passes, for up to LIMIT seconds; false if it never
# does.
within_limit() {
    local deadline=$((SECONDS + LIMIT))
    until "$@"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.1
    done
}

# A fresh folder holding the game's files, for a case to spoil as it likes.
make_play_dir() {
    rm -rf "$work/play" && mkdir "$work/play"
    cp -r "${PLAY_FILES[@]}" "$work/play/"
}

# Writes a plain grey 24-bit BMP of width $1 and height $2 to standard output.
bmp() {
    local row=$((($1 * 3 + 3) / 4 * 4))
    local size=$((row * $2)) fields='' field
    for field in $((54 + size)) 0 54 40 "$1" "$2" $((1 + 24 * 65536)) 0 "$size" 0 0 0 0; do
        fields+=$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $((field & 255)) $((field >> 8 & 255)) \
            $((field >> 16 & 255)) $((field >> 24 & 255)))
    done
    printf "BM$fields"
    head -c "$size" /dev/zero | tr '\0' '\300'
}

# Runs the game with its clock held at KNOWN_SEED (or at CLOCK), so the case knows the reels,
# with FIXED_TIME naming the library that holds it and any more libraries to preload following.
hold_clock() {
    GAME_PREFIX=(env LD_PRELOAD="${FIXED_TIME:?names the fixed_time library}${1:+ $*}"
        ZORVANEL_TIME=${CLOCK:-$KNOWN_SEED} ASAN_OPTIONS="${ASAN_OPTIONS:-}:verify_asan_link_order=0")
}

# True when the SDL 1.2 that the game loads here is sdl12-compat rather than the classic library.
is_sdl12_compat() {
    local library
    library=$(ldd "$ZORVANEL" | awk '$1 == "libSDL-1.2.so.0" {print $3}')
    grep -q -a sdl12-compat "$(readlink -f "$library")"
}

# The window helpers ask the desktop the game shows on: DESKTOP names it, x11 until start_sway
# has run. x11.sh and sway.sh supply each as DESKTOP_helper.
DESKTOP=x11
game_windows() { "${DESKTOP}_windows"; }
window_size() { "${DESKTOP}_window_size"; }
# The name docks match a running window to its menu entry by: the X class, or the Wayland app_id.
window_class() { "${DESKTOP}_window_class"; }
# Runs ImageMagick on the content of window $1, with the options and output that follow.
grab() { "${DESKTOP}_grab" "$@"; }
# Presses and releases key $1 (a keysym name).
press() { "${DESKTOP}_press" "$1"; }
# Closes the window as the desktop's own control does: openbox's Alt+F4, or sway's kill.
close_by_desktop() { "${DESKTOP}_close"; }
pixel_of() { grab "$1" -format "%[pixel:p{$2,$3}]" info:; }
pixel() { pixel_of "$win" "$@"; }
digest() { md5sum | cut -d ' ' -f 1; }
frame() { grab "$win" -depth 8 rgb:- | digest; }
# True when the part $1 (WxH+X+Y) of the window shows the background and nothing else.
only_background() {
    [ "$(grab "$win" -crop "$1" +repage -format '%k %[pixel:p{0,0}]' info:)" = "1 $BACKGROUND" ]
}

# Starts the game in the play folder and waits until its own window shows its first frame.
# sdl12-compat makes and destroys two windows before its last one, so a window that vanishes
# while it is looked at is passed over, and only one painted in the game's background counts.
launch() {
    (cd "$work/play" && exec "${GAME_PREFIX[@]}" "$ZORVANEL" "$@" >"$work/out" 2>"$work/err") &
    game_pid=$!
    local deadline=$((SECONDS + LIMIT)) found
    win=''
    while [ -z "$win" ]; do
        kill -0 "$game_pid" 2>/dev/null || fail "the game ended before its window came up"
        [ $SECONDS -lt $deadline ] || fail "no window came up in $LIMIT s"
        sleep 0.1
        for found in $(game_windows); do
            [ "$(pixel_of "$found" 5 5)" = "$BACKGROUND" ] && win=$found && break
        done
    done
    # A pass on another SDL 1.2 names the library it means: the game must have loaded that one.
    [ -z "${EXPECT_SDL:-}" ] || grep -q -F "$EXPECT_SDL" "/proc/$game_pid/maps" ||
        fail "the game did not load $EXPECT_SDL"
    "${DESKTOP}_focus"
}

expect_size() {
    [ "$(window_size)" = "$WINDOW_SIZE" ] || fail "${1:+$1: }window is $(window_size)"
}

# Each slot of the window shows one of the six pictures, whole and in place. The screenshot it
# looked at stays in $work/shot.png.
shows_pictures() {
    local pictures='' picture slot x
    for picture in "${PICTURES[@]}"; do
        pictures+=" $(convert "$work/play/$picture" -depth 8 rgb:- | digest)"
    done
    grab "$win" "$work/shot.png"
    for x in 20 "${LAYOUT_TRACE[@]:0:2}"; do
        slot=$(convert "$work/shot.png" -crop "128x128+$x+20" -depth 8 rgb:- | digest)
        [[ $pictures == *" $slot"* ]] || fail "no whole picture at x $x"
    done
}

# Waits for the window to settle on a frame other than frame $1: the same one seen twice, so a
# frame caught while it was being presented is never taken for the new one. A window that cannot
# be captured, or a game that has ended, shows no frame.
frame_changes_from() {
    local deadline=$((SECONDS + LIMIT)) last='' now
    while [ $SECONDS -lt $deadline ] && kill -0 "$game_pid" 2>/dev/null; do
        now=$(frame) || now=''
        [ -n "$now" ] && [ "$now" != "$1" ] && [ "$now" = "$last" ] && return 0
        last=$now
        sleep 0.1
    done
    return 1
}

# Waits up to $1 seconds for the game to end by itself; true if it has.
game_ends_within() {
    for _ in $(seq $(($1 * 20))); do
        kill -0 "$game_pid" 2>/dev/null || return 0
        sleep 0.05
    done
    ! kill -0 "$game_pid" 2>/dev/null
}

expect_exit() {
    game_ends_within "$LIMIT" || fail "the game is still running"
    local status=0
    wait "$game_pid" || status=$?
    game_pid=''
    [ "$status" -eq "$1" ] || fail "exit status $status, expected $1"
}

# The trace is the lines given, each ending as TRACE_END says; when it goes to a file of its own,
# standard output stays empty.
expect_trace() {
    [ "$TRACE_FILE" = "$work/out" ] || [ ! -s "$work/out" ] || fail "the console got output"
    [ "$(cat "$TRACE_FILE")" = "$(printf "%s$TRACE_END" "$@")" ] ||
        fail "trace is not $*: $(cat -A "$TRACE_FILE")"
}

# Starts the game, quits it with the command that follows, and checks a clean end and the trace.
quit_with() {
    launch
    "$@"
    expect_exit 0
    expect_trace "${LAYOUT_TRACE[@]}"
}

# Runs case_$1 of the sourcing script in a fresh play folder: on its own X server unless told not,
# under openbox for a case named openbox_*, or on sway for wayland_*.
run_case() {
    [ $# -eq 1 ] && declare -F "case_$1" >/dev/null || { echo "usage: $0 CASE" >&2; exit 2; }
    make_play_dir
    case $1 in
        "${NO_X:-}") ;;
        openbox_*) start_x && start_openbox ;;
        wayland_*) start_sway ;;
        *) start_x ;;
    esac
    "case_$1"
    echo "ok: $1"
}

source "$(dirname "${BASH_SOURCE[0]}")/x11.sh"
