#!/usr/bin/env bash
# The unattended run as a scheduled job meets it: the whole process, started
# as `QuiremarkGS /StartDir:... /TreeScan:Yes /OutFile:...` without a display,
# timed from outside: bench-unattended.sh [RUNS] [PARTS].
#
# Part "join" (200 plot files of 5 MB with side files, and one plot file that
# is a single line of 200 MB): the time from the start of the process until
# the temporary PostScript file is complete, against `cat` of the same plot
# files into a new file. A stand-in gs notes when it is started (the file is
# complete by then) and exits at once, so the run ends without a PDF.
#
# Part "whole" (200 and 2,000 one-page plot files, without and with side
# files): the whole run with the real gs against gs alone, started with the
# very same arguments on the very temporary file the run left behind; then,
# where strace is installed, where the time of a run goes (its own part,
# measured within the run, does not depend on how gs alone happens to run).
#
# Every measurement is repeated RUNS times (default 7), the programs and
# their stand-ins interleaved, taking turns in which comes first; reported
# are the median and the spread (fastest and slowest). OLD=dir names the
# build folder of another checkout (e.g. before a change), run side by side
# with this one in the same rounds. BUILD=dir is this checkout's build
# (default ./build, built when needed). PARTS: "join whole" (default).
# Data and output go below ${BENCH_DIR:-/tmp/quiremark-bench-unattended},
# removed at the end unless KEEP=1.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-7}
parts=${2:-"join whole"}
build=${BUILD:-$top/build}
work=${BENCH_DIR:-/tmp/quiremark-bench-unattended}

[ -n "${BUILD:-}" ] || "$top/scripts/build.sh" "$build" >/dev/null
mkdir -p "$work"

# The programs compared: label and build folder.
# shellcheck source=bench-lib.sh
. "$top/scripts/bench-lib.sh"
bench_builds "$build"

# The data generators of the other benchmarks.
g++ -std=c++20 -O2 -I"$top/src" -I"$build/src/generated" "$top/scripts/bench-join.cpp" \
  "$build/src/libquiremark_core.a" $(pkg-config --libs --static libqpdf) -Wl,-rpath,"$build/bin" -pthread -o "$work/bench-join"
g++ -std=c++20 -O2 -DBENCH_FORM_KEEPS_CONVERTER -I"$top/src" -I"$build/src/generated" "$top/scripts/bench-bind.cpp" \
  "$build/src/libquiremark_core.a" $(pkg-config --libs --static libqpdf) -Wl,-rpath,"$build/bin" -pthread -o "$work/bench-bind"

gs=$(command -v gs)
# The desktop's opener: nothing to open on a server.
mkdir -p "$work/opener" "$work/stub" "$work/xdg"
chmod 700 "$work/xdg"
printf '#!/bin/sh\nexit 0\n' >"$work/opener/xdg-open"
# The stand-in gs of the join part: notes the moment it starts, and stops.
cat >"$work/stub/gs" <<'STUB'
#!/usr/bin/env bash
[ "${1:-}" = --version ] && { echo 10.00.0; exit 0; }
echo "$EPOCHREALTIME" >"$STUB_MARK"
exit 1
STUB
chmod +x "$work/opener/xdg-open" "$work/stub/gs"
# A script, which may start any gs, is asked its version whatever lies
# beside it (every build asks this one, which answers at once); the real gs
# of part "whole" is read from its installation's resource folder.

# gs's arguments as the build in folder $1 starts it (GhostscriptArguments).
gs_options() {
  local src options
  src=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$1/CMakeCache.txt")
  options=(-sDEVICE=pdfwrite -dNOPAUSE -dQUIET -dBATCH -dOmitXMP)
  if grep -q 'AutoRotatePages' "$src/src/engine/conversion.cpp" "$src/src/engine/distiller.h" 2>/dev/null; then
    options+=(-dAutoRotatePages=/None)
  fi
  echo "${options[@]}"
}

# run_program BUILD RUNDIR START PDF [PATH-PREFIX]: the program as a scheduled
# job starts it; prints its wall time in seconds, or fails.
run_program() {
  local bin=$1/bin/QuiremarkGS run=$2 start=$3 pdf=$4 prefix=${5:-} t0 t1 status=0
  t0=$EPOCHREALTIME
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM PATH="$prefix$work/opener:$PATH" \
    QUIREMARK_REGISTRY="$run/reg" Temp="$run/tmp" XDG_RUNTIME_DIR="$work/xdg" \
    "$bin" "/StartDir:$start" /TreeScan:Yes "/OutFile:$pdf" >"$run/out.log" 2>&1 || status=$?
  t1=$EPOCHREALTIME
  echo "$status $(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.4f", b - a }')"
}

# gs_alone BUILD RUNDIR: gs with that build's arguments on the temporary file its last run left.
gs_alone() {
  local t0 t1 options
  read -r -a options <<<"$(gs_options "$1")"
  # A new file, as the program's gs writes: emptying the last one would make
  # the file system write it out at close.
  rm -f "$2/gs.pdf"
  t0=$EPOCHREALTIME
  (cd "$(dirname "$gs")" && "$gs" "${options[@]}" "-sOutputFile=$2/gs.pdf" "$2/tmp/QuiremarkTmp.ps" \
    >"$2/gs.log" 2>&1)
  t1=$EPOCHREALTIME
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.4f\n", b - a }'
}

# summary NAME FILE: median and spread of the numbers in FILE, one a line.
summary() {
  sort -g "$2" | awk -v name="$1" '{ v[NR] = $1 } END {
    m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "%s median %.3f s (fastest %.3f, slowest %.3f, spread %.0f%% of the median)\n", name, m, v[1], v[NR], (v[NR] - v[1]) / m * 100
  }'
}
# rotate N WORDS...: the words, the first N mod their number moved to the end.
rotate() {
  local n=$1
  shift
  local words=("$@")
  local k=$((n % ${#words[@]}))
  echo "${words[@]:k}" "${words[@]:0:k}"
}
median() { sort -g "$1" | awk '{ v[NR] = $1 } END { print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# breakdown BUILD RUNDIR FOLDER LABEL: where the time of a run goes, from
# the moments its programs start and end (strace, only those calls traced),
# median of 5 runs: the start (a run of the same program that ends at once,
# on a start folder that does not exist), from the start until gs converts
# (less the start: tree walk, scan, temporary file, and in older builds a
# version check of gs, shown apart), gs itself, and the rest (the PDF's
# checks, the opener). The program's own part needs no gs alone beside it.
strace=$(command -v strace || true)
breakdown() {
  : >"$2/parts"
  : >"$2/starts"
  local k
  for k in 1 2 3 4 5; do
    for kind in start run; do
      folder=$3
      [ "$kind" = start ] && folder=$2/none
      env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM PATH="$work/opener:$PATH" \
        QUIREMARK_REGISTRY="$2/reg" Temp="$2/tmp" XDG_RUNTIME_DIR="$work/xdg" \
        "$strace" --seccomp-bpf -f -ttt -e trace=execve,exit_group -o "$2/trace" \
        "$1/bin/QuiremarkGS" "/StartDir:$folder" /TreeScan:Yes "/OutFile:$2/out/bind.pdf" >/dev/null 2>&1 || true
      if [ "$kind" = start ]; then
        awk 'NR == 1 { start = $2 } /exited with/ { end = $2 } END { print end - start }' "$2/trace" >>"$2/starts"
        continue
      fi
      awk '
        NR == 1 { start = $2 }
        /"--version"/ && !vp { vp = $1; vs = $2 }
        $1 == vp && /exited with/ { ve = $2 }
        /execve\(.*-sDEVICE=pdfwrite/ && !gp { gp = $1; gs = $2 }
        $1 == gp && /exited with/ { ge = $2 }
        /exited with/ { end = $2 }
        END { if (gp) print gs - start, (vp ? ve - vs : 0), ge - gs, end - ge }' "$2/trace" >>"$2/parts"
    done
  done
  local medians=() column
  for column in 1 2 3 4; do
    awk -v c="$column" '{ print $c }' "$2/parts" >"$2/column"
    medians+=("$(median "$2/column")")
  done
  local started
  started=$(median "$2/starts")
  printf '    %s, where a run goes: start %.3f s, walk, scan and temporary file %.3f s (of it a version check of gs %.3f s), gs %.3f s, after gs %.3f s; its own part %.3f s\n' \
    "$4" "$started" "$(awk -v a="${medians[0]}" -v s="$started" 'BEGIN { print a - s }')" "${medians[1]}" "${medians[2]}" \
    "${medians[3]}" "$(awk -v a="${medians[0]}" -v e="${medians[3]}" 'BEGIN { print a + e }')"
}

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores; gs $("$gs" --version)"
for i in "${!labels[@]}"; do echo "${labels[$i]}: ${builds[$i]} (gs $(gs_options "${builds[$i]}"))"; done

if [[ " $parts " == *" join "* ]]; then
  for data in plots line; do
    folder=$work/join-$data
    if [ ! -f "$folder/.done" ]; then
      rm -rf "$folder"
      if [ "$data" = plots ]; then "$work/bench-join" generate "$folder" 200 5; else "$work/bench-join" generate-line "$folder" 200; fi
      touch "$folder/.done"
    fi
    megabytes=$(du -sm "$folder" | cut -f1)
    cat "$folder"/*.plt >/dev/null  # from the page cache, both sides
    : >"$work/join-cat"
    for i in "${!labels[@]}"; do : >"$work/join-${labels[$i]}"; : >"$work/join-ratio-${labels[$i]}"; done
    for round in $(seq "$runs"); do
      # cat and the programs take turns in coming first.
      entries=(cat "${!labels[@]}")
      read -r -a order <<<"$(rotate "$round" "${entries[@]}")"
      for what in "${order[@]}"; do
        rm -f "$work/cat.out"
        if [ "$what" = cat ]; then
          sync
          t0=$EPOCHREALTIME
          cat "$folder"/*.plt >>"$work/cat.out"
          t1=$EPOCHREALTIME
          cat_time=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.4f", b - a }')
          echo "$cat_time" >>"$work/join-cat"
          rm -f "$work/cat.out"
        else
          run=$work/run-join-${labels[$what]}
          mkdir -p "$run/reg" "$run/tmp" "$run/out"
          rm -f "$run/tmp/QuiremarkTmp.ps" "$run/mark"
          sync
          t0=$EPOCHREALTIME
          STUB_MARK=$run/mark run_program "${builds[$what]}" "$run" "$folder" "$run/out/join.pdf" "$work/stub:" >/dev/null
          [ -s "$run/mark" ] || { echo "${labels[$what]}: the stand-in gs never ran:"; cat "$run/out.log"; exit 1; }
          awk -v a="$t0" -v b="$(cat "$run/mark")" 'BEGIN { printf "%.4f\n", b - a }' >>"$work/join-${labels[$what]}"
          rm -f "$run/tmp/QuiremarkTmp.ps"
        fi
      done
      for i in "${!labels[@]}"; do
        awk -v a="$(tail -1 "$work/join-${labels[$i]}")" -v c="$(tail -1 "$work/join-cat")" 'BEGIN { print a / c }' \
          >>"$work/join-ratio-${labels[$i]}"
      done
    done
    echo
    echo "Until the temporary file is complete, $( [ "$data" = plots ] && echo "200 plot files" || echo "one plot file of one line"), $megabytes MB, $runs rounds:"
    summary "  cat of the plot files:" "$work/join-cat"
    cat_median=$(median "$work/join-cat")
    for i in "${!labels[@]}"; do
      summary "  ${labels[$i]}:" "$work/join-${labels[$i]}"
      printf '    %s against cat: %.2fx (medians), %.2fx (median of each round'"'"'s ratio)\n' "${labels[$i]}" \
        "$(awk -v a="$(median "$work/join-${labels[$i]}")" -v c="$cat_median" 'BEGIN { print a / c }')" \
        "$(median "$work/join-ratio-${labels[$i]}")"
    done
  done
fi

if [[ " $parts " == *" whole "* ]]; then
  for count in 200 2000; do
    for side in 0 1; do
      folder=$work/plots-$count-$side
      if [ ! -f "$folder/.done" ]; then
        rm -rf "$folder"
        "$work/bench-bind" generate "$folder" "$count" "$side"
        touch "$folder/.done"
      fi
      for i in "${!labels[@]}"; do
        run=$work/run-$count-$side-${labels[$i]}
        rm -rf "$run"
        mkdir -p "$run/reg" "$run/tmp" "$run/out"
        # A first run, not timed: the registry then holds the options, as on a machine in use.
        read -r status _ <<<"$(run_program "${builds[$i]}" "$run" "$folder" "$run/out/bind.pdf")"
        [ "$status" = 0 ] || { echo "${labels[$i]} failed:"; cat "$run/out.log"; exit 1; }
        : >"$run/times"
        : >"$run/gs-times"
        : >"$run/ratios"
      done
      for round in $(seq "$runs"); do
        # Each program and its gs alone; who comes first changes every round.
        entries=()
        for i in "${!labels[@]}"; do entries+=("p$i" "g$i"); done
        read -r -a order <<<"$(rotate "$round" "${entries[@]}")"
        for what in "${order[@]}"; do
          i=${what:1}
          run=$work/run-$count-$side-${labels[$i]}
          if [ "${what:0:1}" = p ]; then
            read -r status seconds <<<"$(run_program "${builds[$i]}" "$run" "$folder" "$run/out/bind.pdf")"
            [ "$status" = 0 ] || { echo "${labels[$i]} failed:"; cat "$run/out.log"; exit 1; }
            echo "$seconds" >>"$run/times"
          else
            gs_alone "${builds[$i]}" "$run" >>"$run/gs-times"
          fi
        done
        for i in "${!labels[@]}"; do
          run=$work/run-$count-$side-${labels[$i]}
          awk -v a="$(tail -1 "$run/times")" -v g="$(tail -1 "$run/gs-times")" 'BEGIN { print a / g - 1 }' >>"$run/ratios"
        done
      done
      echo
      echo "$count one-page plot files, side files $([ "$side" = 1 ] && echo yes || echo no), $runs rounds:"
      for i in "${!labels[@]}"; do
        run=$work/run-$count-$side-${labels[$i]}
        summary "  ${labels[$i]} whole run:" "$run/times"
        summary "  ${labels[$i]} gs alone: " "$run/gs-times"
        printf '    %s over gs alone: %+.1f%% (medians), %+.1f%% (median of each round'"'"'s pair)\n' "${labels[$i]}" \
          "$(awk -v a="$(median "$run/times")" -v g="$(median "$run/gs-times")" 'BEGIN { print (a / g - 1) * 100 }')" \
          "$(awk -v r="$(median "$run/ratios")" 'BEGIN { print r * 100 }')"
        [ -n "$strace" ] && breakdown "${builds[$i]}" "$run" "$folder" "${labels[$i]}"
      done
    done
  done
fi
echo
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
[ "${KEEP:-0}" = 1 ] || rm -rf "$work"
