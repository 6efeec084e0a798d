#!/usr/bin/env bash
# Installs Debian's own 32-bit Wine (wine32, wine32-preloader, libwine:i386 and their i386
# libraries) unpacked into a private folder, for the 32-bit Windows and end-to-end tiers;
# makes it whole as the packages' maintainer scripts would, and checks it once by making
# a prefix. Called by scripts/setup.sh (as root).
#
# Not multiarch (dpkg --add-architecture i386, wine32:i386): that turns the system's
# `wine` launcher into the 32-bit loader for every user of the machine, and makes any
# checkout whose setup refuses wine32 stop, on a machine shared with other work. Here
# the system's 64-bit Wine is left byte for byte as it was.
#
# The packages come from the machine's own Debian sources, through apt with a
# configuration of its own (i386 lists and .deb cache under the folder below), at the
# version of the installed wine64. libc6:i386 is left out: the i386 programs run under
# the host's /lib/ld-linux.so.2 (libc6-i386), and a loader must run its own libc build.
#
# `dpkg-deb -x` runs no maintainer script. Of those of the unpacked packages (read with
# `dpkg-deb -e`), one matters here: libwine's postinst (run again by its trigger on the
# mingw-w64 folders) writes zlib1.dll into Wine's i386-windows and x86_64-windows
# folders, libz-mingw-w64's DLL with Wine's builtin marker at offset 64. Without it
# user32.dll does not load and no prefix can be made; it is done here the same way. The
# others change nothing the tiers use: libc6's (ldconfig: the host's loader runs, with
# LD_LIBRARY_PATH), fontconfig-config's (hinting links in /etc/fonts: the i386
# libfontconfig reads the host's), libglib2.0-0's (GIO module cache, GSettings schemas),
# libgstreamer1.0-0's (gst-ptp-helper's capabilities), libgcrypt20's, libgssapi-krb5-2's,
# libpulse0's and debconf's (upgrades of a system's own files, questions).
#
# Everything lives under /var/cache/diagreso/wine32 (DIAGRESO_WINE32_DIR), outside any
# checkout, so a clean clone or a wiped build folder reuses it; a second run finds its
# stamps and does nothing, and a rebuild of the folder reuses the lists and .debs.
#
#   apt/        the private apt state: i386 package lists and the downloaded .debs
#   root/       the unpacked packages: root/usr/lib/wine/wine is the 32-bit loader
#   root-qemu/  root/ again as hard links, but for usr/lib/wine/wine-preloader: a script
#               that starts the real preloader under qemu-i386. Wine starts every process
#               through the preloader beside its loader, so from this copy every Wine
#               process runs emulated. For machines whose i386 programs run through
#               qemu-i386 (scripts/i386-mode.sh); root/ is never changed for it.
#
# The root of the way DIAGRESO_I386 chooses is checked once by making a 32-bit prefix in a
# temporary folder (its log: check-native.log or check-qemu.log here).
#
# usage: scripts/wine32-root.sh     prints the root folder of that way when ready
# Exits 0 when ready; 3 when the packages could not be downloaded (no mirror reached);
# 1 when the root cannot be made or cannot make a prefix.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
dir=${DIAGRESO_WINE32_DIR:-/var/cache/diagreso/wine32}
root=$dir/root
qroot=$dir/root-qemu
log() { echo "setup: $*" >&2; }

version=$(dpkg-query -W -f='${Version}' wine64 2>/dev/null) || { log "wine64 is not installed"; exit 1; }
libc=$(dpkg-query -W -f='${Version}' libc6-i386 2>/dev/null) || { log "libc6-i386 is not installed"; exit 1; }
# The loader and the server of both widths at one version; the X libraries Wine's display
# driver loads at run time, as the 64-bit side has them.
packages=(
    "wine32=$version" "wine32-preloader=$version" "libwine=$version"
    libxrandr2 libxrender1 libxinerama1 libxcursor1 libxi6 libxfixes3 libxcomposite1 libxxf86vm1
)
want="wine $version; libc6-i386 $libc; ${packages[*]}"

mkdir -p "$dir"
exec {lock}>"$dir/.lock"
flock "$lock"

# What libwine's postinst does, in the root DIR: for each Windows architecture, the
# mingw-w64 zlib1.dll with "Wine builtin DLL" and 16 zero bytes at offset 64. Each DLL is
# written beside and renamed, so a run using the root meanwhile sees it whole or not at
# all. DIR/.diagreso-whole then names the unpacked set and the DLL it was made from.
whole_stamp() { echo "$want; zlib1.dll $(sha256sum <"$1/usr/i686-w64-mingw32/lib/zlib1.dll" | cut -c1-16)"; }
is_whole() { [ -f "$1/.diagreso-whole" ] && [ "$(cat "$1/.diagreso-whole")" = "$(whole_stamp "$1" 2>/dev/null)" ]; }
make_whole() {
    local into=$1 mingw_arch wine_arch in out
    for mingw_arch in i686 x86_64; do
        wine_arch=$mingw_arch
        [ "$mingw_arch" = i686 ] && wine_arch=i386
        in=$into/usr/$mingw_arch-w64-mingw32/lib/zlib1.dll
        out=$into/usr/lib/i386-linux-gnu/wine/$wine_arch-windows/zlib1.dll
        if [ ! -f "$in" ] || [ ! -d "${out%/*}" ]; then
            # 32-bit prefixes load only the i386 one.
            [ "$wine_arch" = x86_64 ] && continue
            log "32-bit Wine root lacks $in or ${out%/*}"
            return 1
        fi
        {
            head -c 64 "$in"
            printf '%b' 'Wine builtin DLL' '\0\0\0\0\0\0\0\0' '\0\0\0\0\0\0\0\0'
            tail -c +97 "$in"
        } >"$out.new"
        chmod 644 "$out.new"
        mv -f "$out.new" "$out"
    done
    whole_stamp "$into" >"$into/.diagreso-whole"
}

if [ ! -f "$root/.diagreso-root" ] || [ "$(cat "$root/.diagreso-root")" != "$want" ]; then
    apt_opts=(
        -o "Dir::State=$dir/apt/state" -o "Dir::State::status=$dir/apt/dpkg/status"
        -o "Dir::Cache=$dir/apt/cache" -o APT::Architecture=i386 -o APT::Architectures::=i386
        -o APT::Install-Recommends=false -q
    )
    mkdir -p "$dir/apt/state/lists/partial" "$dir/apt/cache/archives/partial" "$dir/apt/dpkg"
    # An empty status: apt then fetches every i386 dependency, none taken as installed.
    : >"$dir/apt/dpkg/status"
    download() {
        apt-get "${apt_opts[@]}" install --download-only -y "${packages[@]}" >"$dir/apt.log" 2>&1
    }
    started=$SECONDS
    # The lists of an earlier run are tried first; they are refreshed when they are missing
    # or too old for the versions wanted.
    if ! download; then
        log "32-bit Wine: fetching the i386 package lists"
        # A mirror in the middle of a sync serves an index of the wrong size for a minute or
        # so: the update is tried again after a pause, and then the lists that did come are
        # used. Only packages that cannot be had fail the download.
        for try in 1 2 3 4; do
            apt-get "${apt_opts[@]}" update >"$dir/apt-update.log" 2>&1 && break
            log "apt-get update failed (try $try of 4): see $dir/apt-update.log"
            if [ "$try" -lt 4 ]; then sleep 20; fi
        done
        download || { log "could not download the 32-bit Wine packages: $(grep -m3 '^E:' "$dir/apt.log" | tr '\n' ' ')(see $dir/apt.log)"; exit 3; }
    fi

    # The .debs this set needs, as apt resolves it (the cache may hold other versions too):
    # with an empty status, a simulated install lists every one.
    debs=()
    while read -r name ver arch; do
        f=$dir/apt/cache/archives/${name}_${ver//:/%3a}_$arch.deb
        [ -f "$f" ] || { log "missing $f: see $dir/apt.log"; exit 1; }
        debs+=("$f")
    done < <(apt-get "${apt_opts[@]}" install -s -y "${packages[@]}" 2>/dev/null |
        sed -n 's/^Inst \([^ :]*\)[^ ]* (\([^ ]*\) [^[]*\[\([a-z0-9]*\)\]).*/\1 \2 \3/p')
    ((${#debs[@]})) || { log "no 32-bit Wine packages resolved: see $dir/apt.log"; exit 1; }

    log "32-bit Wine: unpacking ${#debs[@]} packages into $root"
    rm -rf "$root.new"
    mkdir -p "$root.new"
    for deb in "${debs[@]}"; do
        case ${deb##*/} in libc6_*) continue ;; esac # the host's libc6-i386 runs instead
        dpkg-deb -x "$deb" "$root.new"
    done
    for f in usr/lib/wine/wine usr/lib/wine/wine-preloader usr/lib/i386-linux-gnu/wine/i386-unix/ntdll.so \
        usr/lib/i386-linux-gnu/wine/i386-windows/kernel32.dll usr/share/wine/wine.inf; do
        [ -e "$root.new/$f" ] || { log "32-bit Wine root lacks $f"; exit 1; }
    done
    echo "$want" >"$root.new/.diagreso-root"
    make_whole "$root.new"
    rm -rf "$root"
    mv "$root.new" "$root"
    log "32-bit Wine $version unpacked in $((SECONDS - started)) s"
fi
# A root unpacked before this step existed is made whole where it is.
is_whole "$root" || { log "32-bit Wine: writing zlib1.dll into $root"; make_whole "$root"; }

# The emulated way's copy: hard links (no space, well under a second), its own preloader.
qwant="$(cat "$root/.diagreso-whole"); wine-preloader under qemu-i386, v1"
if [ ! -f "$qroot/.diagreso-qemu" ] || [ "$(cat "$qroot/.diagreso-qemu")" != "$qwant" ]; then
    rm -rf "$qroot.new"
    cp -al "$root" "$qroot.new"
    pre=$qroot.new/usr/lib/wine/wine-preloader
    rm -f "$pre" # the package's link to wine-preloader.static; root/'s stays as it is
    printf '%s\n' '#!/bin/sh' \
        '# Every Wine process starts through here: under qemu-i386 (scripts/wine32-root.sh).' \
        'exec qemu-i386 -L / "$(dirname "$0")/wine-preloader.static" "$@"' >"$pre"
    chmod 755 "$pre"
    echo "$qwant" >"$qroot.new/.diagreso-qemu"
    rm -rf "$qroot"
    mv "$qroot.new" "$qroot"
fi

# The way this machine runs them, checked once by making a prefix: a broken root says so
# here, at setup, not later as a tier not run.
if ! how=$("$here/i386-mode.sh"); then
    log "32-bit Wine installed but not checked: $how"
    echo "$root"
    exit 0
fi
way=${how%% *}
use=$root
[ "$way" = qemu ] && use=$qroot
if [ ! -f "$use/.diagreso-checked" ] || ! cmp -s "$use/.diagreso-checked" "$use/.diagreso-whole"; then
    t0=$SECONDS
    check=$(mktemp -d)
    rc=0
    (
        set +euo pipefail # wine-env.sh is written for the test scripts' shell options
        # shellcheck source=scripts/wine-env.sh
        source "$here/wine-env.sh"
        wine_env_init "$check" win32 && wine_prefix_template
    ) >"$dir/check-$way.log" 2>&1 || rc=$?
    cat "$check/wine/wineboot.log" >>"$dir/check-$way.log" 2>/dev/null || true
    rm -rf "$check"
    if [ "$rc" -ne 0 ]; then
        log "32-bit Wine ($way) could not make a prefix: $dir/check-$way.log ends"
        tail -n 15 "$dir/check-$way.log" | sed 's/^/  /' >&2
        exit 1
    fi
    cp "$use/.diagreso-whole" "$use/.diagreso-checked"
    log "32-bit Wine ($way) checked: a 32-bit prefix made in $((SECONDS - t0)) s"
fi
echo "$use"
