# Shared by the end-to-end tests: a private X server, a play folder, and the game's window.
# Source it with ZORVANEL naming the game binary, its pictures and font beside it.

: "${ZORVANEL:?names the game binary}"
BACKGROUND='srgb(0,127,255)'
PICTURES=(cherry.bmp bar.bmp bell.bmp lemon.bmp raspberry.bmp seven.bmp)

work=$(mktemp -d)
# A desktop session's private runtime folder, which SDL2 looks for even on X.
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 0700 "$XDG_RUNTIME_DIR"
xvfb_pid='' game_pid='' win=''
cleanup() {
    [ -z "$game_pid" ] || kill -9 "$game_pid" 2>/dev/null || true
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    for f in out err; do [ -s "$work/$f" ] && { echo "game's std$f:"; head -c 20000 "$work/$f"; }; done
    exit 1
}

# A folder holding the game's pictures and font, for a case to spoil as it likes.
make_play_dir() {
    rm -rf "$work/play" && mkdir "$work/play"
    cp "${PICTURES[@]/#/$(dirname "$ZORVANEL")/}" "$(dirname "$ZORVANEL")/impact.ttf" "$work/play/"
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

# The server's own key repeat starts after five seconds, not the usual half second: on a very
# busy machine classic SDL can miss that a repeat is one, which no game can mend, and no case
# holds a key that long. SDL's own key repeat, were the game to turn it on, starts sooner.
start_x() {
    Xvfb -displayfd 3 -noreset -nolisten tcp -ardelay 5000 -screen 0 640x480x24 \
        3>"$work/display" 2>"$work/xvfb.log" &
    xvfb_pid=$!
    local deadline=$((SECONDS + LIMIT))
    while [ ! -s "$work/display" ] && [ $SECONDS -lt $deadline ]; do
        sleep 0.05
    done
    [ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
    export DISPLAY=":$(cat "$work/display")"
}

GAME_PREFIX=()  # what the game runs under, such as env or valgrind
# The longest any one wait may last, in seconds. The game starts in under two seconds even
# sanitized on sdl12-compat; the rest is room for a loaded machine. A wait that succeeds ends
# at once, so only a failing case pays for it. Memcheck sets its own.
LIMIT=30

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
        for found in $(xdotool search --onlyvisible --name '^Zorvanel$' 2>/dev/null); do
            [ "$(pixel_of "$found" 5 5)" = "$BACKGROUND" ] && win=$found && break
        done
    done
    # A pass on another SDL 1.2 names the library it means: the game must have loaded that one.
    [ -z "${EXPECT_SDL:-}" ] || grep -q -F "$EXPECT_SDL" "/proc/$game_pid/maps" ||
        fail "the game did not load $EXPECT_SDL"
    xdotool windowfocus --sync "$win"
}

# True when the SDL 1.2 that the game loads here is sdl12-compat rather than the classic library.
is_sdl12_compat() {
    local library
    library=$(ldd "$ZORVANEL" | awk '$1 == "libSDL-1.2.so.0" {print $3}')
    grep -q -a sdl12-compat "$(readlink -f "$library")"
}

window_size() { xwininfo -id "$win" | awk '/Width:/ {w = $2} /Height:/ {h = $2} END {print w "x" h}'; }
pixel_of() { import -window "$1" -format "%[pixel:p{$2,$3}]" info: 2>/dev/null; }
pixel() { pixel_of "$win" "$@"; }
digest() { md5sum | cut -d ' ' -f 1; }
frame() { import -window "$win" -depth 8 rgb:- 2>/dev/null | digest; }

# Waits for the window to settle on a frame other than frame $1: the same one seen twice, so a
# frame caught while it was being presented is never taken for the new one.
frame_changes_from() {
    local deadline=$((SECONDS + LIMIT)) last='' now
    while [ $SECONDS -lt $deadline ]; do
        now=$(frame)
        [ "$now" != "$1" ] && [ "$now" = "$last" ] && return 0
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

expect_trace() {
    [ "$(cat "$work/out")" = "$(printf '%s\n' "$@")" ] || fail "trace is not $*"
}

# Runs case_$1 of the sourcing script: in a fresh play folder, on its own X server unless told not.
run_case() {
    [ $# -eq 1 ] && declare -F "case_$1" >/dev/null || { echo "usage: $0 CASE" >&2; exit 2; }
    make_play_dir
    [ "${NO_X:-}" = "$1" ] || start_x
    "case_$1"
    echo "ok: $1"
}
