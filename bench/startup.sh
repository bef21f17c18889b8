#!/usr/bin/env bash
# Start-up benchmark: time from process start to the main window shown, for a
# first start (fresh data folder, template copied) and a second start.
# Each run is a real process on the offscreen platform; the program reports
# when its window is shown, then closes as a user would.
# Usage: bench/startup.sh [runs]   (build first with ./scripts/build.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-20}
exe=$PWD/build/brivoline
[ -x "$exe" ] || { echo "build/brivoline is missing: run ./scripts/build.sh first" >&2; exit 1; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# One start: prints "<ms until shown> <ms whole process>".
start_once() {
  local home=$1
  mkdir -p "$home/run" && chmod 700 "$home/run"
  local t0 t1 shown
  t0=$(date +%s%N)
  shown=$(HOME=$home XDG_RUNTIME_DIR=$home/run QT_QPA_PLATFORM=offscreen BRIVOLINE_QUIT_AFTER_SHOW=1 \
          BRIVOLINE_MESSAGE_LOG=$home/messages.log "$exe" 2>&1 | sed -n 's/^shown-after-ms //p')
  t1=$(date +%s%N)
  [ -n "$shown" ] || { echo "the program did not show its window" >&2; cat "$home/messages.log" >&2; exit 1; }
  echo "$shown $(( (t1 - t0) / 1000000 ))"
}

# Median and minimum of a column of numbers.
summary() { sort -n | awk '{a[NR]=$1} END {printf "median %d ms, min %d ms, max %d ms", a[int((NR+1)/2)], a[1], a[NR]}'; }

first=$scratch/first.txt second=$scratch/second.txt
: > "$first"; : > "$second"
for i in $(seq "$runs"); do
  home=$scratch/home$i
  start_once "$home" >> "$first"
  start_once "$home" >> "$second"
done

echo "Start-up of build/brivoline over $runs runs (offscreen platform)"
echo "  first start,  main window shown:  $(cut -d' ' -f1 "$first" | summary)"
echo "  first start,  whole process:      $(cut -d' ' -f2 "$first" | summary)"
echo "  second start, main window shown:  $(cut -d' ' -f1 "$second" | summary)"
echo "  second start, whole process:      $(cut -d' ' -f2 "$second" | summary)"
