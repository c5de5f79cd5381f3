# SPDX-License-Identifier: MIT
# Entry points for people. Every target installs the Debian packages it
# needs first, so each works on a fresh machine.
PRESET ?= release
# Length of `make fuzz` in seconds; CI's pass runs 60.
FUZZ_SECONDS ?= 1800

.PHONY: deps test ci-test run bench clean asan sim-only fuzz-build fuzz-ci fuzz format-check \
    determinism-check check

deps:
	@./scripts/install-deps.sh build

# The release preset leaves out the tests labelled soak; ci runs them too.
test: deps
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET)
	ctest --preset $(PRESET)

# Every test, the soaks too (the ci test preset): what CI runs.
ci-test: deps
	cmake --preset release
	cmake --build --preset release
	ctest --preset ci

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

# Every tracked C++ file as .clang-format says; changes nothing.
format-check:
	@./scripts/install-deps.sh format
	git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror

# The pinned scene hash on glibc's SSE2 maths and on aarch64 under qemu.
determinism-check: deps
	@./scripts/install-deps.sh determinism
	cmake --preset release
	cmake --build --preset release --target test_sim scene_hash
	./scripts/determinism-check.sh build/release

# Everything CI runs.
check: format-check ci-test determinism-check asan sim-only fuzz-ci

clean:
	rm -rf build
