# Debian's source packages for the cross-builds, sourced by scripts/build-windows and
# scripts/build-web, which then call use_debian_sources with their cache folder. They come
# through a deb-src list and apt state of our own in that cache's apt/, copied from the machine's
# own sources, so the machine's apt configuration is left as it is. The caller holds the cache's
# lock, since the set-up rewrites that folder.

# Sets up the apt state in folder $1/apt, from the machine's current sources, for apt_source.
use_debian_sources() {
    apt_dir=$1/apt
    mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
    rm -rf "$apt_dir/sources" && mkdir "$apt_dir/sources"
    local list sources
    for list in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ ! -f "$list" ] || sed -n 's/^deb\([[:space:]]\)/deb-src\1/p' "$list" \
            >"$apt_dir/sources/$(basename "$list" .list).list"
    done
    for sources in /etc/apt/sources.list.d/*.sources; do
        [ ! -f "$sources" ] || sed 's/^Types:.*/Types: deb-src/' "$sources" \
            >"$apt_dir/sources/$(basename "$sources")"
    done
}

apt_source() {
    apt-get -qq -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt_dir/sources" \
        -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache" \
        -o APT::Sandbox::User="$(id -un)" "$@"
}

# The version of source package $1 that the lists of the last update name, empty if none. The
# builds are kept under these versions, so a second build needs no network: a script updates
# the lists, and fetches the sources, only when nothing is built for the versions they name.
source_version() {
    apt_source source --print-uris "$1" 2>/dev/null | sed -n "s/^'[^']*' $1_\(.*\)\.dsc .*/\1/p" ||
        true
}

# Fetches the source packages named after folder $1 into it; on failure, stops with apt's words.
fetch_sources() {
    local into=$1
    shift
    (cd "$into" && apt_source source "$@") >"$into/source.log" 2>&1 ||
        { cat "$into/source.log" >&2; exit 1; }
}
