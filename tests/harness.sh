# Shared by the end-to-end tests: a private X server or Wayland desktop, a play folder, and the
# game's window.
# Source it with ZORVANEL naming the game binary, its pictures and font beside it.

: "${ZORVANEL:?names the game binary}"
BACKGROUND='srgb(0,127,255)'
PICTURES=(cherry.bmp bar.bmp bell.bmp lemon.bmp raspberry.bmp seven.bmp)

work=$(mktemp -d)
# A private runtime folder, as a desktop session gives each user.
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 0700 "$XDG_RUNTIME_DIR"
DESKTOP=x11  # where the window is shown: x11, or wayland once start_sway has run
xvfb_pid='' wm_pid='' sway_pid='' game_pid='' win=''
cleanup() {
    [ -z "$game_pid" ] || kill -9 "$game_pid" 2>/dev/null || true
    for pid in "$wm_pid" "$xvfb_pid"; do
        [ -z "$pid" ] || kill "$pid" 2>/dev/null || true
    done
    # Sway leads a process group of its own, which holds what it started too.
    [ -z "$sway_pid" ] || kill -- "-$sway_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

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
    within_limit test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
    export DISPLAY=":$(cat "$work/display")"
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

# Openbox on the X server, with the key bindings its package ships: a private home hides any
# user's own configuration, and with the XDG folders unset it reads the system's default one.
start_openbox() {
    mkdir "$work/openbox"
    env -u XDG_CONFIG_HOME -u XDG_CONFIG_DIRS -u XDG_DATA_HOME -u XDG_CACHE_HOME \
        HOME="$work/openbox" openbox --sm-disable >"$work/openbox.log" 2>&1 &
    wm_pid=$!
    # Openbox names itself on the root window before its event loop runs, and a window mapped in
    # between waits unseen until some later event wakes it. So openbox has started once it has
    # answered requests, each made again until the root shows the answer: for two desktops, then
    # one (whatever number its configuration starts with, one of the two is a real answer).
    within_limit desktops_set_to 2 && within_limit desktops_set_to 1 ||
        fail "openbox did not start: $(cat "$work/openbox.log")"
}
desktops_set_to() {
    xdotool set_num_desktops "$1" 2>/dev/null &&
        [ "$(xprop -root _NET_NUMBER_OF_DESKTOPS 2>/dev/null)" = \
          "_NET_NUMBER_OF_DESKTOPS(CARDINAL) = $1" ]
}
# Openbox has framed the window with a title bar: by then its key bindings are in place too.
framed() {
    xprop -id "$win" _NET_FRAME_EXTENTS 2>/dev/null |
        awk -F ' = ' '{split($2, e, ", ")} END {exit !(e[3] > 0)}'  # left, right, top, bottom
}

# Sway refuses to run as root, so root runs the Wayland side as nobody.
as_player=()
[ "$(id -u)" -ne 0 ] || as_player=(setpriv --reuid=65534 --regid=65534 --clear-groups)
player() { "${as_player[@]}" "$@"; }

# Sway headless, a Wayland desktop needing no seat, session or GPU, with the game on it natively.
# Classic SDL 1.2 has no Wayland driver; sdl12-compat reaches Wayland through SDL2 or SDL3.
start_sway() {
    is_sdl12_compat || skip "the game loads classic SDL 1.2, which has no Wayland driver"
    DESKTOP=wayland
    if [ ${#as_player[@]} -gt 0 ]; then
        chmod 711 "$work"
        chown -R 65534:65534 "$XDG_RUNTIME_DIR" "$work/play"
        player test -x "$ZORVANEL" || fail "user 65534 cannot run $ZORVANEL"
    fi
    # Floating, as on a stacking desktop such as GNOME or KDE, the window keeps its own size.
    printf '%s\n' 'xwayland disable' 'for_window [shell="xdg_shell"] floating enable' \
        >"$work/sway.conf"
    export SWAYSOCK="$XDG_RUNTIME_DIR/sway.sock"
    # In a session of its own, which cleanup ends whole; not through player(), which would fork.
    setsid "${as_player[@]}" env -u DISPLAY -u WAYLAND_DISPLAY HOME="$XDG_RUNTIME_DIR" \
        WLR_BACKENDS=headless WLR_RENDERER=pixman sway --config "$work/sway.conf" \
        >"$work/sway.log" 2>&1 &
    sway_pid=$!
    within_limit sway_running || fail "sway did not start: $(tail -n 20 "$work/sway.log")"
    local socket
    for socket in "$XDG_RUNTIME_DIR"/wayland-*; do
        [ -S "$socket" ] && export WAYLAND_DISPLAY=${socket##*/}
    done
    # A sanitized game checks no leaks here: on Wayland, SDL2 and the modules it loads and unloads
    # leave memory that LeakSanitizer can pin on no library, only on "unknown module". Every X11
    # case still checks the game's own leaks.
    GAME_PREFIX=("${as_player[@]}" env -u DISPLAY HOME="$XDG_RUNTIME_DIR" SDL_VIDEODRIVER=wayland
        ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0")
}
# Sway answers on its socket once it runs, and has an output to show windows on.
sway_running() { player swaymsg -t get_outputs 2>/dev/null | jq -e 'any(.[]; .active)' >/dev/null; }
sway_tree() { player swaymsg -t get_tree; }
# The view of window $1 in sway's tree.
sway_node() { sway_tree | jq --argjson id "$1" '.. | objects | select(.id? == $id and .pid?)'; }
# Where the content of window $1 stands on sway's output, as grim's -g takes it: "X,Y WxH".
content_of() {
    sway_node "$1" | jq -r '"\(.rect.x + .window_rect.x),\(.rect.y + .window_rect.y) " +
        "\(.window_rect.width)x\(.window_rect.height)"'
}

# True when the SDL 1.2 that the game loads here is sdl12-compat rather than the classic library.
is_sdl12_compat() {
    local library
    library=$(ldd "$ZORVANEL" | awk '$1 == "libSDL-1.2.so.0" {print $3}')
    grep -q -a sdl12-compat "$(readlink -f "$library")"
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
        for found in $(game_windows); do
            [ "$(pixel_of "$found" 5 5)" = "$BACKGROUND" ] && win=$found && break
        done
    done
    # A pass on another SDL 1.2 names the library it means: the game must have loaded that one.
    [ -z "${EXPECT_SDL:-}" ] || grep -q -F "$EXPECT_SDL" "/proc/$game_pid/maps" ||
        fail "the game did not load $EXPECT_SDL"
    if [ $DESKTOP = wayland ]; then
        player swaymsg -q "[con_id=$win] focus"
    else
        [ -z "$wm_pid" ] || within_limit framed || fail "openbox did not frame the window"
        xdotool windowfocus --sync "$win"
    fi
}

# The window helpers ask the X server, or sway and grim once the game runs on Wayland.
game_windows() {
    if [ $DESKTOP = wayland ]; then
        sway_tree | jq --argjson pid "$game_pid" '.. | objects | select(.pid? == $pid) | .id'
    else
        xdotool search --onlyvisible --name '^Zorvanel$' 2>/dev/null
    fi
}
window_size() {
    if [ $DESKTOP = wayland ]; then
        content_of "$win" | cut -d ' ' -f 2
    else
        xwininfo -id "$win" | awk '/Width:/ {w = $2} /Height:/ {h = $2} END {print w "x" h}'
    fi
}
# The name docks match a running window to its menu entry by: the X class, or the Wayland app_id.
window_class() {
    if [ $DESKTOP = wayland ]; then
        sway_node "$win" | jq -r .app_id
    else
        xprop -id "$win" WM_CLASS | sed -n 's/^WM_CLASS(STRING) = ".*", "\(.*\)"$/\1/p'
    fi
}
# Runs ImageMagick on the content of window $1, with the options and output that follow: import
# on X11; on Wayland, convert on what grim captures where the window stands on sway's output.
grab() {
    local id=$1
    shift
    if [ $DESKTOP = wayland ]; then
        player grim -g "$(content_of "$id")" - 2>/dev/null | convert - "$@" 2>/dev/null
    else
        import -window "$id" "$@" 2>/dev/null
    fi
}
pixel_of() { grab "$1" -format "%[pixel:p{$2,$3}]" info:; }
pixel() { pixel_of "$win" "$@"; }
digest() { md5sum | cut -d ' ' -f 1; }
frame() { grab "$win" -depth 8 rgb:- | digest; }
# Presses and releases key $1 (a keysym name). wtype waits before its press, or SDL2 may crash
# looking up a key held on a keyboard whose layout it has not been sent yet.
press() {
    if [ $DESKTOP = wayland ]; then
        player wtype -s 300 -k "$1"
    else
        xdotool key "$1"
    fi
}
# Closes the window as the desktop's own control does: openbox's Alt+F4, or sway's kill.
close_by_desktop() {
    if [ $DESKTOP = wayland ]; then
        player swaymsg -q "[con_id=$win] kill"
    else
        xdotool key alt+F4
    fi
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

# Starts the game, quits it with the command that follows, and checks a clean end and the trace.
quit_with() {
    launch
    "$@"
    expect_exit 0
    expect_trace 153 286 419
}

expect_trace() {
    [ "$(cat "$work/out")" = "$(printf '%s\n' "$@")" ] || fail "trace is not $*"
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
