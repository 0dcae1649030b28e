# The two commands of the README: `make demo` and `make test`. Everything else is a step of them,
# or a step of shipping: `make install`, `make uninstall`, `make dist`, `make check-hosts`.
SHELL := /bin/bash
JOBS ?= $(shell nproc)
LINUX_PRESETS := release asan tsan
# What `make test` runs, one step after the other.
TEST_STEPS := test-release test-asan test-tsan test-windows test-fuzz

.PHONY: all setup setup-product product build test demo windows linux-% test-% wine-prefix mingw-deps \
	fuzz fuzz-build test-fuzz clean install uninstall dist test-dist check-hosts

all: build

# Every package (tests, benchmarks, Windows, fuzzing); setup-product only what the product needs.
setup:
	scripts/setup all

setup-product:
	scripts/setup product

# The plug-in, its registry library and the tools, without tests or benchmarks (build/product).
product: setup-product
	cmake --preset product
	cmake --build --preset product -j $(JOBS)

build: setup
	cmake --preset release
	cmake --build --preset release -j $(JOBS)

linux-%: setup
	cmake --preset $*
	cmake --build --preset $* -j $(JOBS)

test-%: linux-%
	ctest --preset $*

mingw-deps: setup
	scripts/build-mingw-deps build/mingw-deps

windows: mingw-deps
	cmake --preset windows
	cmake --build --preset windows -j $(JOBS)

wine-prefix: windows
	scripts/wine-prefix build/windows/wineprefix

test-windows: wine-prefix
	ctest --preset windows

test: setup
	$(MAKE) $(TEST_STEPS)

# A short exploration by every fuzz target (the seeds are replayed by every preset's ctest).
FUZZ_TEST_SECONDS ?= 20
test-fuzz: fuzz-build
	fuzz/run_fuzzers --discard build/fuzz $(FUZZ_TEST_SECONDS)

# Each libFuzzer target for FUZZ_SECONDS (its own clang build in build/fuzz); fails on a finding.
FUZZ_SECONDS ?= 300
fuzz-build: setup
	cmake --preset fuzz
	cmake --build --preset fuzz --target qv_fuzzers -j $(JOBS)

fuzz: fuzz-build
	fuzz/run_fuzzers build/fuzz $(FUZZ_SECONDS)

demo: product
	scripts/demo build/product

# Installing: into ~/.vst, or $(DESTDIR)$(PREFIX)/lib/vst when PREFIX is set. COPIES names extra
# copies by their channel part, e.g. COPIES="1in_1out 8in_8out" gives Quorvane_1in_1out.so.
VST_DIR = $(DESTDIR)$(if $(PREFIX),$(PREFIX)/lib/vst,$(HOME)/.vst)
install: product
	scripts/install build/product/plugin "$(VST_DIR)" $(COPIES)

uninstall:
	scripts/install --uninstall "$(VST_DIR)"

# Release archives and SHA256SUMS under build/dist, from the release and Windows builds; the
# archive test unpacks each into an empty folder and loads the libraries from there.
dist: linux-release windows
	scripts/dist build/dist build/release build/windows

test-dist: dist wine-prefix
	scripts/check-dist build/dist build/release build/windows

TEST_STEPS += test-dist

# The Linux build in Debian's Ardour: its VST scanner and a headless session (not part of make test).
check-hosts: linux-release
	scripts/setup hosts
	scripts/check-hosts build/release

clean:
	rm -rf build
