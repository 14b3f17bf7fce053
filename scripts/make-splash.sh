#!/usr/bin/env bash
# Draws the splash picture, assets/splash.jpg (800 x 476), with ImageMagick: a night-blue
# gradient, rings spreading from a point like sound, two waveforms and the program's name.
# Everything in it is drawn here; run it again after changing it and commit the picture.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-assets/splash.jpg}

# A waveform across the picture: a sine under a slow swell, drawn as short lines (a stroked
# open path comes out closed in ImageMagick 6).
wave() { # baseline amplitude period phase
    awk -v b="$1" -v a="$2" -v p="$3" -v ph="$4" 'BEGIN {
        for (x = 0; x <= 800; x += 4) {
            y = b + a * sin(3.14159265 * x / 800) * sin(2 * 3.14159265 * x / p + ph);
            if (x > 0) printf "line %d,%.1f %d,%.1f ", px, py, x, y;
            px = x; py = y;
        }
    }'
}

rings=""
for r in 60 110 165 225 290 360 435; do
    rings+="circle 130,238 $((130 + r)),238 "
done

convert -size 800x476 radial-gradient:'#27507e'-'#05081a' \
    -fill none -stroke 'rgba(120,190,255,0.22)' -strokewidth 3 -draw "$rings" \
    -stroke '#cf9d52' -strokewidth 3 -draw "$(wave 300 70 160 0)" \
    -stroke '#4f9cc4' -strokewidth 2 -draw "$(wave 300 45 95 1.3)" \
    -stroke none -fill 'rgba(255,255,255,0.08)' -draw 'rectangle 0,392 800,476' \
    -font DejaVu-Serif-Bold-Italic -pointsize 34 -fill '#cfe6ff' -gravity southeast \
    -annotate +24+16 'Velcora' \
    -strip -quality 88 -sampling-factor 2x2 "$out"
echo "wrote $out"
