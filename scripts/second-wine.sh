# Sourced by test.sh. A second implementation of Windows to test on: the Wine of Debian 13, in
# a root of its own made from Debian's packages and kept on the machine between runs.
#   second_wine_root      makes the root unless it is there already for the same package list,
#                         and sets SECOND_WINE_ROOT to it
#   in_second_wine CMD... runs CMD inside the root, with the project at the same path and a
#                         /tmp of its own; run it inside the emulated route's namespace, whose
#                         rule for 32-bit programs then holds in the root too
SECOND_WINE_SUITE=trixie
SECOND_WINE_CACHE="${TARNWICK_ROOT_CACHE:-/var/cache/tarnwick}"

second_wine_packages() {
    grep -v '^#' "$ROOT/scripts/second-wine-packages" | tr -s ' \n' ' '
}

# The Debian archive this machine installs from, as its apt sources name it: no host name of a
# package source is written into the project.
debian_mirror() {
    local codename
    codename="$(. /etc/os-release && echo "$VERSION_CODENAME")"
    apt-get indextargets --format '$(LABEL) $(CODENAME) $(BASE_URI)' 'Identifier: Packages' |
        awk -v c="$codename" '$1 == "Debian" && $2 == c { sub("dists/.*", "", $3); print $3; exit }'
}

second_wine_root() {
    local key
    key="$( (echo "$SECOND_WINE_SUITE"; second_wine_packages) | sha256sum | cut -c1-16)"
    SECOND_WINE_ROOT="$SECOND_WINE_CACHE/debian13-$key"
    export SECOND_WINE_ROOT
    [ -e "$SECOND_WINE_ROOT/.complete" ] && return 0
    local mirror
    mirror="$(debian_mirror)"
    [ -n "$mirror" ] || { echo "No Debian archive in this machine's apt sources" >&2; return 1; }
    echo "Making the Debian 13 root for the second Wine from $mirror (kept in $SECOND_WINE_CACHE)"
    mkdir -p "$SECOND_WINE_CACHE"
    # Roots made for another package list go; so does a root left half made.
    rm -rf "$SECOND_WINE_CACHE"/debian13-*
    local packages
    packages="$(second_wine_packages)"
    mmdebstrap --quiet --variant=apt --architectures=amd64,i386 --include="${packages// /,}" \
        "$SECOND_WINE_SUITE" "$SECOND_WINE_ROOT" "$mirror" || return 1
    touch "$SECOND_WINE_ROOT/.complete"
}

in_second_wine() {
    local tmp
    tmp="$(mktemp -d)"
    # bubblewrap enters with pivot_root, under which the emulated route's namespace and its rule
    # for 32-bit programs still work (inside a chroot the kernel makes no user namespace).
    bwrap --bind "$SECOND_WINE_ROOT" / --dev /dev --proc /proc --bind "$tmp" /tmp \
        --bind "$ROOT" "$ROOT" \
        --die-with-parent --chdir "$ROOT" -- "$@"
    local status=$?
    rm -rf "$tmp"
    return $status
}
