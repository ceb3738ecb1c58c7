# 32-bit Wine for the Windows stage (sourced by .ci/stages/50-windows).
#
# wine32_prepare: installs 32-bit Wine (slow; may run in the background) and
# prints the way it took, "native" or "root". wine32_setup WRAPPER WAY:
# makes WRAPPER a command that runs a 32-bit Windows program under Wine in
# the current folder, as /usr/lib/wine/wine would (with WINE32_TOOL=wineserver,
# Wine's server instead); returns 1 when there is no way to.
# wine32_cleanup WRAPPER: ends the server and what wine32_setup mounted.
#
# First choice is Debian's wine32 on this machine, after
# `dpkg --add-architecture i386`. Its i386 libraries must carry exactly the
# versions of their installed amd64 twins; when the mirror cannot give them
# (an i386 index of the security suite that does not match its Release file
# fails `apt-get update` for that suite only), wine32 goes into a Debian
# i386 root of its own instead, made with debootstrap and apt, so that the
# machine's own packages are left as they are. Both ways install only
# packages verified against the archive's signed indexes.

wine32_root=/var/cache/lumenfall/i386
wine32_mounts=""

wine32_apt() { # installs wine32 on the machine itself; a few tries for a mirror in sync
    added=0
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
        added=1
    fi
    for try in 1 2 3; do
        if apt-get update -qq >/dev/null 2>&1 &&
            DEBIAN_FRONTEND=noninteractive apt-get install -y -qq wine32 >/dev/null 2>&1; then
            return 0
        fi
        [ $try = 3 ] || sleep 10
    done
    # An i386 index that cannot be had fails every later `apt-get update`
    # (this stage's own, the later stages', the machine's): the architecture
    # is removed again and the indexes read without it.
    if [ $added = 1 ] && dpkg --remove-architecture i386 2>/dev/null; then
        apt-get update -qq >/dev/null 2>&1 || true
    fi
    return 1
}

wine32_make_root() { # the i386 root with wine32, made once and kept between runs
    [ -x "$wine32_root/usr/lib/wine/wine" ] && return 0
    .ci/need debootstrap || return 1
    suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
    rm -rf "$wine32_root.part"
    mkdir -p "$(dirname "$wine32_root")"
    debootstrap --variant=minbase --arch=i386 "$suite" "$wine32_root.part" >"$wine32_root.log" 2>&1 &&
        chroot "$wine32_root.part" sh -c 'apt-get update -qq &&
            DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends wine32' \
            >>"$wine32_root.log" 2>&1 &&
        rm -rf "$wine32_root" && mv "$wine32_root.part" "$wine32_root" ||
        { tail -5 "$wine32_root.log" >&2; return 1; }
}

wine32_prepare() {
    if [ -x /usr/lib/wine/wine ] || wine32_apt; then
        echo native
        return 0
    fi
    echo "wine32 cannot be installed beside this machine's packages (its i386 index is not to be had):" >&2
    echo "the 32-bit programs run under Wine in a Debian i386 root, $wine32_root" >&2
    wine32_make_root && echo root
}

wine32_bind() { # a path, mounted at the same path inside the root
    mkdir -p "$wine32_root$1"
    mount --bind "$1" "$wine32_root$1" && wine32_mounts="$wine32_root$1 $wine32_mounts"
}

wine32_setup() {
    wrapper=$1 way=$2
    if [ "$way" = native ]; then
        printf '#!/bin/sh\nexec /usr/lib/wine/${WINE32_TOOL:-wine} "$@"\n' >"$wrapper"
        chmod +x "$wrapper"
        return 0
    fi
    [ "$way" = root ] || return 1
    if ! mountpoint -q "$wine32_root/proc"; then
        mount -t proc proc "$wine32_root/proc" || return 1
        wine32_mounts="$wine32_root/proc $wine32_mounts"
    fi
    # The devices, the display's socket and the build tree at its own path.
    for path in /dev /tmp/.X11-unix "$(pwd)"; do
        mountpoint -q "$wine32_root$path" || wine32_bind "$path" || return 1
    done
    cat >"$wrapper" <<EOF
#!/bin/sh
exec chroot "$wine32_root" /usr/bin/env HOME=/root PATH=/usr/bin:/bin \\
    /bin/sh -c 'cd "\$0" && exec /usr/lib/wine/\${WINE32_TOOL:-wine} "\$@"' "\$(pwd)" "\$@"
EOF
    chmod +x "$wrapper"
}

wine32_cleanup() {
    [ -x "$1" ] && WINE32_TOOL=wineserver "$1" -k 2>/dev/null
    for mount in $wine32_mounts; do
        umount "$mount" 2>/dev/null || umount -l "$mount" 2>/dev/null
    done
    wine32_mounts=""
}
