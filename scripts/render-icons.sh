#!/usr/bin/env bash
# Renders data/icons/fr.vardo.Framix.svg into the PNG sizes of the hicolor theme (committed, so
# that a build needs no SVG renderer). Uses GStreamer's rsvgdec, which the program's plugin
# set brings anyway. Run after editing the SVG.
set -euo pipefail
cd "$(dirname "$0")/../data/icons"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for s in 16 24 32 48 64 128 256; do
  sed "s/width=\"256\" height=\"256\"/width=\"$s\" height=\"$s\"/" fr.vardo.Framix.svg >"$tmp/$s.svg"
  gst-launch-1.0 -q filesrc location="$tmp/$s.svg" ! rsvgdec ! videoconvert ! video/x-raw,format=RGBA \
    ! pngenc ! filesink location="fr.vardo.Framix-$s.png"
done
