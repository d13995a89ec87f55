#!/usr/bin/env bash
# Times a tree scan (walk, outline and grid fill, no conversion) of generated
# drawing trees, headless and with the Qt window attached (offscreen), and
# reports the peak memory of each run: bench-scan.sh [RUNS].
# Trees: 2,000 folders with 20,000 plot files and 500 folders with 5,000,
# every plot file with a bookmark side file. They are made once below
# ${BENCH_DIR:-/tmp/quiremark-bench-scan} and kept for the next run
# (CLEAN=1 removes them at the end); the project is built in ./build first.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-5}
work=${BENCH_DIR:-/tmp/quiremark-bench-scan}

"$top/scripts/build.sh" "$top/build" >/dev/null
mkdir -p "$work"
qt_flags=$(pkg-config --cflags --libs Qt6Widgets)
# shellcheck disable=SC2086
g++ -std=c++20 -O2 -fPIC -I"$top/src" -I"$top/build/src/generated" "$top/scripts/bench-scan.cpp" \
  "$top/build/src/gui/libquiremark_gui.a" "$top/build/src/libquiremark_core.a" $qt_flags -pthread \
  -o "$work/bench-scan"

tree() {  # tree FOLDERS FILES: the tree's folder, made when missing
  local dir="$work/tree-$1-$2"
  if [ ! -f "$dir/.done" ]; then
    rm -rf "$dir"
    echo "Generating $1 folders with $2 plot files in $dir ..." >&2
    "$work/bench-scan" generate "$dir/Projekt" "$1" "$2" >&2
    touch "$dir/.done"
  fi
  echo "$dir/Projekt"
}

echo "Machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
for size in "500 5000" "2000 20000"; do
  # shellcheck disable=SC2086
  dir=$(tree $size)
  find "$dir" -type f -exec cat {} + >/dev/null  # warm the page cache
  for mode in headless qt; do
    best=""
    best_line=""
    for run in $(seq "$runs"); do
      line=$("$work/bench-scan" scan "$dir" "$mode" 2>/dev/null)
      read -r seconds rows entries peak start <<<"$line"
      printf '  %s %s run %d: %.3f s, %d rows, %d outline entries, peak %.1f MB (%.1f MB before the scan)\n' \
        "${size#* }" "$mode" "$run" "$seconds" "$rows" "$entries" "$peak" "$start"
      if [ -z "$best" ] || awk "BEGIN { exit !($seconds < $best) }"; then
        best=$seconds
        best_line=$line
      fi
    done
    read -r seconds rows entries peak start <<<"$best_line"
    printf '%s files, %s: best %.3f s (%.1f us per file), peak %.1f MB\n' "${size#* }" "$mode" "$seconds" \
      "$(awk "BEGIN { print $seconds * 1e6 / $rows }")" "$peak"
  done
done
echo "Load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
[ "${CLEAN:-0}" = 1 ] && rm -rf "$work"
exit 0
