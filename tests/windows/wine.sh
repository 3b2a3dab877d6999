# The end-to-end tests' Wine side: the Windows game from its zip, played with wine on the X
# server in a fresh prefix that the cases of one run share. Source it after harness.sh with
# ZIP naming the zip; start_wine then opens the session, once the X server runs.

# Wine stays quiet, and leaves out the .NET and HTML engines it would offer to install.
export WINEPREFIX=$work/wine WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
unzip -q "${ZIP:?names the zip}" -d "$work/zip"
unpacked=$(echo "$work"/zip/*/)
# Each play folder is the zip as it unpacks, the game in it.
PLAY_FILES=("$unpacked.")
ZORVANEL=$work/play/zorvanel.exe
GAME_PREFIX=(wine)
# SDLmain sends standard output to stdout.txt beside the exe, with Windows line ends.
TRACE_FILE=$work/play/stdout.txt
TRACE_END='\r\n'
g++ -o "$work/close_window" "$(dirname "${BASH_SOURCE[0]}")/../standins/close_window.cpp" -lX11

# One session for the whole run, which also makes the prefix (the first wine run is the slow one).
start_wine() {
    x86_64-w64-mingw32-gcc-win32 -o "$work/wine_session.exe" \
        "$(dirname "${BASH_SOURCE[0]}")/wine_session.c"
    wine "$work/wine_session.exe" >"$work/session" 2>&1 &
    STOPS+=(stop_wine)
    local deadline=$((SECONDS + 2 * LIMIT))  # making the prefix takes longer than anything else
    until grep -q ready "$work/session"; do
        [ $SECONDS -lt $deadline ] || fail "Wine's session did not start: $(cat "$work/session")"
        sleep 0.1
    done
}
# Wine's server outlives the game and writes into the prefix as it goes: it ends before the
# work folder is deleted.
stop_wine() { wineserver -k 2>/dev/null; wineserver -w 2>/dev/null; }

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
