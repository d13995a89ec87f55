#!/usr/bin/env bash
# Times filling the file grid from a folder of plot files with side files,
# headless and with the Qt grid view attached, for this tree and for an older
# commit built side by side in a scratch folder:
#   bench-grid-fill.sh [COUNTS] [RUNS] [OLD_COMMIT]
# COUNTS is a blank-separated list of file counts ("10000 20000" by default).
# OLD_COMMIT defaults to the last commit before the fill was made linear.
# Everything goes below /tmp/quiremark-bench-grid (removed unless KEEP=1).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
counts=${1:-10000 20000}
runs=${2:-5}
old=${3:-22dccd7740b14a542de891bd03352baf016f50e5}
work=/tmp/quiremark-bench-grid
jobs=${JOBS:-4}
export QT_QPA_PLATFORM=offscreen

mkdir -p "$work"
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  export XDG_RUNTIME_DIR=$work/runtime
  mkdir -p -m 0700 "$XDG_RUNTIME_DIR"
fi
build_tree() {  # SOURCE BUILD
  cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$2" --target quiremark_gui -j"$jobs" >/dev/null
}
compile_bench() {  # SOURCE BUILD OUTPUT
  # shellcheck disable=SC2046
  g++ -std=c++20 -O2 -fPIC -DBENCH_WITH_QT -I"$1/src" -I"$2/src/generated" $(pkg-config --cflags Qt6Widgets) \
    "$top/scripts/bench-grid-fill.cpp" "$2/src/gui/libquiremark_gui.a" "$2/src/libquiremark_core.a" \
    $(pkg-config --libs Qt6Widgets) -pthread -o "$3"
}

echo "Building this tree and $old ..."
build_tree "$top" "$top/build"
compile_bench "$top" "$top/build" "$work/bench-new"
if [ ! -x "$work/bench-old-$old" ]; then
  rm -rf "$work/old-src" "$work/old-build"
  mkdir -p "$work/old-src"
  git -C "$top" archive "$old" | tar -x -C "$work/old-src"
  build_tree "$work/old-src" "$work/old-build"
  compile_bench "$work/old-src" "$work/old-build" "$work/bench-old-$old"
fi

# Best first fill and best refill over the runs, and the refill's notifications.
best() {  # PROGRAM FOLDER [qt]
  "$@" | awk 'NR == 1 || $1 < f { f = $1 } NR == 1 || $2 < r { r = $2 } { n = $3; rows = $4 }
              END { printf "first %6.3f s  refill %6.3f s  %6d notifications  %d rows", f, r, n, rows }'
}

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
for count in $counts; do
  data=$work/plots-$count
  if [ ! -f "$data/.done" ]; then
    rm -rf "$data"
    "$work/bench-new" generate "$data" "$count"
    touch "$data/.done"
  fi
  for view in headless qt; do
    arg=""
    [ "$view" = qt ] && arg=qt
    # Old and new in turns, so both see the same load.
    printf '%6d files, %-8s old: %s\n' "$count" "$view" "$(best "$work/bench-old-$old" fill "$data" "$runs" $arg)"
    printf '%6d files, %-8s new: %s\n' "$count" "$view" "$(best "$work/bench-new" fill "$data" "$runs" $arg)"
  done
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
[ "${KEEP:-0}" = 1 ] || rm -rf "$work"
