#!/bin/sh
# SPDX-License-Identifier: MIT
# Rewrites fuzz/corpus/ from scratch with the seeds make_fuzz_seeds paints.
# Run from the repository's root after `make build`.
set -eu
build=${1:-build/dev}
cmake --build "$build" --target make_fuzz_seeds
rm -rf fuzz/corpus
"$build/tests/make_fuzz_seeds" fuzz/corpus
du -sh fuzz/corpus/*
