#!/usr/bin/env bash
# Builds the exe again from a copy of the sources in another folder and compares it byte
# for byte with the one already built here: a vendor who rebuilds a release from the same
# commit must get the very file that was tested. Also checks that neither exe names
# either folder. The copy is the working tree as git sees it (tracked and new files, with
# their changes), so it is what build/PRESET was built from.
#
# usage: scripts/check-reproducible.sh [--copy-to DIR] PRESET...
#   PRESET       win64 or win32, already built here in build/PRESET
#   --copy-to    make the copy in DIR (which must not exist) and keep it, built;
#                otherwise it goes in a temporary folder, removed at the end
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
keep=
if [ "${1:-}" = --copy-to ]; then keep=$2; shift 2; fi
(($#)) || { echo "usage: $0 [--copy-to DIR] PRESET..." >&2; exit 2; }

if [ -n "$keep" ]; then
    copy=$keep
    mkdir -p "$(dirname "$copy")" && mkdir "$copy" || exit 1
else
    tmp=$(mktemp -d)
    trap 'rm -rf "$tmp"' EXIT
    # A name of another length than the source folder's, so that an embedded path would
    # also shift what follows it.
    copy=$tmp/diagreso-second-build
    mkdir "$copy"
fi
copy=$(cd "$copy" && pwd)
case "$copy/" in "$root"/*) echo "reproducible: $copy is inside $root" >&2; exit 1 ;; esac

(cd "$root" && git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
    tar -c --null -T - -f -) | tar -x -C "$copy" || { echo "reproducible: copying the sources failed" >&2; exit 1; }

failures=0
for preset in "$@"; do
    here=$root/build/$preset/src/diagreso.exe
    there=$copy/build/$preset/src/diagreso.exe
    [ -f "$here" ] || { echo "reproducible: $here is not built" >&2; failures=$((failures + 1)); continue; }
    log=$copy/build-$preset.log
    started=$SECONDS
    if ! (cd "$copy" && cmake --preset "$preset" && cmake --build --preset "$preset" --target diagreso) >"$log" 2>&1; then
        tail -n 30 "$log"; echo "reproducible: the $preset build in $copy failed"; failures=$((failures + 1)); continue
    fi
    echo "  $preset built again in $copy in $((SECONDS - started)) s"
    sha256sum "$here" "$there" | sed 's/^/  /'
    if cmp "$here" "$there"; then
        echo "  ok    $preset: byte-identical from $root and from $copy"
    else
        echo "  FAIL  $preset: the two builds differ (first differing bytes, offset and octal values):"
        cmp -l "$here" "$there" | head -n 5 | sed 's/^/          /'
        failures=$((failures + 1))
    fi
    for exe in "$here" "$there"; do
        names=$( { strings -a "$exe"; strings -a -e l "$exe"; } | grep -F -e "$root" -e "$copy")
        if [ -z "$names" ]; then
            echo "  ok    $preset: no build folder named in $exe"
        else
            echo "  FAIL  $preset: $exe names a build folder: $(head -n 3 <<<"$names" | tr '\n' ' ')"
            failures=$((failures + 1))
        fi
    done
done
echo "reproducible: $# preset(s), $failures failure(s)"
[ "$failures" -eq 0 ]
