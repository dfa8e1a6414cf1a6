#!/bin/sh
# Makes the Debian 13 root that runs Wine 10, the Wine that runs the i686
# build, and makes sure this machine can start its 32-bit programs.
# Debian packages only. Usage: make-wine10-root.sh ROOT
#
# The root is made once and again only when it is missing or this recipe
# changed (the recipe's hash is kept in ROOT/.vexa-recipe). Programs run in it
# through bubblewrap (tests/harness/wine.py), so no mount outlives them.
#
# 32-bit programs: Wine's WoW64 mode runs them inside a 64-bit process, but
# needs the CPU's 32-bit compatibility mode, which some kernels do not offer
# (a kernel with 32-bit emulation switched off, or a VM that has none: WoW64
# then dies at its first 32-bit system call). The root therefore also holds
# Wine's 32-bit loader (wine32:i386), and where the kernel cannot start a
# 32-bit Linux program, qemu's user-mode emulator is registered with the
# kernel (binfmt_misc) to run that loader.
set -eu
ROOT=$1
SELF=$(readlink -f "$0")
RECIPE=$(sha256sum "$SELF" | cut -c1-64)
MIRROR=${VEXA_DEBIAN_MIRROR:-http://deb.debian.org/debian}
BINFMT=/proc/sys/fs/binfmt_misc
BINFMT_NAME=vexa-i386
SUDO=""; [ "$(id -u)" = 0 ] || SUDO=sudo

inside() {
    root=$1; shift
    $SUDO bwrap --bind "$root" / --proc /proc --dev /dev --ro-bind /etc/resolv.conf /etc/resolv.conf \
        --setenv PATH /usr/sbin:/usr/bin:/sbin:/bin --setenv DEBIAN_FRONTEND noninteractive \
        --setenv LANG C.UTF-8 "$@"
}

make_root() {
    NEW="$ROOT.new"
    echo "making the Wine 10 root in $ROOT (once; a few minutes and about 400 MB of packages)"
    $SUDO rm -rf "$NEW"
    mkdir -p "$(dirname "$ROOT")"
    $SUDO debootstrap --variant=minbase trixie "$NEW" "$MIRROR" >"$NEW.log" 2>&1 || {
        tail -20 "$NEW.log"; exit 1; }
    # Wine 10, 64- and 32-bit, and what its X11 driver loads; fonts for Latin
    # and Chinese text; locales for the zh_CN.UTF-8 the tests run in (Wine
    # takes its code page 936 from it); qemu's user-mode emulator.
    inside "$NEW" dpkg --add-architecture i386
    inside "$NEW" apt-get -q update >>"$NEW.log"
    inside "$NEW" apt-get -q install -y --no-install-recommends wine64 libwine wine32:i386 libwine:i386 \
        fonts-wine fonts-liberation fonts-wqy-microhei locales qemu-user \
        libxcursor1 libxrandr2 libxi6 libxinerama1 libxcomposite1 libxxf86vm1 \
        libxcursor1:i386 libxrandr2:i386 libxi6:i386 libxinerama1:i386 libxcomposite1:i386 libxxf86vm1:i386 \
        >>"$NEW.log"
    inside "$NEW" sh -ec "sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen; \
        grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >>/etc/locale.gen; \
        locale-gen >/dev/null"
    # debootstrap may leave no localhost line; TLS tests address the loopback
    # server by that name.
    printf '127.0.0.1\tlocalhost\n::1\tlocalhost ip6-localhost ip6-loopback\n' | $SUDO tee "$NEW/etc/hosts" >/dev/null
    inside "$NEW" apt-get clean
    # Every prefix copies Wine's PE DLLs: without their debug sections the root
    # and each prefix are much smaller (Wine's builtin marker stays).
    for dir in x86_64-linux-gnu/wine/x86_64-windows i386-linux-gnu/wine/i386-windows; do
        case $dir in x86_64*) strip=x86_64-w64-mingw32-strip ;; *) strip=i686-w64-mingw32-strip ;; esac
        find "$NEW/usr/lib/$dir" -type f -exec $SUDO $strip --strip-debug {} + 2>/dev/null || true
    done
    VERSION=$(inside "$NEW" dpkg-query -W -f '${Version}' libwine:amd64)
    echo "$RECIPE" | $SUDO tee "$NEW/.vexa-recipe" >/dev/null
    $SUDO rm -rf "$ROOT" "$NEW.log"
    $SUDO mv "$NEW" "$ROOT"
    echo "Wine 10 root ready: $ROOT (wine $VERSION)"
}

# Runs Wine's 32-bit loader once; true when it starts.
loader_starts() {
    inside "$ROOT" /usr/lib/wine/wine --version >/dev/null 2>&1
}

ensure_32bit_programs_start() {
    entry="$BINFMT/$BINFMT_NAME"
    qemu="$ROOT/usr/bin/qemu-i386"
    if [ -f "$entry" ]; then
        # Registered by an earlier run: keep it while it names this root's qemu.
        if grep -qx "interpreter $qemu" "$entry" && loader_starts; then return 0; fi
        echo -1 | $SUDO tee "$entry" >/dev/null
    fi
    loader_starts && return 0  # the kernel runs 32-bit programs itself
    [ -f "$BINFMT/register" ] || $SUDO mount -t binfmt_misc binfmt_misc "$BINFMT"
    # i386 ELF executables, as Debian's qemu-user-binfmt describes them; "F"
    # opens the emulator now, so it is found inside every root.
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    printf ':%s:M::%s:%s:%s:F\n' "$BINFMT_NAME" "$magic" "$mask" "$qemu" | $SUDO tee "$BINFMT/register" >/dev/null
    loader_starts || { echo "Wine's 32-bit loader does not start, even emulated" >&2; exit 1; }
    echo "this kernel runs no 32-bit code: 32-bit programs start through qemu-i386 ($entry)"
}

if [ ! -f "$ROOT/.vexa-recipe" ] || [ "$(cat "$ROOT/.vexa-recipe")" != "$RECIPE" ]; then
    make_root
fi
ensure_32bit_programs_start
