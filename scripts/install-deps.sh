#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Does nothing when they are all present already.
set -euo pipefail

packages=(
  build-essential cmake pkg-config libqpdf-dev
  libgtest-dev libgmock-dev
  qt6-base-dev qt6-translations-l10n libgl-dev
  ghostscript qpdf poppler-utils xdg-utils jq
  time  # peak memory in the benchmark scripts
  xvfb xauth xdotool libx11-dev  # the window on a real X server in bench-scan.sh and bench-shutdown.sh
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages: ${missing[*]}; run this script as root (or install them with sudo apt-get install)." >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
