#!/usr/bin/env bash
# Fails when a folder includes a header from a folder above it. The layers,
# lowest first: base, config, model, slicer, infill, output, app.
set -euo pipefail
cd "$(dirname "$0")/.."
order=(base config model slicer infill output app)
rank() { for i in "${!order[@]}"; do [ "${order[$i]}" = "$1" ] && echo "$i" && return; done; echo -1; }
bad=0
for dir in "${order[@]}"; do
  [ -d "$dir" ] || continue
  mine=$(rank "$dir")
  while IFS=: read -r file _ inc; do
    target=$(sed -E 's|.*"([a-z]+)/.*|\1|' <<<"$inc")
    theirs=$(rank "$target")
    if [ "$theirs" -gt "$mine" ]; then
      echo "$file includes $target/: $dir/ must not depend on a folder above it"
      bad=1
    fi
  done < <(grep -Hn '^#include "[a-z]*/' "$dir"/*.h "$dir"/*.cpp 2>/dev/null || true)
done
[ "$bad" -eq 0 ] && echo "layers: every include points downwards"
exit "$bad"
