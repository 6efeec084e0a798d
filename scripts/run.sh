#!/usr/bin/env bash
# Builds the 64-bit exe and runs it under Wine in a 1280 x 1024 virtual desktop that
# stands for the screen. With $DISPLAY set the desktop opens there; without one, a
# private Xvfb is used: the program runs a few seconds, a screenshot is saved, and
# everything stops.
#
# usage: scripts/run.sh            (as root on Debian 12; installs what is missing)
# The program runs in build/run/ (its W_ECRA_R.WDO is kept there between runs).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

scripts/setup.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target diagreso

build="$root/build/win64"
workdir="$root/build/run"
mkdir -p "$workdir"
cp -f assets/rendered/fc_img_024.gif "$workdir/"

# shellcheck source=scripts/wine-env.sh
source scripts/wine-env.sh
wine_env_init "$build"
export LC_ALL=C.UTF-8
wine_prefix_template
# The user's own prefix, made once from the template; display modes changed by the
# program are stored there as the user's setting, as on Windows.
export WINEPREFIX="$build/wine/user"
[ -d "$WINEPREFIX" ] || cp -a "$build/wine/template" "$WINEPREFIX"

if [ -n "${DISPLAY:-}" ]; then
    echo "diagreso runs in a 1280 x 1024 Wine desktop on $DISPLAY; quit with its exit picture."
    cd "$workdir" && exec wine "$build/src/diagreso.exe"
fi

trap wine_cleanup EXIT
wine_start_xvfb
first_start=true
[ -f "$workdir/W_ECRA_R.WDO" ] && first_start=false
(cd "$workdir" && wine "$build/src/diagreso.exe" >/dev/null 2>&1 &)
# A first start's tick writes the record file whole: the window is up and filled in then.
# A later start writes nothing, so it gets the time a start and its tick take here.
if $first_start; then wine_wait_for_file "$workdir/W_ECRA_R.WDO" 80 30 || true; sleep 0.5; else sleep 4; fi
shot="$build/artefacts/run.png"
mkdir -p "$(dirname "$shot")"
import -window root "$shot"
echo "no display: ran headless under Xvfb; screenshot saved to $shot"
