# The end-to-end tests' X side: a private Xvfb, openbox on it when a case asks, and the game's
# window found, focused, captured and sent keys through the X server. harness.sh sources it.

xvfb_pid='' wm_pid=''

# The server's own key repeat starts after five seconds, not the usual half second: on a very
# busy machine classic SDL can miss that a repeat is one, which no game can mend, and no case
# holds a key that long. SDL's own key repeat, were the game to turn it on, starts sooner.
# The screen is 640 x 480 unless X_SCREEN gives another size.
start_x() {
    Xvfb -displayfd 3 -noreset -nolisten tcp -ardelay 5000 -screen 0 "${X_SCREEN:-640x480}x24" \
        3>"$work/display" 2>"$work/xvfb.log" &
    xvfb_pid=$!
    STOPS+=(stop_x)
    within_limit test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
    export DISPLAY=":$(cat "$work/display")"
    # The server's keyboard takes the keymap of the device that typed last, and tells every
    # client when that changes. The cases type through XTest's keyboard, whose first key would
    # have openbox drop and remake all its key bindings, and a key sent meanwhile reach the game
    # as a plain key. Typed here, before any client, the first key changes the keymap unheard.
    xdotool key shift || fail "xdotool cannot type on Xvfb"
}
stop_x() { kill "$xvfb_pid" 2>/dev/null; }

# Openbox on the X server, with the key bindings its package ships: a private home hides any
# user's own configuration, and with the XDG folders unset it reads the system's default one.
start_openbox() {
    mkdir "$work/openbox"
    env -u XDG_CONFIG_HOME -u XDG_CONFIG_DIRS -u XDG_DATA_HOME -u XDG_CACHE_HOME \
        HOME="$work/openbox" openbox --sm-disable >"$work/openbox.log" 2>&1 &
    wm_pid=$!
    STOPS+=(stop_openbox)
    # Openbox names itself on the root window before its event loop runs, and a window mapped in
    # between waits unseen until some later event wakes it. So openbox has started once it has
    # answered requests, each made again until the root shows the answer: for two desktops, then
    # one (whatever number its configuration starts with, one of the two is a real answer).
    within_limit desktops_set_to 2 && within_limit desktops_set_to 1 ||
        fail "openbox did not start: $(cat "$work/openbox.log")"
}
stop_openbox() { kill "$wm_pid" 2>/dev/null; }
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
# Openbox has made the window its active one, which its own keys, Alt+F4 among them, act on.
active() {
    local id
    id=$(xprop -root _NET_ACTIVE_WINDOW 2>/dev/null | awk '/window id #/ {print $NF}')
    [ -n "$id" ] && [ $((id)) -eq "$win" ]
}

# Keys go to the window with the input focus. Openbox acts on the window it has made active,
# which it does only once it has seen that focus arrive.
x11_focus() {
    [ -z "$wm_pid" ] || within_limit framed || fail "openbox did not frame the window"
    xdotool windowfocus --sync "$win"
    [ -z "$wm_pid" ] || within_limit active || fail "openbox did not make the window active"
}
x11_windows() { xdotool search --onlyvisible --name '^Zorvanel$' 2>/dev/null; }
x11_window_size() {
    xwininfo -id "$win" | awk '/Width:/ {w = $2} /Height:/ {h = $2} END {print w "x" h}'
}
x11_window_class() {
    xprop -id "$win" WM_CLASS | sed -n 's/^WM_CLASS(STRING) = ".*", "\(.*\)"$/\1/p'
}
x11_grab() {
    local id=$1
    shift
    import -window "$id" "$@" 2>/dev/null
}
x11_press() { xdotool key "$1"; }
x11_close() { xdotool key alt+F4; }
