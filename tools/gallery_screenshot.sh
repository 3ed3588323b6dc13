#!/bin/sh
# SPDX-License-Identifier: MIT
# Takes docs/gallery.png: the bundled sample folder (the one `make run` opens)
# published as a web gallery with the names as captions, as headless Chromium
# shows it in a window of 1280 x 800. Run from anywhere in the source tree:
#   sh tools/gallery_screenshot.sh
set -eu
cd "$(dirname "$0")/.."
chromium=/usr/bin/chromium
[ -x "$chromium" ] || { echo "gallery_screenshot: chromium is not installed (make setup)" >&2; exit 1; }
cmake --preset dev >/dev/null
cmake --build --preset dev --target galerio make_samples >/dev/null
samples=$(pwd)/build/dev/samples
./build/dev/tools/make_samples "$samples"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/gallery"
# Settings of its own, so the user's stored gallery choices play no part.
HOME="$work" XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=offscreen \
    ./build/dev/src/galerio --make-thumbs "$samples" --out "$work/gallery" --style gallery \
    --title "Sample photos" --captions name >/dev/null
"$chromium" --headless --no-sandbox --disable-gpu --disable-dev-shm-usage --hide-scrollbars \
    --user-data-dir="$work/chromium" --window-size=1280,800 --virtual-time-budget=5000 \
    --screenshot="$work/shot.png" "file://$work/gallery/index.html" >/dev/null 2>&1
# Smallest lossless PNG first; a palette of 256 colours only if that is
# still over 400 KB, the most a README picture should cost a reader.
convert-im6.q16 "$work/shot.png" -strip -define png:compression-level=9 "$work/small.png"
if [ "$(stat -c %s "$work/small.png")" -gt 409600 ]; then
    convert-im6.q16 "$work/shot.png" -strip -colors 256 -define png:compression-level=9 \
        "$work/small.png"
fi
mv "$work/small.png" docs/gallery.png
echo "gallery_screenshot: docs/gallery.png, $(stat -c %s docs/gallery.png) bytes"
