#!/usr/bin/env bash
# Draws the progress window's animated picture, src/gui/resources/Loading.gif:
# twelve dots on a ring, a bright head running round with a fading tail.
# Needs ImageMagick (Debian imagemagick); the committed GIF is the result, the
# build does not run this script.
set -euo pipefail
out="${1:-$(dirname "$0")/../src/gui/resources/Loading.gif}"
convert_bin=$(command -v convert-im6.q16 || command -v convert)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

size=33 centre=16 ring=11 dot=2.6 dots=12
for frame in $(seq 0 $((dots - 1))); do
  draw=()
  for i in $(seq 0 $((dots - 1))); do
    age=$(( (frame - i + dots) % dots ))  # 0 = the head
    shade=$(( age < 6 ? 40 + age * 32 : 220 ))
    read -r x y ex <<<"$(awk -v c=$centre -v r=$ring -v d=$dot -v i=$i -v n=$dots \
      'BEGIN { a = 6.2831853 * i / n - 1.5707963; x = c + r * cos(a); y = c + r * sin(a);
               printf "%.2f %.2f %.2f", x, y, x + d }')"
    draw+=(-fill "rgb($shade,$((shade + 10 > 255 ? 255 : shade + 10)),255)" -draw "circle $x,$y $ex,$y")
  done
  "$convert_bin" -size ${size}x${size} xc:none "${draw[@]}" "$work/$(printf %02d "$frame").png"
done
"$convert_bin" -delay 8 -loop 0 -dispose Background "$work"/*.png -colors 32 "$out"
echo "wrote $out ($(stat -c %s "$out") bytes)"
