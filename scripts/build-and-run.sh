#!/usr/bin/env bash
# Installs what is missing, builds both programs and starts QuiremarkGS on the
# bundled example folder (which becomes the last folder). Without a display the
# program builds its window, writes its messages to standard error and ends.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" "$top/build"
echo "Built: $top/build/bin/Quiremark and $top/build/bin/QuiremarkGS"
"$top/build/bin/QuiremarkGS" "/StartDir:\"$top/example/A-40\""
