#!/bin/sh
# SPDX-License-Identifier: MIT
# Rewrites fuzz/corpus/ from scratch with the seeds make_fuzz_seeds paints.
# Run from the repository's root after `make build`.
set -eu
build=${1:-build/dev}
cmake --build "$build" --target make_fuzz_seeds
rm -rf fuzz/corpus
"$build/tests/make_fuzz_seeds" fuzz/corpus
# The formats Qt writes one picture of at most, made by Debian's tools.
qt=fuzz/corpus/qt_photo
tiffcp "$qt/alpha.tif" "$qt/adobe-rgb.tif" "$qt/pages.tif"
gif2webp -quiet "$qt/frames.gif" -o "$qt/frames.webp"
du -sh fuzz/corpus/*
