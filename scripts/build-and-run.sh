#!/usr/bin/env bash
# Installs what is missing, builds both programs, then binds the bundled
# example drawing folder unattended: QuiremarkGS scans its folder tree, makes
# one PDF with a bookmark per plot file and a group per subfolder, and ends.
# Prints where the PDF is and its outline, and opens the window on the
# example folder when a display exists.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" "$top/build"
echo "Built: $top/build/bin/Quiremark and $top/build/bin/QuiremarkGS"

example="$top/example/A-40"
pdf="$top/build/example/A-40.pdf"
mkdir -p "$(dirname "$pdf")"
rm -f "$pdf"
if ! "$top/build/bin/QuiremarkGS" "/StartDir:\"$example\"" /TreeScan:Yes "/OutFile:\"$pdf\""; then
  echo "No PDF was made; the line above says why." >&2
  exit 1
fi

echo
echo "PDF: $pdf ($(qpdf --show-npages "$pdf") pages)"
echo "Outline (title, page):"
qpdf --json --json-key=outlines "$pdf" | jq -r '
  def entries(indent): .[] | (indent + .title + "  (" + (.destpageposfrom1 | tostring) + ")"), (.kids | entries(indent + "  "));
  .outlines | entries("  ")'

# An offscreen or minimal Qt platform draws where nobody looks.
case "${QT_QPA_PLATFORM:-}" in
  offscreen* | minimal*) display="" ;;
  *) display="${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ;;
esac
if [ -n "$display" ]; then
  echo "Opening the window on $example"
  exec "$top/build/bin/QuiremarkGS" "/StartDir:\"$example\""
fi
echo "No display: the window is not opened."
