#!/usr/bin/env bash
# Installs Debian's own 32-bit Wine (wine32, wine32-preloader, libwine:i386 and their i386
# libraries) unpacked into a private folder, for the 32-bit Windows and end-to-end tiers.
# Called by scripts/setup.sh (as root).
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
# Everything lives under /var/cache/diagreso/wine32 (DIAGRESO_WINE32_DIR), outside any
# checkout, so a clean clone or a wiped build folder reuses it; a second run finds its
# stamp and does nothing, and a rebuild of the folder reuses the lists and .debs.
#
#   apt/     the private apt state: i386 package lists and the downloaded .debs
#   root/    the unpacked packages: root/usr/lib/wine/wine is the 32-bit loader
#
# usage: scripts/wine32-root.sh          prints the root folder when ready
set -euo pipefail

dir=${DIAGRESO_WINE32_DIR:-/var/cache/diagreso/wine32}
root=$dir/root
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
if [ -f "$root/.diagreso-root" ] && [ "$(cat "$root/.diagreso-root")" = "$want" ]; then
    echo "$root"
    exit 0
fi

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
    apt-get "${apt_opts[@]}" update >"$dir/apt-update.log" 2>&1 || { log "apt-get update failed: see $dir/apt-update.log"; exit 1; }
    download || { log "could not download the 32-bit Wine packages: see $dir/apt.log"; exit 1; }
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
rm -rf "$root"
mv "$root.new" "$root"
log "32-bit Wine $version ready in $((SECONDS - started)) s"
echo "$root"
