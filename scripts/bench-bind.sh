#!/usr/bin/env bash
# What a bind run costs over Ghostscript alone: bench-bind.sh [PROCESSES] [BINDS] [COUNTS].
# For each count of one-page plot files (default "200 2000"), without and with
# bookmark side files, PROCESSES fresh processes (default 5) each make BINDS
# PDFs (default 4) through the headless main window with the real gs, with a
# fresh registry, so the first bind stores the first-run options; right after
# each bind gs alone converts the same temporary file with the same arguments.
# Later binds take turns with gs alone in which runs first. Reported: best
# first bind (fresh process), best later bind and best gs alone, and the
# overhead of each bind kind over gs alone, also as the median of each bind
# against the gs run beside it; the spread of gs alone over all its runs; the
# processor time of the bind's gs against gs alone's (the same work, or not);
# then the bind's own part measured with a stand-in converter (below),
# against gs alone, and the least any bind of the folder pays: opening and
# reading each of its plot and side files once, with no work of its own.
# Last, what one bind pays for its turn with the temporary file and for the
# PDF's own name (lock, hidden file or the run's own folders, renames), against
# gs alone on 200 files.
# BUILD=dir uses the project built in that folder (default ./build, built when
# needed), e.g. an older checkout's build for a before-and-after comparison.
# Data and output go below /tmp/quiremark-bench-bind, or the folder WORK names
# (removed unless KEEP=1).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
processes=${1:-5}
binds=${2:-4}
counts=${3:-"200 2000"}
build=${BUILD:-$top/build}
src=$(cd "$build" 2>/dev/null && sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' CMakeCache.txt || true)
src=${src:-$top}
work=${WORK:-/tmp/quiremark-bench-bind}

[ -n "${BUILD:-}" ] || "$top/scripts/build.sh" "$build" >/dev/null
mkdir -p "$work"
extra=()
grep -q "GhostscriptProgram" "$src/src/app/main_form.h" && extra+=(-DBENCH_FORM_KEEPS_CONVERTER)
# qpdf and the libraries it uses itself, which the core library links (an
# older core, BUILD=..., loaded its PDF reader from the build's bin folder).
# shellcheck disable=SC2046
g++ -std=c++20 -O2 "${extra[@]}" -I"$src/src" -I"$build/src/generated" "$top/scripts/bench-bind.cpp" \
  "$build/src/libquiremark_core.a" $(pkg-config --libs --static libqpdf) -Wl,-rpath,"$build/bin" -pthread -o "$work/bench-bind"

# The stand-in converter for measuring the bind's own part: a "gs" that only
# copies a PDF of the right page count (made by the first real bind) to the
# output; the bind with it, less the stand-in run alone, is what the bind
# costs beyond its converter.
mkdir -p "$work/stub"
cat >"$work/stub/gs" <<'STUB'
#!/bin/sh
[ "$1" = --version ] && { echo 10.00.0; exit 0; }
for a; do case $a in -sOutputFile=*) out=${a#-sOutputFile=} ;; esac; done
exec cp "$STUB_PDF" "$out"
STUB
chmod +x "$work/stub/gs"

# The median of the numbers on stdin, one a line.
median() { sort -g | awk '{ v[NR] = $1 } END { print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
for count in $counts; do
  for side in 0 1; do
    data=$work/plots-$count-$side
    if [ ! -f "$data/.done" ]; then
      rm -rf "$data"
      "$work/bench-bind" generate "$data" "$count" "$side"
      touch "$data/.done"
    fi
    # Real gs, then the stand-in (see below): the same binds, the same data.
    for kind in gs stub; do
      results=$work/results-$count-$side-$kind
      : >"$results"
      path=$PATH
      [ "$kind" = stub ] && path=$work/stub:$PATH
      for p in $(seq "$processes"); do
        run=$work/run
        rm -rf "$run"
        mkdir -p "$run/reg" "$run/tmp" "$run/out"
        PATH=$path STUB_PDF=$data/reference.pdf QUIREMARK_REGISTRY=$run/reg Temp=$run/tmp \
          "$work/bench-bind" bind "$data" "$run/out" "$binds" 2>"$run/err" |
          awk '{ print (NR == 1 ? "first" : "later"), $2, $4, $8, $10 }' >>"$results" || { cat "$run/err"; exit 1; }
        [ -f "$data/reference.pdf" ] || cp "$run/out/gs.pdf" "$data/reference.pdf"
      done
    done
    gs_results=$work/results-$count-$side-gs
    paired_first=$(awk '$1 == "first" { print $2 / $3 - 1 }' "$gs_results" | median)
    paired_later=$(awk '$1 == "later" { print $2 / $3 - 1 }' "$gs_results" | median)
    gs_median=$(awk '{ print $3 }' "$gs_results" | median)
    # gs's processor time in the bind against alone (only lines where both were measured).
    cpu_ratio=$(awk 'NF >= 5 && $5 > 0 { print $4 / $5 - 1 }' "$gs_results" | median)
    floor=$("$work/bench-bind" floor "$data" 2>/dev/null | awk '{ print $2 }' || true)
    awk -v count="$count" -v side="$side" -v pf="$paired_first" -v pl="$paired_later" -v gm="$gs_median" \
      -v cpu="${cpu_ratio:-}" -v floor="${floor:-}" '
      FILENAME ~ /-gs$/ && $1 == "first" && (f == "" || $2 < f) { f = $2 }
      FILENAME ~ /-gs$/ && $1 == "later" && (l == "" || $2 < l) { l = $2 }
      FILENAME ~ /-gs$/ && (g == "" || $3 < g) { g = $3 }
      FILENAME ~ /-gs$/ && (gx == "" || $3 > gx) { gx = $3 }
      FILENAME ~ /-gs$/ { n++ }
      FILENAME ~ /-stub$/ && $1 == "first" && (sf == "" || $2 < sf) { sf = $2 }
      FILENAME ~ /-stub$/ && $1 == "later" && (sl == "" || $2 < sl) { sl = $2 }
      FILENAME ~ /-stub$/ && (sg == "" || $3 < sg) { sg = $3 }
      END {
        printf "%5d files, side files %s: first bind %.3f s, later bind %.3f s, gs alone %.3f s; overhead first %+.1f%%, later %+.1f%%\n",
          count, side ? "yes" : "no ", f, l, g, (f / g - 1) * 100, (l / g - 1) * 100
        printf "%27s each bind against the gs run beside it, median: first %+.1f%%, later %+.1f%%\n", "", pf * 100, pl * 100
        printf "%27s gs alone over %d runs: best %.3f s, median %.3f s, worst %.3f s (best to worst %.0f%% of the best)\n",
          "", n, g, gm, gx, (gx / g - 1) * 100
        if (cpu != "") printf "%27s processor time of the bind\047s gs against gs alone, median: %+.1f%%\n", "", cpu * 100
        printf "%27s own part: first %.4f s, later %.4f s (stand-in alone %.4f s); over gs alone: first %+.1f%%, later %+.1f%%\n",
          "", sf - sg, sl - sg, sg, (sf - sg) / g * 100, (sl - sg) / g * 100
        if (floor != "") printf "%27s reading the plot and side files alone: %.4f s, %.1f%% of gs alone\n", "", floor, floor / g * 100
      }' "$gs_results" "$work/results-$count-$side-stub"
  done
done
guard=$(Temp=$work "$work/bench-bind" guard "$work/guard" | awk '{ print $2 }')
if [ -n "$guard" ]; then
  gs200=$(awk '{ print $3 }' "$work/results-$(echo $counts | cut -d' ' -f1)-0-gs" | sort -g | head -1)
  awk -v t="$guard" -v g="$gs200" 'BEGIN { printf "lock, hidden PDF or own folders, renames: %.3f ms a bind, %.2f%% of the best gs alone of the first count\n", t * 1000, t / g * 100 }'
fi
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
[ "${KEEP:-0}" = 1 ] || rm -rf "$work"
