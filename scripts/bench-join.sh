#!/usr/bin/env bash
# Measures how long writing the temporary PostScript file takes against a plain
# `cat` of the same plot files: bench-join.sh [COUNT] [MEGABYTES] [RUNS] [LINE_MEGABYTES].
# Then the same for one plot file that is a single line of LINE_MEGABYTES
# (default 200; 0 skips it), with the peak memory of each side.
# Data and output go below /tmp/quiremark-bench (removed at the end unless
# KEEP=1); the project is built in ./build first when needed. BUILD=dir uses
# the project built in that folder instead (e.g. an older checkout's).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
count=${1:-200}
megabytes=${2:-5}
runs=${3:-5}
line_megabytes=${4:-200}
work=/tmp/quiremark-bench
data=$work/plots

build=${BUILD:-$top/build}
src=$(cd "$build" 2>/dev/null && sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' CMakeCache.txt || true)
src=${src:-$top}

[ -n "${BUILD:-}" ] || "$top/scripts/build.sh" "$build" >/dev/null
mkdir -p "$work"
# qpdf and the libraries it uses itself, for a core library that links them
# (older builds, BUILD=...): zlib among them, which one built before it used
# qpdf needs for its own PDF reading. A newer core loads its PDF reader from
# the build's bin folder.
# shellcheck disable=SC2046
g++ -std=c++20 -O2 -I"$src/src" -I"$build/src/generated" "$top/scripts/bench-join.cpp" \
  "$build/src/libquiremark_core.a" $(pkg-config --libs --static libqpdf) -Wl,-rpath,"$build/bin" -pthread -o "$work/bench-join"

if [ ! -f "$data/.done-$count-$megabytes" ]; then
  rm -rf "$data"
  echo "Generating $count plot files of about $megabytes MB in $data ..."
  "$work/bench-join" generate "$data" "$count" "$megabytes"
  touch "$data/.done-$count-$megabytes"
fi
total=$(du -sm "$data" | cut -f1)

now() { date +%s.%N; }

# compare LABEL FOLDER: cat and the join of the folder's plot files, best of
# the runs, with the peak memory (KB) of each.
compare() {
  local label=$1 folder=$2 best_cat="" best_join="" cat_kb join_kb t0 t1 cat_time join_time
  # Warm the page cache once so both read from memory.
  cat "$folder"/*.plt >/dev/null
  for run in $(seq "$runs"); do
    # Flush the previous run's output first, so no run pays for another's writes.
    rm -f "$work/cat.out" "$work/join.out"
    sync
    # Appending to a new file: no O_TRUNC, which on ext4 would flush at close.
    t0=$(now)
    cat_kb=$(/usr/bin/time -f "%M" -o /dev/stdout sh -c "cat '$folder'/*.plt >>'$work/cat.out'")
    t1=$(now)
    cat_time=$(awk "BEGIN { print $t1 - $t0 }")
    rm -f "$work/cat.out"
    sync
    t0=$(now)
    join_kb=$(/usr/bin/time -f "%M" -o /dev/stdout "$work/bench-join" join "$folder" "$work/join.out" | tail -1)
    t1=$(now)
    join_time=$(awk "BEGIN { print $t1 - $t0 }")
    rm -f "$work/join.out"
    printf '%s, run %d: cat %.3f s, join %.3f s\n' "$label" "$run" "$cat_time" "$join_time"
    best_cat=$(awk "BEGIN { b = \"$best_cat\"; print (b == \"\" || $cat_time < b) ? $cat_time : b }")
    best_join=$(awk "BEGIN { b = \"$best_join\"; print (b == \"\" || $join_time < b) ? $join_time : b }")
  done
  printf '%s: best cat %.3f s (peak %d KB), best join %.3f s (peak %d KB), ratio %.2f\n' "$label" "$best_cat" \
    "$cat_kb" "$best_join" "$join_kb" "$(awk "BEGIN { print $best_join / $best_cat }")"
}

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
compare "$count files, $total MB" "$data"
if [ "$line_megabytes" != 0 ]; then
  line=$work/line
  if [ ! -f "$line/.done-$line_megabytes" ]; then
    rm -rf "$line"
    "$work/bench-join" generate-line "$line" "$line_megabytes"
    touch "$line/.done-$line_megabytes"
  fi
  compare "one $line_megabytes MB line" "$line"
fi
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
[ "${KEEP:-0}" = 1 ] || rm -rf "$work"
