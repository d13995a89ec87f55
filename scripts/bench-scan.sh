#!/usr/bin/env bash
# Times a tree scan (walk, outline and grid fill, no conversion) of generated
# drawing trees side by side in one run: without a window (as an unattended
# run scans), with the Qt window drawn offscreen, and with the window on a
# real X server, and reports each one's peak memory and how the window's
# scan compares with the one without: bench-scan.sh [RUNS].
# The X server is the one DISPLAY names, or else an Xvfb started here (from
# scripts/install-deps.sh); without either the X server runs are left out.
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

modes="headless qt"
# shellcheck source=bench-lib.sh
. "$top/scripts/bench-lib.sh"
bench_x_pid=""
trap '[ -z "$bench_x_pid" ] || kill "$bench_x_pid" 2>/dev/null; true' EXIT
if bench_x_server; then modes="$modes x11"; fi

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

echo "Machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)${DISPLAY:+, X server $DISPLAY}"
for size in "500 5000" "2000 20000"; do
  # shellcheck disable=SC2086
  dir=$(tree $size)
  find "$dir" -type f -exec cat {} + >/dev/null  # warm the page cache
  declare -A best=()
  # The modes take turns within each round, so that a busy moment of the
  # machine falls on all of them alike.
  for run in $(seq "$runs"); do
    for mode in $modes; do
      line=$("$work/bench-scan" scan "$dir" "$mode" 2>/dev/null)
      read -r seconds rows entries peak start <<<"$line"
      printf '  %s %-8s run %d: %.3f s, %d rows, %d outline entries, peak %.1f MB (%.1f MB before the scan)\n' \
        "${size#* }" "$mode" "$run" "$seconds" "$rows" "$entries" "$peak" "$start"
      if [ -z "${best[$mode]:-}" ] || awk "BEGIN { exit !($seconds < ${best[$mode]%% *}) }"; then
        best[$mode]="$seconds $rows $peak"
      fi
    done
  done
  for mode in $modes; do
    read -r seconds rows peak <<<"${best[$mode]}"
    printf '%s files, %-8s: best %.3f s (%.1f us per file), peak %.1f MB' "${size#* }" "$mode" "$seconds" \
      "$(awk "BEGIN { print $seconds * 1e6 / $rows }")" "$peak"
    [ "$mode" = headless ] || printf ', %.2fx the scan without a window' \
      "$(awk "BEGIN { print $seconds / ${best[headless]%% *} }")"
    printf '\n'
  done
  unset best
done
echo "Load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
[ "${CLEAN:-0}" = 1 ] && rm -rf "$work"
exit 0
