#!/bin/sh
# SPDX-License-Identifier: MIT
# Prepares the benchmark corpus once and keeps it in the build tree:
#   sh bench/prepare_corpus.sh <build folder>     (default build/bench)
# The photographs come from Debian's mate-backgrounds package, unpacked
# without installing it; nothing of it is committed or shipped.
set -eu
BUILD=${1:-build/bench}
CORPUS="$BUILD/bench/corpus"
# The HEIF benchmark's photo: a 12 MP corpus image through heif-enc.
HEIF_PHOTO="$CORPUS/heif_12mp.heic"
[ -f "$CORPUS/.complete" ] && [ -f "$HEIF_PHOTO" ] && exit 0

SOURCES="$BUILD/bench/corpus-sources"
mkdir -p "$SOURCES"
if [ ! -d "$SOURCES/root/usr/share/backgrounds" ]; then
    (cd "$SOURCES" && rm -f ./*.deb && apt-get download -q mate-backgrounds >/dev/null 2>&1 ||
        { echo "prepare_corpus: cannot download mate-backgrounds (run apt-get update?)" >&2; exit 1; })
    dpkg -x "$SOURCES"/mate-backgrounds_*.deb "$SOURCES/root"
    rm -f "$SOURCES"/*.deb
fi
# The nature photographs and the one camera shot among the abstract ones
# (at its largest size); the rest of the package is drawn artwork.
MATE="$SOURCES/root/usr/share/backgrounds/mate"
PHOTOS="$(find "$MATE/nature" -name '*.jpg' | sort) $MATE/abstract/Elephants_5640x3172.jpg"
echo "prepare_corpus: writing 100 images to $CORPUS (once)"
# shellcheck disable=SC2086
"$BUILD/tools/make_corpus" "$CORPUS" $PHOTOS
if [ ! -f "$HEIF_PHOTO" ]; then
    echo "prepare_corpus: encoding $HEIF_PHOTO (once, about a minute)"
    # Written under a name heif-enc still takes for HEIC, then put in place.
    heif-enc -q 80 "$CORPUS/large_00.jpg" -o "$CORPUS/heif_12mp.part.heic" >/dev/null
    mv "$CORPUS/heif_12mp.part.heic" "$HEIF_PHOTO"
fi
touch "$CORPUS/.complete"
