#!/usr/bin/env bash
# Fails when a tracked C++ file differs from what clang-format makes of it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh clang-format
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
echo "format: $(git ls-files '*.cpp' '*.h' | wc -l) files follow .clang-format"
