#!/usr/bin/env bash
# Fails when a manual page in docs/ draws a message from mandoc's lint, a
# warning from groff while man renders it, or lexgrog cannot read its NAME.
set -euo pipefail
cd "$(dirname "$0")/.."
export LC_ALL=C.UTF-8 # a locale every system has: man and lexgrog warn of a missing one
bash scripts/install-deps.sh mandoc man-db
pages=(docs/*.1)
mandoc -T lint "${pages[@]}"
for page in "${pages[@]}"; do
  warnings=$(MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || { echo "$page: $warnings"; exit 1; }
  lexgrog "$page" >/dev/null
done
echo "man: ${#pages[@]} pages pass mandoc -T lint, man --warnings and lexgrog"
