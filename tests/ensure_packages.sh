#!/usr/bin/env bash
# Checks that scripts/ensure-packages asks apt for exactly what dpkg lacks, whatever apt prints:
# it runs against copies of this system's dpkg database with one package changed, and apt-get
# and sudo replaced by stubs that print nothing and only record their calls.
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin" "$work/dpkg"
for stub in apt-get sudo; do
    printf '#!/bin/sh\necho %s "$@" >>"%s/calls"\n' "$stub" "$work" >"$work/bin/$stub"
    chmod +x "$work/bin/$stub"
done

# Prints the database with the paragraph of package $1 edited by sed script $2.
edited() {
    awk -v package="$1" -v RS= '$0 ~ "(^|\n)Package: " package "\n"' /var/lib/dpkg/status |
        sed "$2"
    echo
    awk -v package="$1" -v RS= -v ORS='\n\n' '$0 !~ "(^|\n)Package: " package "\n"' \
        /var/lib/dpkg/status
}

fails=0
# what the database holds | package | its edit | what apt must be asked to install
while IFS='|' read -r name package edit expected; do
    edited "$package" "$edit" >"$work/dpkg/status"
    : >"$work/calls"
    PATH=$work/bin:$PATH DPKG_ADMINDIR=$work/dpkg "$SOURCE_DIR/scripts/ensure-packages" test \
        >/dev/null
    asked=$(sed -n 's/.*apt-get install -y --no-install-recommends //p' "$work/calls")
    if [ "$asked" != "$expected" ] || { [ -z "$expected" ] && [ -s "$work/calls" ]; }; then
        echo "FAIL $name: apt was asked for '$asked', not '$expected'; all calls:" >&2
        cat "$work/calls" >&2
        fails=1
    fi
done <<'EOF'
everything installed|xdotool||
provided by another package|libsdl1.2-dev|s/^Package: .*/Package: zorvanel-provider/; /^Provides:/d; $a Provides: libsdl1.2-dev (= 1.2.68-1)|
installed for two architectures|libsdl2-2.0-0|H; $!d; x; p; s/\nArchitecture: [^\n]*/\nArchitecture: i386/|
not installed|xdotool|d|xdotool
removed, its configuration left|xdotool|s/^Status: .*/Status: deinstall ok config-files/|xdotool
half configured|xdotool|s/^Status: .*/Status: install ok half-configured/|xdotool
EOF
exit $fails
