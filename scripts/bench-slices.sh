#!/usr/bin/env bash
# A large bind converted in slices against the same bind in one gs run, side
# by side in one run: bench-slices.sh [ROUNDS] [SETS].
#
# The whole unattended run (`QuiremarkGS /StartDir:... /TreeScan:Yes
# /OutFile:...`, no display) of this checkout's build, of the build OLD names
# (a checkout that converts in one gs run), and gs alone on the temporary file
# the old run left (the same arguments), interleaved: every round runs the
# three, each round in another order. SETS (default "200 2000 sheets"):
#   200, 2000  as many drawings of 1 to 3 pages each, written as a printer
#              driver writes them (STROKES strokes a page, default 3000), with
#              bookmark side files;
#   sheets     50 heavy A1 sheets (SHEET_STROKES strokes, default 150000,
#              hatching and a raster logo each);
#   logos      200 drawings as above, every page with the same raster logo in
#              its title block (one gs stores it once; the join must too).
# Reported per set: the median wall time of each and its spread, new against
# old and against gs alone, the PDFs' sizes and pages (they must agree), and
# the peak memory of each run with all its gs together (sampled every 0.1 s).
# Data go below ${BENCH_DIR:-/tmp/quiremark-bench-slices} and are kept for the
# next run (CLEAN=1 removes them at the end); BUILD=dir is this checkout's
# build (default ./build, built when needed).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-3}
sets=${2:-"200 2000 sheets"}
build=${BUILD:-$top/build}
work=${BENCH_DIR:-/tmp/quiremark-bench-slices}
strokes=${STROKES:-3000}
sheet_strokes=${SHEET_STROKES:-150000}

[ -n "${BUILD:-}" ] || "$top/scripts/build.sh" "$build" >/dev/null
[ -n "${OLD:-}" ] || { echo "OLD=dir must name the build of a checkout that converts in one gs run" >&2; exit 1; }
# shellcheck source=bench-lib.sh
. "$top/scripts/bench-lib.sh"
bench_builds "$build"
mkdir -p "$work/opener"
g++ -std=c++20 -O2 "$top/scripts/bench-slices.cpp" -o "$work/bench-slices"
printf '#!/bin/sh\nexit 0\n' >"$work/opener/xdg-open"
chmod +x "$work/opener/xdg-open"
gs=$(command -v gs)

# data SET: the set's start folder, made once.
data() {
  local folder=$work/data-$1-$strokes-$sheet_strokes
  if [ ! -f "$folder/.done" ]; then
    rm -rf "$folder"
    echo "Generating set $1 in $folder ..." >&2
    case $1 in
      sheets) "$work/bench-slices" sheets "$folder/K-20" 50 "$sheet_strokes" ;;
      logos) "$work/bench-slices" logos "$folder/A-40" 200 "$strokes" ;;
      *) "$work/bench-slices" drawings "$folder/A-40" "$1" "$strokes" ;;
    esac
    touch "$folder/.done"
  fi
  echo "$folder"
}

# measure OUTFILE COMMAND...: runs the command; appends "seconds peak-kB"
# (the command and everything it started, sampled) to OUTFILE.
measure() {
  local out=$1 t0 t1 pid peak=0 now
  shift
  t0=$EPOCHREALTIME
  "$@" &
  pid=$!
  while kill -0 "$pid" 2>/dev/null; do
    # The process and all it started (gs runs in process groups of its own).
    now=$(ps -e -o pid=,ppid=,rss= | awk -v top="$pid" '
      { parent[$1] = $2; rss[$1] = $3 }
      END {
        for (p in parent) {
          for (q = p; q != "" && q != 0 && q != top; q = parent[q]) {}
          if (q == top) s += rss[p]
        }
        print s + 0
      }')
    [ "$now" -gt "$peak" ] && peak=$now
    sleep 0.1
  done
  wait "$pid" || { echo "failed: $*" >&2; return 1; }
  t1=$EPOCHREALTIME
  awk -v a="$t0" -v b="$t1" -v m="$peak" 'BEGIN { printf "%.3f %d\n", b - a, m }' >>"$out"
}

run_program() {  # run_program LABEL-INDEX FOLDER
  local run=$work/run-${labels[$1]}
  rm -rf "$run"
  mkdir -p "$run/reg" "$run/tmp" "$run/out"
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM PATH="$work/opener:$PATH" \
    QUIREMARK_REGISTRY="$run/reg" Temp="$run/tmp" \
    "${builds[$1]}/bin/QuiremarkGS" "/StartDir:$2" /TreeScan:Yes "/OutFile:$run/out/bind.pdf" >"$run/log" 2>&1
}

gs_alone() {
  rm -f "$work/gs.pdf"
  "$gs" -sDEVICE=pdfwrite -dNOPAUSE -dQUIET -dBATCH -dOmitXMP -dAutoRotatePages=/None -sOutputFile="$work/gs.pdf" \
    "$work/run-old/tmp/QuiremarkTmp.ps" >/dev/null 2>&1
}

median() { sort -g "$1" | awk '{ v[NR] = $1 } END { print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
spread() { sort -g "$1" | awk '{ v[NR] = $1 } END { printf "%.3f-%.3f", v[1], v[NR] }'; }
peak() { awk '$2 > m { m = $2 } END { printf "%.0f MB", m / 1024 }' "$1"; }

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores; gs $("$gs" --version)"
echo "old: $OLD; new: $build"
for set in $sets; do
  folder=$(data "$set")
  : >"$work/times-old"; : >"$work/times-new"; : >"$work/times-gs"
  # A first run of each, not timed: the registry then holds the options, and
  # the old run leaves the temporary file gs alone converts.
  run_program 0 "$folder"
  run_program 1 "$folder"
  for round in $(seq "$rounds"); do
    order=(old new gs)
    order=("${order[@]:$((round % 3))}" "${order[@]:0:$((round % 3))}")
    for what in "${order[@]}"; do
      case $what in
        old) measure "$work/times-old" run_program 0 "$folder" ;;
        new) measure "$work/times-new" run_program 1 "$folder" ;;
        gs) measure "$work/times-gs" gs_alone ;;
      esac
    done
  done
  old_pdf=$work/run-old/out/bind.pdf
  new_pdf=$work/run-new/out/bind.pdf
  mb=$(du -sm "$folder" | cut -f1)
  echo
  echo "Set $set ($(find "$folder" -name '*.plt' | wc -l) plot files, $mb MB), $rounds rounds:"
  for what in old new gs; do
    awk '{ print $1 }' "$work/times-$what" >"$work/t"
    printf '  %-4s median %.3f s (%s s), peak memory %s\n' "$what" "$(median "$work/t")" "$(spread "$work/t")" \
      "$(peak "$work/times-$what")"
    eval "m_$what=$(median "$work/t")"
  done
  # shellcheck disable=SC2154
  printf '  new against old: %.2fx; against gs alone: %.2fx; old against gs alone: %.2fx\n' \
    "$(awk -v a="$m_new" -v b="$m_old" 'BEGIN { print a / b }')" \
    "$(awk -v a="$m_new" -v b="$m_gs" 'BEGIN { print a / b }')" \
    "$(awk -v a="$m_old" -v b="$m_gs" 'BEGIN { print a / b }')"
  old_size=$(stat -c %s "$old_pdf")
  new_size=$(stat -c %s "$new_pdf")
  gs_size=$(stat -c %s "$work/gs.pdf")
  printf '  PDF: old %d bytes, new %d bytes (%+.2f%%), gs alone %d bytes (new %+.2f%%, old %+.2f%%); pages old %s, new %s\n' \
    "$old_size" "$new_size" "$(awk -v a="$new_size" -v b="$old_size" 'BEGIN { print (a - b) * 100 / b }')" "$gs_size" \
    "$(awk -v a="$new_size" -v b="$gs_size" 'BEGIN { print (a - b) * 100 / b }')" \
    "$(awk -v a="$old_size" -v b="$gs_size" 'BEGIN { print (a - b) * 100 / b }')" \
    "$(qpdf --show-npages "$old_pdf")" "$(qpdf --show-npages "$new_pdf")"
  if [ "$(qpdf --json --json-key=outlines "$old_pdf" | jq -c '[.outlines[] | recurse(.kids[]) | [.title, .destpageposfrom1, .open]]')" = \
       "$(qpdf --json --json-key=outlines "$new_pdf" | jq -c '[.outlines[] | recurse(.kids[]) | [.title, .destpageposfrom1, .open]]')" ]; then
    echo "  outlines: the same"
  else
    echo "  outlines: DIFFER"
  fi
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
[ -z "${CLEAN:-}" ] || rm -rf "$work"
