#!/usr/bin/env bash
# Checks that scripts/ensure-packages asks apt for exactly what dpkg lacks, whatever apt prints,
# and waits for another apt: it runs against copies of this system's dpkg database with one
# package changed, with apt-get, sudo and id replaced by stubs that print nothing and only record
# their calls (id says whom it runs as), and with apt's lists and downloads in folders of its
# own, whose locks a row holds as another apt would.
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin" "$work/dpkg" "$work/lists" "$work/archives" "$work/no-sudo"
export APT_CONFIG=$work/apt.conf
printf 'Dir::State::Lists "%s/lists/";\nDir::Cache::Archives "%s/archives/";\n' "$work" "$work" \
    >"$APT_CONFIG"

# Holds lock file $1 for two seconds, as another apt would, from the moment it returns; it adds
# "released" to the calls just before it lets go.
hold() {
    rm -f "$work/held"
    flock "$1" sh -c "touch '$work/held'; sleep 2; echo released >>'$work/calls'" &
    until [ -e "$work/held" ]; do sleep 0.1; done
}
export -f hold
export work
# apt-get, which on the first call that TAKEN_FIRST names finds the lists just taken, and fails.
cat >"$work/bin/apt-get" <<'EOF'
#!/usr/bin/env bash
echo apt-get "$@" >>"$work/calls"
if [ "${TAKEN_FIRST:-}" = "$1" ] && [ ! -e "$work/taken" ]; then
    touch "$work/taken"
    hold "$work/lists/lock" >/dev/null
    exit 100
fi
EOF
printf '#!/bin/sh\necho sudo "$@" >>"%s/calls"\n' "$work" >"$work/bin/sudo"
printf '#!/bin/sh\necho "$RUN_AS"\n' >"$work/bin/id"
chmod +x "$work/bin/apt-get" "$work/bin/sudo" "$work/bin/id"
# A PATH without sudo: the stubs but sudo, and the commands the script runs besides.
for command in bash env apt-config dpkg-query awk grep stat sleep; do
    ln -s "$(command -v "$command")" "$work/no-sudo/"
done
ln -s "$work/bin/apt-get" "$work/bin/id" "$work/no-sudo/"

# Prints the database with the paragraph of package $1 edited by sed script $2.
edited() {
    awk -v package="$1" -v RS= '$0 ~ "(^|\n)Package: " package "\n"' /var/lib/dpkg/status |
        sed "$2"
    echo
    awk -v package="$1" -v RS= -v ORS='\n\n' '$0 !~ "(^|\n)Package: " package "\n"' \
        /var/lib/dpkg/status
}

fails=0
failed() {
    echo "FAIL $name: $*; it said: $(cat "$work/said"); all calls:" >&2
    cat "$work/calls" >&2
    fails=1
}
# what the database holds | who runs it | package | its edit | what apt must be asked to install
# Who: root; user, through sudo; no sudo, which must name what to install and call nothing; or
# root while another apt holds the lists or the downloads, or takes the lists just before it.
while IFS='|' read -r name who package edit expected; do
    edited "$package" "$edit" >"$work/dpkg/status"
    : >"$work/calls"
    rm -f "$work/taken"
    path=$work/bin:$PATH run_as=0 taken_first='' status=0
    # The calls in order, released meaning the other apt let go.
    steps='update install'
    case $who in
        user) run_as=1000 ;;
        'no sudo') run_as=1000 path=$work/no-sudo steps='' ;;
        'lists busy') hold "$work/lists/lock"; steps="released $steps" ;;
        'downloads busy') hold "$work/archives/lock"; steps='update released install' ;;
        'lists taken first') taken_first=update steps='update released update install' ;;
    esac
    [ -n "$expected" ] || steps=''
    RUN_AS=$run_as TAKEN_FIRST=$taken_first PATH=$path DPKG_ADMINDIR=$work/dpkg \
        "$SOURCE_DIR/scripts/ensure-packages" test >"$work/said" 2>&1 || status=$?
    wait
    asked=$(sed -n 's/.*apt-get .*install -y --no-install-recommends //p' "$work/calls")
    called=$(awk '{print $1 == "released" ? "released" : / install / ? "install" : "update"}' \
        "$work/calls" | paste -s -d ' ')
    if [ "$who" = 'no sudo' ] && [ -n "$expected" ]; then
        [ "$status" -eq 1 ] && [ ! -s "$work/calls" ] &&
            grep -q "apt-get install --no-install-recommends $expected\$" "$work/said" ||
            failed "exit status $status, not 1 with a message naming '$expected' and no calls"
    elif [ "$status" -ne 0 ] || [ "$asked" != "$expected" ] || [ "$called" != "$steps" ]; then
        failed "exit status $status, apt asked for '$asked', not '$expected', in '$called'" \
            "rather than '$steps'"
    elif [ "$who" = user ] && grep -q -v '^sudo ' "$work/calls"; then
        failed "apt was called without sudo"
    fi
done <<'EOF'
everything installed|root|xdotool||
provided by another package|root|libsdl1.2-dev|s/^Package: .*/Package: zorvanel-provider/; /^Provides:/d; $a Provides: libsdl1.2-dev (= 1.2.68-1)|
installed for two architectures|root|libsdl2-2.0-0|H; $!d; x; p; s/\nArchitecture: [^\n]*/\nArchitecture: i386/|
not installed|root|xdotool|d|xdotool
removed, its configuration left|root|xdotool|s/^Status: .*/Status: deinstall ok config-files/|xdotool
half configured|root|xdotool|s/^Status: .*/Status: install ok half-configured/|xdotool
not installed, for a user|user|xdotool|d|xdotool
not installed, for a user without sudo|no sudo|xdotool|d|xdotool
everything installed, for a user without sudo|no sudo|xdotool||
not installed, the lists busy|lists busy|xdotool|d|xdotool
not installed, the downloads busy|downloads busy|xdotool|d|xdotool
not installed, the lists taken just before|lists taken first|xdotool|d|xdotool
EOF
exit $fails
