#!/usr/bin/env bash
# Soak: many jobs one after another and two at a time. Checks that every
# output matches the first run byte for byte (the log holds timings and is
# left out), that the temporary layer directories are reused rather than
# multiplied, that the layer files left in them do not pile up from job to
# job, and that peak memory does not creep from run to run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin="$root/build/voxmill"
runs=${SOAK_RUNS:-20}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tmp=${TMPDIR:-/tmp}

cat > "$work/soak.ini" <<'INI'
[poly2img]
pixelX = 1520
pixelY = 1320
sizeX = 70
sizeY = 55.704
[wall]
areaPixels = 440,440,440
INI

job() { # out-dir; prints peak RSS in KiB
  mkdir -p "$1"
  local rss
  rss=$( { /usr/bin/time -f '%M' "$bin" -C "$work/soak.ini" -M "file:$root/examples/bracket.stl" -O "$1" \
           >"$1.stdout" 2>"$1.time" && tail -n 1 "$1.time"; } ) || { echo "job failed: $1"; cat "$1.stdout"; exit 1; }
  echo "$rss"
}

same_as_reference() {
  for f in "$work/ref"/*; do
    name=$(basename "$f")
    [ "$name" = output.log ] && continue
    cmp -s "$f" "$1/$name" || { echo "differs from the first run: $1/$name"; exit 1; }
  done
  [ "$(ls "$work/ref" | wc -l)" = "$(ls "$1" | wc -l)" ] || { echo "file count differs in $1"; exit 1; }
}

tempdirs() { ls -d "$tmp"/.Voxmill* 2>/dev/null | wc -l; }
tempfiles() { find "$tmp"/.Voxmill* -type f 2>/dev/null | wc -l; }

command -v /usr/bin/time >/dev/null || bash "$root/scripts/install-deps.sh" time
echo "reference run"
first_rss=$(job "$work/ref")
dirs_before=$(tempdirs)
echo "reference: $(ls "$work/ref" | wc -l) files, peak ${first_rss} KiB"

for i in $(seq 1 "$runs"); do
  rss=$(job "$work/seq$i")
  same_as_reference "$work/seq$i"
  rm -rf "$work/seq$i"
  printf 'sequential %3d: peak %s KiB, temp dirs %s, temp files %s\n' "$i" "$rss" "$(tempdirs)" "$(tempfiles)"
  [ "$i" = 1 ] && files_seq=$(tempfiles)
  [ "$(tempfiles)" -le "$files_seq" ] || { echo "layer files pile up"; exit 1; }
  [ "$rss" -lt $((first_rss * 3 / 2 + 20000)) ] || { echo "peak memory grew"; exit 1; }
done

for i in $(seq 1 $((runs / 2))); do
  job "$work/a$i" >/dev/null & a=$!
  job "$work/b$i" >/dev/null & b=$!
  wait $a; wait $b
  same_as_reference "$work/a$i"; same_as_reference "$work/b$i"
  rm -rf "$work/a$i" "$work/b$i"
  printf 'parallel   %3d: temp dirs %s, temp files %s\n' "$i" "$(tempdirs)" "$(tempfiles)"
  [ "$i" = 1 ] && files_par=$(tempfiles)
  [ "$(tempfiles)" -le "$files_par" ] || { echo "layer files pile up"; exit 1; }
done

dirs_after=$(tempdirs)
[ "$dirs_after" -le $((dirs_before + 1)) ] || { echo "temporary directories multiplied: $dirs_before -> $dirs_after"; exit 1; }
echo "soak passed: $runs sequential and $((runs / 2)) parallel pairs"
