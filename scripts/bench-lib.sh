# What the benchmark scripts share; sourced, not run.

# bench_builds BUILD: the programs compared, as the arrays `labels` and
# `builds`: this checkout's build, and before it the build folder OLD names.
bench_builds() {
  labels=(new)
  builds=("$1")
  if [ -n "${OLD:-}" ]; then
    labels=(old new)
    builds=("$OLD" "$1")
  fi
  local b
  for b in "${builds[@]}"; do
    [ -x "$b/bin/QuiremarkGS" ] || { echo "no $b/bin/QuiremarkGS" >&2; exit 1; }
  done
}

# bench_x_server: an X server for the window. Without one in DISPLAY, an
# Xvfb (from scripts/install-deps.sh) is started on a free display, DISPLAY
# names it and `bench_x_pid` is its process, for the caller to end. Returns
# 1 when there is neither.
bench_x_server() {
  bench_x_pid=""
  [ -n "${DISPLAY:-}" ] && return 0
  command -v Xvfb >/dev/null || return 1
  local n display=""
  for n in $(seq 90 130); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { display=":$n"; break; }
  done
  [ -n "$display" ] || return 1
  Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
  bench_x_pid=$!
  export DISPLAY=$display
  for n in $(seq 100); do [ -e "/tmp/.X11-unix/X${display#:}" ] && return 0; sleep 0.05; done
  return 1
}
