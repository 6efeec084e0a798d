#!/usr/bin/env bash
# Checks a release folder as someone who downloads it would: its zips, MSIs and SHA256SUMS
# are copied elsewhere, each zip is unpacked beside itself into a folder of its own name (as
# Windows' "Extract all" does), and sha256sum -c checks every line of SHA256SUMS.
#
# usage: scripts/check-sums.sh DIR
set -euo pipefail
(($# == 1)) || { echo "usage: $0 DIR" >&2; exit 2; }
dir=$1
download=$(mktemp -d)
trap 'rm -rf "$download"' EXIT
cp "$dir/SHA256SUMS" "$download/"
awk '$2 ~ /\.zip$/ { print $2 }' "$dir/SHA256SUMS" | while IFS= read -r zip; do
    cp "$dir/$zip" "$download/"
    unzip -q "$download/$zip" -d "$download/${zip%.zip}"
done
awk '$2 ~ /\.msi$/ { print $2 }' "$dir/SHA256SUMS" | while IFS= read -r msi; do
    cp "$dir/$msi" "$download/"
done
# Nothing in the list may be left unchecked: a missing file fails.
(cd "$download" && sha256sum --strict -c SHA256SUMS)
