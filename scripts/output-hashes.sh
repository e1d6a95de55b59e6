#!/usr/bin/env bash
# Prints one line per job: model, settings variant, exit status and a digest
# of every output file it wrote (all but output.log, which holds timings),
# so that two builds can be compared byte for byte.
# Usage: scripts/output-hashes.sh BINARY OUTDIR [variant ...]
#   variants: default, nopost (postSupport.enable = false), or any INI file
set -euo pipefail
bin=$1; out=$2; shift 2
variants=("${@:-default nopost}")
models=${MODELS:-$(ls "$(dirname "$0")"/../../shared/models/analytic/*.stl \
                     "$(dirname "$0")"/../../shared/models/real/*.stl 2>/dev/null)}
mkdir -p "$out"
for v in ${variants[@]}; do
  ini="$out/$v.ini"
  case $v in
    default) printf '[raft]\nlayerCnt = 100\n' > "$ini" ;;
    nopost) printf '[postSupport]\nenable = false\n' > "$ini" ;;
    *) ini=$v ;;
  esac
  for m in $models; do
    name=$(basename "$m" .stl)
    dir="$out/$(basename "$v" .ini)-$name"
    rm -rf "$dir" && mkdir -p "$dir"
    status=0
    "$bin" -C "$ini" -M "file:$m" -O "$dir" > "$dir.console" 2>&1 || status=$?
    digest=$(cd "$dir" && find . -type f ! -name output.log -print0 | sort -z |
             xargs -0 -r sha256sum | tee ../"$(basename "$dir").sums" | sha256sum | cut -c1-16)
    files=$(ls "$dir" | wc -l)
    [ -n "${KEEP:-}" ] || rm -rf "$dir"
    echo "$(basename "$v" .ini) $name status=$status files=$files $digest"
  done
done
