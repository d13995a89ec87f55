#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: in a plain
# build and in a build with AddressSanitizer and UndefinedBehaviorSanitizer
# (with leak detection in the tests that load no Qt; tests/CMakeLists.txt).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"

export QT_QPA_PLATFORM=offscreen
export UBSAN_OPTIONS=print_stacktrace=1

"$top/scripts/build.sh" "$top/build"
(cd "$top/build" && ctest --output-on-failure -j"$(nproc)")

"$top/scripts/build.sh" "$top/build-sanitize" -DQUIREMARK_SANITIZE=ON
(cd "$top/build-sanitize" && ctest --output-on-failure -j"$(nproc)")
