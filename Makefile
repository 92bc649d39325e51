# Speckwash: every target installs what it needs on a fresh Debian 12 machine.
#   make         release build (build/release)
#   make test    ASan/UBSan build and every test (build/asan)
#   make tsan    ThreadSanitizer build and every engine test, the queue's included (build/tsan)
#   make bench   release build of the benchmarks, a run of each, and OpenCV's median, and the pipeline ratios
#   make bench-desktop  the desktop program's open of a 24 MP and a 100 MP scan: first tile, longest pause (build/bench-gui)
#   make fuzz    each fuzz target for FUZZ_SECONDS (default 60)
#   make run     the desktop program on the bundled sample scan
#   make install installs the release build under PREFIX (default /usr/local), staged under DESTDIR if set
#   make deb     the Debian package build/release/speckwash_VERSION_ARCH.deb
#   make package-test  builds the package, installs it, checks it works and passes the validators, removes it

JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60
PREFIX ?= /usr/local
DESTDIR ?=
CMAKE_GEN = -G Ninja

BUILD_PACKAGES = build-essential cmake ninja-build pkg-config \
  libgtest-dev libgmock-dev libbenchmark-dev \
  libjpeg62-turbo-dev libtiff-dev libpng-dev zlib1g-dev \
  qt6-base-dev qt6-svg-dev libgl-dev fp-utils libchm-dev \
  clang-14 libclang-rt-14-dev \
  scdoc librsvg2-bin dpkg-dev file
# Tools the tests use to make files with other programs' writers, and GNU Parallel.
TEST_PACKAGES = imagemagick libtiff-tools libjpeg-turbo-progs xvfb xauth parallel
PACKAGES = $(BUILD_PACKAGES) $(TEST_PACKAGES)
# Benchmark-only: OpenCV's median as the reference the engine is timed against.
BENCH_PACKAGES = python3-opencv python3-numpy libvips-tools
# The ecosystem's own checks of an installed package.
PACKAGE_TEST_PACKAGES = desktop-file-utils appstream lintian man-db bash-completion xdotool

SUDO = $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps release install deb package-test test tsan bench bench-desktop fuzz fuzz-smoke run clean

all: release

deps:
	@missing=$$(for p in $(PACKAGES) $(EXTRA_PACKAGES); do \
	    dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; \
	  done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get update -qq && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $$missing; \
	fi

release: deps
	cmake -S . -B build/release $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DSPECKWASH_TESTS=OFF -DSPECKWASH_HARDEN=ON
	cmake --build build/release -j $(JOBS)

install: release
	DESTDIR="$(DESTDIR)" cmake --install build/release --prefix "$(PREFIX)"

deb: release
	cd build/release && cpack -G DEB

# Needs root (through sudo otherwise): it installs and removes the package.
package-test: deb
	@$(MAKE) --no-print-directory deps EXTRA_PACKAGES="$(PACKAGE_TEST_PACKAGES)"
	$(SUDO) packaging/package_test.sh build/release

test: deps
	cmake -S . -B build/asan $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSPECKWASH_SANITIZE=ON
	cmake --build build/asan -j $(JOBS)
	cd build/asan && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --no-tests=error -j $(JOBS)
	@$(MAKE) --no-print-directory fuzz-smoke

tsan: deps
	cmake -S . -B build/tsan $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSPECKWASH_TSAN=ON -DSPECKWASH_GUI=OFF
	cmake --build build/tsan -j $(JOBS) --target test_engine
	build/tsan/tests/test_engine

bench:
	@$(MAKE) --no-print-directory deps EXTRA_PACKAGES="$(BENCH_PACKAGES)"
	cmake -S . -B build/bench $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DSPECKWASH_TESTS=OFF -DSPECKWASH_BENCH=ON -DSPECKWASH_GUI=OFF
	cmake --build build/bench -j $(JOBS)
	@for b in build/bench/bench/bench_*; do [ -x $$b ] && $$b || exit 1; done
	/usr/bin/python3 bench/opencv_median_reference.py
	bench/pipeline_ratios.sh build/bench

# Kept apart from `bench`, which builds without the desktop program.
bench-desktop:
	@$(MAKE) --no-print-directory deps EXTRA_PACKAGES="$(BENCH_PACKAGES)"
	cmake -S . -B build/bench-gui $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DSPECKWASH_TESTS=OFF -DSPECKWASH_BENCH=ON
	cmake --build build/bench-gui -j $(JOBS) --target open_to_first_tile
	bench/desktop_open.sh build/bench-gui

# libFuzzer targets need clang; they live in their own build tree.
FUZZ_CONFIGURE = CC=clang-14 CXX=clang++-14 cmake -S fuzz -B build/fuzz $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo

fuzz: deps
	$(FUZZ_CONFIGURE)
	cmake --build build/fuzz -j $(JOBS)
	FUZZ_SECONDS=$(FUZZ_SECONDS) fuzz/run_all.sh build/fuzz

fuzz-smoke: deps
	@if [ -f fuzz/CMakeLists.txt ]; then \
	  $(FUZZ_CONFIGURE) >/dev/null && cmake --build build/fuzz -j $(JOBS) && \
	  FUZZ_SECONDS=10 fuzz/run_all.sh build/fuzz; \
	fi

run: release
	build/release/app/speckwash resources/sample/sample-scan.tif

clean:
	rm -rf build
