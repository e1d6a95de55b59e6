#!/usr/bin/env bash
# Runs each fuzz target for a bounded time from its seed corpus (plus the
# shared models where they are present) and keeps crashing inputs.
set -euo pipefail
seconds=$1; shift
root=$(cd "$(dirname "$0")/.." && pwd)
for t in "$@"; do
  work="$root/fuzz/corpus-work/$t"
  crashes="$root/fuzz/regressions/$t"
  mkdir -p "$work" "$crashes"
  cp -n "$root/fuzz/corpus/$t/"* "$work/" 2>/dev/null || true
  if [[ "$t" =~ ^(job_)?stl$ ]] && [ -d "$root/../shared/models" ]; then
    find "$root/../shared/models" -name '*.stl' -size -200k -exec cp -n {} "$work/" \;
  fi
  echo "== fuzz_$t for ${seconds}s"
  "$root/build-fuzz/fuzz/fuzz_$t" "$work" -max_total_time="$seconds" -max_len=65536 -timeout=30 \
    -rss_limit_mb=2048 -artifact_prefix="$crashes/" -print_final_stats=1 2>&1 \
    | grep -E "INITED|DONE|stat::|ERROR|SUMMARY|artifact" || true
done
ls "$root"/fuzz/regressions/*/ 2>/dev/null | grep -v ':$' | grep . && echo "crash inputs kept in fuzz/regressions" || true
