# The end-to-end tests' Wayland side: sway headless, a Wayland desktop needing no seat, session or
# GPU, with the game on it natively; swaymsg finds its window, grim captures it, wtype types.
# Source it after harness.sh.

sway_pid=''

# Sway refuses to run as root, so root runs the Wayland side as nobody.
as_player=()
[ "$(id -u)" -ne 0 ] || as_player=(setpriv --reuid=65534 --regid=65534 --clear-groups)
player() { "${as_player[@]}" "$@"; }

# Classic SDL 1.2 has no Wayland driver; sdl12-compat reaches Wayland through SDL2 or SDL3.
start_sway() {
    is_sdl12_compat || skip "the game loads classic SDL 1.2, which has no Wayland driver"
    DESKTOP=sway
    if [ ${#as_player[@]} -gt 0 ]; then
        # Nobody may not reach the build (a checkout in root's home, say): it plays a copy.
        chmod 711 "$work"
        mkdir -m 0755 "$work/game"
        cp "$ZORVANEL" "$work/game/"
        ZORVANEL=$work/game/${ZORVANEL##*/}
        chmod 0755 "$ZORVANEL"
        chown -R 65534:65534 "$XDG_RUNTIME_DIR" "$work/play"
        player test -x "$ZORVANEL" || fail "user 65534 cannot run $ZORVANEL"
    fi
    # Floating, as on a stacking desktop such as GNOME or KDE, the window keeps its own size.
    printf '%s\n' 'xwayland disable' 'for_window [shell="xdg_shell"] floating enable' \
        >"$work/sway.conf"
    export SWAYSOCK="$XDG_RUNTIME_DIR/sway.sock"
    # In a session of its own, which stop_sway ends whole; not through player(), which would fork.
    setsid "${as_player[@]}" env -u DISPLAY -u WAYLAND_DISPLAY HOME="$XDG_RUNTIME_DIR" \
        WLR_BACKENDS=headless WLR_RENDERER=pixman sway --config "$work/sway.conf" \
        >"$work/sway.log" 2>&1 &
    sway_pid=$!
    STOPS+=(stop_sway)
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
# Sway leads a process group of its own, which holds what it started too.
stop_sway() { kill -- "-$sway_pid" 2>/dev/null; }
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

sway_focus() { player swaymsg -q "[con_id=$win] focus"; }
sway_windows() { sway_tree | jq --argjson pid "$game_pid" '.. | objects | select(.pid? == $pid) | .id'; }
sway_window_size() { content_of "$win" | cut -d ' ' -f 2; }
sway_window_class() { sway_node "$win" | jq -r .app_id; }
# Captures with grim where the window stands on sway's output, then runs ImageMagick's convert.
sway_grab() {
    local id=$1
    shift
    player grim -g "$(content_of "$id")" - 2>/dev/null | convert - "$@" 2>/dev/null
}
# wtype waits before its press, or SDL2 may crash looking up a key held on a keyboard whose
# layout it has not been sent yet.
sway_press() { player wtype -s 300 -k "$1"; }
sway_close() { player swaymsg -q "[con_id=$win] kill"; }
