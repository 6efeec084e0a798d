#!/usr/bin/env bash
# Fails when a layer of src/ includes a header of a layer above it. The layers and what
# each may use (besides itself):
#   app          -
#   display      app
#   store        app
#   forms        app
#   dialog       forms app
#   main_window  dialog forms display store app
#   synthese     store app
#   command_line synthese display store app
# src/main.cpp, the composition root, may include anything; nothing includes it.
set -uo pipefail
src=$(cd "$(dirname "${BASH_SOURCE[0]}")/../src" && pwd)
declare -A may=(
  [app]="" [display]="app" [store]="app" [forms]="app" [dialog]="forms app"
  [main_window]="dialog forms display store app" [synthese]="store app"
  [command_line]="synthese display store app"
)
bad=0
for dir in "$src"/*/; do
  layer=$(basename "$dir")
  if [ -z "${may[$layer]+set}" ]; then echo "unknown layer src/$layer: add it to $0"; bad=1; continue; fi
  while IFS= read -r hit; do
    file=${hit%%:*}
    used=$(sed -n 's/.*#include "\([a-z_0-9]*\)\/.*/\1/p' <<<"${hit#*:}")
    [ -z "$used" ] || [ "$used" = "$layer" ] && continue
    if [[ " ${may[$layer]} " != *" $used "* ]]; then
      echo "${file#"$src"/} includes $used/, above or beside the $layer layer"
      bad=1
    fi
  done < <(grep -rH '^#include "' "$dir" || true)
done
if grep -rq '#include "main.cpp"' "$src"; then echo "something includes main.cpp"; bad=1; fi
[ "$bad" -eq 0 ] && echo "layers: every include points down"
exit "$bad"
