#!/usr/bin/env bash
# Measures how long writing the temporary PostScript file takes against a plain
# `cat` of the same plot files: bench-join.sh [COUNT] [MEGABYTES] [RUNS].
# Data and output go below /tmp/quiremark-bench (removed at the end unless
# KEEP=1); the project is built in ./build first when needed.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
count=${1:-200}
megabytes=${2:-5}
runs=${3:-5}
work=/tmp/quiremark-bench
data=$work/plots

"$top/scripts/build.sh" "$top/build" >/dev/null
mkdir -p "$work"
g++ -std=c++20 -O2 -I"$top/src" -I"$top/build/src/generated" "$top/scripts/bench-join.cpp" \
  "$top/build/src/libquiremark_core.a" -pthread -lz -o "$work/bench-join"

if [ ! -f "$data/.done-$count-$megabytes" ]; then
  rm -rf "$data"
  echo "Generating $count plot files of about $megabytes MB in $data ..."
  "$work/bench-join" generate "$data" "$count" "$megabytes"
  touch "$data/.done-$count-$megabytes"
fi
total=$(du -sm "$data" | cut -f1)

now() { date +%s.%N; }
best_cat=""
best_join=""
# Warm the page cache once so both read from memory.
cat "$data"/*.plt >/dev/null
for run in $(seq "$runs"); do
  # Flush the previous run's output first, so no run pays for another's writes.
  rm -f "$work/cat.out" "$work/join.out"
  sync
  # Appending to a new file: no O_TRUNC, which on ext4 would flush at close.
  t0=$(now); cat "$data"/*.plt >>"$work/cat.out"; t1=$(now)
  cat_time=$(awk "BEGIN { print $t1 - $t0 }")
  rm -f "$work/cat.out"
  sync
  t0=$(now); "$work/bench-join" join "$data" "$work/join.out" >/dev/null; t1=$(now)
  join_time=$(awk "BEGIN { print $t1 - $t0 }")
  rm -f "$work/join.out"
  printf 'run %d: cat %.3f s, join %.3f s\n' "$run" "$cat_time" "$join_time"
  best_cat=$(awk "BEGIN { b = \"$best_cat\"; print (b == \"\" || $cat_time < b) ? $cat_time : b }")
  best_join=$(awk "BEGIN { b = \"$best_join\"; print (b == \"\" || $join_time < b) ? $join_time : b }")
done
printf '%d files, %d MB: best cat %.3f s, best join %.3f s, ratio %.2f\n' "$count" "$total" "$best_cat" \
  "$best_join" "$(awk "BEGIN { print $best_join / $best_cat }")"
[ "${KEEP:-0}" = 1 ] || rm -rf "$work"
