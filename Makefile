# The two commands of the README: `make demo` and `make test`. Everything else is a step of them.
SHELL := /bin/bash
JOBS ?= $(shell nproc)
LINUX_PRESETS := release asan tsan

.PHONY: all setup build test demo windows linux-% test-% wine-prefix mingw-deps fuzz fuzz-build test-fuzz clean

all: build

setup:
	scripts/setup

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
	$(MAKE) test-release test-asan test-tsan test-windows test-fuzz

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

demo: build
	scripts/demo build/release

clean:
	rm -rf build
