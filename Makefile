# SPDX-License-Identifier: MIT
# The two commands a user needs: `make run` and `make test`.

PACKAGES := g++ cmake ninja-build pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev \
            libjpeg62-turbo-dev libexif-dev libheif-dev libraw-dev liblcms2-dev \
            qt6-image-formats-plugins libgtest-dev libgmock-dev libbenchmark-dev \
            fonts-dejavu-core xvfb xauth \
            dpkg-dev file desktop-file-utils appstream man-db \
            libheif-examples libavif-bin webp libtiff-tools imagemagick python3-html5lib

# Chromium only drives the gallery page's layout check, which skips without
# it, and not every machine can install it (a mirror or an architecture
# without it): it is installed in a step of its own that may fail.
OPTIONAL_PACKAGES := chromium

# Only `make fuzz` needs clang and libFuzzer's runtime; the tests do not.
FUZZ_PACKAGES := clang libclang-rt-14-dev
FUZZ_SECONDS ?= 300

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
SAMPLES := build/dev/samples

.PHONY: setup fuzz-setup build run test test-asan test-tsan bench package fuzz format install clean

# Installs only what is missing, so a second run costs nothing.
setup fuzz-setup: LIST = $(if $(filter fuzz-setup,$@),$(FUZZ_PACKAGES),$(PACKAGES))
setup fuzz-setup: OPTIONAL = $(if $(filter fuzz-setup,$@),,$(OPTIONAL_PACKAGES))
setup fuzz-setup:
	@missing=$$(for p in $(LIST); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; \
	  done); \
	optional=$$(for p in $(OPTIONAL); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; \
	  done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  $(SUDO) apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing >/dev/null || exit 1; \
	fi; \
	if [ -n "$$optional" ]; then \
	  echo "Installing (optional):" $$optional; \
	  { [ -n "$$missing" ] || $(SUDO) apt-get update -qq; } && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$optional >/dev/null 2>&1 || \
	  echo "Could not install $$optional: the checks that need it will be skipped."; \
	fi

build: setup
	cmake --preset dev >/dev/null
	cmake --build --preset dev

# Only the program and the sample painter: the tests wait for `make test`.
run: setup
	cmake --preset dev >/dev/null
	cmake --build --preset dev --target galerio make_samples
	./build/dev/tools/make_samples $(SAMPLES)
	./build/dev/src/galerio $(abspath $(SAMPLES))

test: build
	QT_QPA_PLATFORM=offscreen ctest --preset dev

test-asan: setup
	cmake --preset asan >/dev/null
	cmake --build --preset asan
	QT_QPA_PLATFORM=offscreen ctest --preset asan

test-tsan: setup
	cmake --preset tsan >/dev/null
	cmake --build --preset tsan
	QT_QPA_PLATFORM=offscreen TSAN_OPTIONS="suppressions=$(CURDIR)/tests/tsan.supp second_deadlock_stack=1" \
	  ctest --preset tsan

bench: setup
	cmake --preset bench >/dev/null
	cmake --build --preset bench
	sh bench/prepare_corpus.sh build/bench
	QT_QPA_PLATFORM=offscreen ./build/bench/bench/galerio_bench

# galerio_<version>_<arch>.deb in this folder, from an optimised build of its own;
# install it with `apt install ./galerio_*.deb`.
package: setup
	cmake --preset package >/dev/null
	cmake --build --preset package
	rm -f build/package/galerio_*.deb
	cd build/package && cpack -G DEB
	cp build/package/galerio_*.deb .

# Builds the libFuzzer targets with clang and runs each for FUZZ_SECONDS,
# two at a time (fuzz/run.sh).
fuzz: setup fuzz-setup
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz --target fuzz_targets
	sh fuzz/run.sh $(FUZZ_SECONDS)

format:
	find src tests bench tools fuzz -name '*.cpp' -o -name '*.h' | xargs clang-format -i

install: build
	cmake --install build/dev

clean:
	rm -rf build
