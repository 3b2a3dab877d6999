#!/usr/bin/env bash
# Installs the game into a staging folder as a package would, plays it through its launcher,
# and validates what a desktop reads. BUILD_DIR names the build folder, CMAKE the cmake to use.
set -euo pipefail

: "${BUILD_DIR:?names the build folder}" "${CMAKE:?names cmake}"
ID=io.github.zorvanel.Zorvanel

ZORVANEL="$BUILD_DIR/zorvanel"  # replaced below by the staged launcher
source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"

# A space in the staging folder catches a launcher that splits its own path.
stage="$work/staged root"
usr="$stage/usr"
DESTDIR="$stage" "$CMAKE" --install "$BUILD_DIR" --prefix /usr >"$work/install.log" ||
    fail "install failed: $(cat "$work/install.log")"

# Starts the game from a folder that has none of its files, and quits it with Q.
play_from_elsewhere() {
    echo "playing $1"
    mkdir -p "$work/play"
    launch
    xdotool key q
    expect_exit 0
    expect_trace "${LAYOUT_TRACE[@]}"
}

start_x
ZORVANEL="$usr/games/zorvanel"
play_from_elsewhere "by the launcher's path"
# A relative link in another folder, found on PATH, as a player's ~/bin might hold.
mkdir "$work/bin"
ln -s "../staged root/usr/games/zorvanel" "$work/bin/zorvanel"
ZORVANEL=zorvanel GAME_PREFIX=(env PATH="$work/bin:$PATH")
play_from_elsewhere "through a link on PATH"

# Findings that are facts, not faults, which a check may report and still pass:
# - url-homepage-missing: the project has no public home yet, and invents no address for one;
# - unknown-tag developer: AppStream before 1.0 (Debian 12) does not know <developer>, the
#   element that replaced <developer_name>.
ACCEPTED='^ *[IW]: [^ ]+: (url-homepage-missing|unknown-tag developer)$'

# Runs a check, which must pass and say nothing, bar appstreamcli's summary, the name of the
# file a finding is in, and the findings above.
quiet() {
    local said status=0 rest
    said=$("$@" 2>&1) || status=$?
    rest=$(grep -v -E -e "$ACCEPTED" -e '^$' -e 'Validation (was successful|failed)' \
        -e '^[^ ]+\.metainfo\.xml$' <<<"$said" || true)
    [ -z "$rest" ] || fail "$1 said: $said"
    [ "$status" -eq 0 ] || grep -q -E "$ACCEPTED" <<<"$said" || fail "$*: exit status $status: $said"
}
man_page="$usr/share/man/man6/zorvanel.6.gz"
zcat "$man_page" >"$work/zorvanel.6" || fail "no compressed man page"
quiet desktop-file-validate "$usr/share/applications/$ID.desktop"
quiet appstreamcli validate --no-net --pedantic "$usr/share/metainfo/io.github.zorvanel.zorvanel.metainfo.xml"
quiet appstreamcli validate-tree --no-net --pedantic "$usr"
quiet groff -man -Tutf8 -ww -z "$work/zorvanel.6"
lexgrog "$man_page" >/dev/null || fail "whatis cannot read the man page's NAME"

for size in 64 128; do
    icon="$usr/share/icons/hicolor/${size}x$size/apps/$ID.png"
    [ "$(identify -format '%m %wx%h' "$icon" 2>&1)" = "PNG ${size}x$size" ] || fail "no $size-pixel icon"
done
echo "ok: install"
