# Entry points for people. Every target installs the Debian packages it
# needs first, so each works on a fresh machine.
PRESET ?= release

.PHONY: deps test run bench clean

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

clean:
	rm -rf build
