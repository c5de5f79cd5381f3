# SPDX-License-Identifier: MIT
# Entry points for people. Every target installs the Debian packages it
# needs first, so each works on a fresh machine.
PRESET ?= release
# Length of `make fuzz` in seconds; CI's pass runs 60.
FUZZ_SECONDS ?= 1800

.PHONY: deps test run bench clean asan sim-only fuzz-build fuzz-ci fuzz check

deps:
	@./scripts/install-deps.sh build

test: deps
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET)
	ctest --preset $(PRESET)

# Without a display this runs the program on a virtual one, clicks balls into
# it and saves a screenshot as build/demo.png.
run: deps
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET)
	./scripts/run.sh build/$(PRESET)/app/torvane build/demo.png

# Release build with the benchmarks; medians of 5 runs, all runs kept in
# build/bench.json.
bench: deps
	cmake --preset release
	cmake --build --preset release
	./build/release/bench/torvane_bench --benchmark_repetitions=5 \
	    --benchmark_display_aggregates_only=true \
	    --benchmark_out=build/bench.json --benchmark_out_format=json

# The whole test suite again under AddressSanitizer (with LeakSanitizer) and
# UndefinedBehaviorSanitizer; any report fails it.
asan: deps
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan

# The simulation and its tests configured without the window: proves that
# nothing in sim/ reaches for Qt.
sim-only: deps
	cmake --preset sim-only
	cmake --build --preset sim-only
	ctest --preset sim-only -LE soak

fuzz-build:
	@./scripts/install-deps.sh build fuzz
	cmake --preset fuzz
	cmake --build --preset fuzz

# The committed seeds, then one bounded minute of fuzzing.
fuzz-ci: fuzz-build
	fuzz/run.sh 60

fuzz: fuzz-build
	fuzz/run.sh $(FUZZ_SECONDS)

# Everything CI runs.
check: test asan sim-only fuzz-ci

clean:
	rm -rf build
