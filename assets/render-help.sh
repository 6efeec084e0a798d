#!/usr/bin/env bash
# Renders the help page assets/decalage.htm with headless Chromium, to look at it
# without a Windows machine:
#   build/artefacts/decalage-1024x768.png  the page as a 1024 x 768 screen shows it
#   build/artefacts/decalage.pdf           the whole page printed on A4
# Installs Debian's chromium when it is missing (run as root for that).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
page=$here/decalage.htm
out=$root/build/artefacts

[[ -f $page ]] || { echo "render-help.sh: $page missing" >&2; exit 1; }

if ! command -v chromium >/dev/null; then
  echo "render-help.sh: installing chromium"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends chromium >/dev/null
fi

mkdir -p "$out"
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT

# A fresh profile and no network traffic of its own: the page is self-contained,
# so the render depends only on the file and the installed fonts.
flags=(--headless --no-sandbox --disable-gpu --disable-quic --no-first-run
  --disable-background-networking --disable-component-update --disable-sync
  --user-data-dir="$profile" --window-size=1024,768)

chromium "${flags[@]}" --screenshot="$out/decalage-1024x768.png" "file://$page" 2>"$profile/shot.log" \
  || { cat "$profile/shot.log" >&2; exit 1; }
# The page's own @page rule sets A4 and the margins; no header or footer lines.
chromium "${flags[@]}" --no-pdf-header-footer --print-to-pdf="$out/decalage.pdf" "file://$page" 2>"$profile/pdf.log" \
  || { cat "$profile/pdf.log" >&2; exit 1; }

for f in "$out/decalage-1024x768.png" "$out/decalage.pdf"; do
  [[ -s $f ]] || { echo "render-help.sh: $f was not written" >&2; exit 1; }
done
echo "render-help.sh: $(wc -c <"$page") bytes rendered to $out/decalage-1024x768.png and $out/decalage.pdf"
