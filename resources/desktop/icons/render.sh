#!/usr/bin/env bash
# Draws the menu icon's PNG sizes from the SVG (needs rsvg-convert, Debian
# package librsvg2-bin). Run after changing the SVG; the PNGs are kept in git
# so that a build needs no SVG renderer.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256 512; do
  rsvg-convert --width "$size" --height "$size" com.vennara.orlavo.svg --output "$size.png"
done
