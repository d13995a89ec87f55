#!/usr/bin/env bash
# Installs what is missing, builds both programs and binds the bundled example
# folder into example.pdf without asking anything.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" "$top/build"
echo "Built: $top/build/bin/Quiremark and $top/build/bin/QuiremarkGS"
