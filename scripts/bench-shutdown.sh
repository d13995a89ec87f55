#!/usr/bin/env bash
# How long the window program runs on after its main window has closed, on a
# real X server with a clipboard manager, as a desktop has one:
# bench-shutdown.sh [RUNS].
#
# QuiremarkGS opens on the example drawing folder; the user closes it with
# "Arkiv", "Avsluta" (Alt+A, V), after doing nothing, after selecting the
# text of a box (Tab, Tab, End, Shift+Home: the folder filter, or in a
# build whose focus starts in the notice box, that box), and after copying
# it (Ctrl+C). Measured from the key that closes: until the window is gone
# and until the process is gone. The stand-in clipboard manager
# (bench-shutdown.c) answers a closing program's request to keep its
# selections after 1.5 s. A program that hands over only what was copied
# ends at once after a selection; one that also hands over a mere selection
# waits on the manager.
#
# The X server is the one DISPLAY names, or else an Xvfb started here (from
# scripts/install-deps.sh, as are xdotool and the X11 headers). OLD=dir names
# the build folder of another checkout, run side by side with this one;
# BUILD=dir is this checkout's (default ./build, built when needed). Data
# goes below ${BENCH_DIR:-/tmp/quiremark-bench-shutdown}, removed at the end.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-3}
build=${BUILD:-$top/build}
work=${BENCH_DIR:-/tmp/quiremark-bench-shutdown}

[ -n "${BUILD:-}" ] || "$top/scripts/build.sh" "$build" >/dev/null
# shellcheck source=bench-lib.sh
. "$top/scripts/bench-lib.sh"
bench_builds "$build"
rm -rf "$work"
mkdir -p "$work/reg"
cp -r "$top/example/A-40" "$work/A-40"
gcc -O2 -o "$work/manager" "$top/scripts/bench-shutdown.c" -lX11

manager_pid=""
bench_x_pid=""
cleanup() {
  for pid in $manager_pid $bench_x_pid; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
bench_x_server || { echo "no X server: set DISPLAY or install Xvfb (scripts/install-deps.sh)" >&2; exit 1; }
"$work/manager" 1500 >"$work/manager.log" &
manager_pid=$!
for _ in $(seq 100); do grep -q ready "$work/manager.log" 2>/dev/null && break; sleep 0.05; done

now() { date +%s.%N; }
since() { awk "BEGIN { printf \"%.3f\", $(now) - $1 }"; }

# close BUILD KEYS: one run; prints "window-gone process-gone" in seconds.
close() {
  local bin=$1/bin keys=$2 pid id="" start window=""
  QUIREMARK_REGISTRY="$work/reg" "$bin/QuiremarkGS" /StartDir:"$work/A-40" >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 400); do
    id=$(xdotool search --onlyvisible --name "^Quiremark" 2>/dev/null | head -1) && [ -n "$id" ] && break
    sleep 0.025
  done
  [ -n "$id" ] || { kill "$pid"; echo "no window" >&2; return 1; }
  sleep 0.5  # the start-up's last steps
  xdotool windowfocus --sync "$id" 2>/dev/null || true
  # shellcheck disable=SC2086
  [ -z "$keys" ] || xdotool key --delay 30 $keys
  xdotool key alt+a
  sleep 0.3
  start=$(now)
  xdotool key v
  while kill -0 "$pid" 2>/dev/null; do
    if [ -z "$window" ] && ! xdotool search --onlyvisible --name "^Quiremark" >/dev/null 2>&1; then window=$(since "$start"); fi
    sleep 0.005
  done
  echo "${window:-0.000} $(since "$start")"
}

echo "Machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg), X server $DISPLAY"
for case in "nothing done|" "a text selected|Tab Tab End shift+Home" "a text copied|Tab Tab End shift+Home ctrl+c"; do
  name=${case%%|*}
  keys=${case#*|}
  for i in "${!builds[@]}"; do
    : >"$work/manager.log"
    worst=0
    for run in $(seq "$runs"); do
      read -r window gone <<<"$(close "${builds[$i]}" "$keys")"
      printf '  %-4s %-16s run %d: window gone after %s s, process after %s s\n' "${labels[$i]}" "$name" "$run" \
        "$window" "$gone"
      awk "BEGIN { exit !($gone > $worst) }" && worst=$gone
    done
    asked=$(grep -c '^request' "$work/manager.log" || true)
    printf '%-4s %-16s: the process ends at most %s s after the key; %d of %d runs asked the clipboard manager\n' \
      "${labels[$i]}" "$name" "$worst" "$asked" "$runs"
  done
done
exit 0
