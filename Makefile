# SPDX-License-Identifier: MIT
# Entry points for people. Every target installs the Debian packages it
# needs first, so each works on a fresh machine. What CMake does for a
# target (configure, build, test) is one workflow preset of
# CMakePresets.json, which runs the same without make.
PRESET ?= release
# Length of `make fuzz` in seconds; CI's pass runs 60.
FUZZ_SECONDS ?= 1800

.PHONY: deps test ci-test run package package-check bench clean asan no-qt fuzz-build \
    fuzz-ci fuzz format-check determinism-check windows windows-check check web web-serve web-check \
    settled-frame

deps:
	@./scripts/install-deps.sh build

# The test suites, each the workflow named here: configure, build, test.
# The release preset leaves out the tests labelled soak; PRESET=debug (or
# asan, no-qt) runs another preset's.
test: WORKFLOW = $(PRESET)
# Every test, the soaks too (the ci test preset): what CI runs.
ci-test: WORKFLOW = ci
# The whole test suite again under AddressSanitizer (with LeakSanitizer) and
# UndefinedBehaviorSanitizer; any report fails it.
asan: WORKFLOW = asan
# Everything but the Qt program configured as if Qt were not installed: the
# simulation, the drawing and the window (Form1) build and pass their tests,
# which proves that nothing outside app/qt reaches for Qt.
no-qt: WORKFLOW = no-qt
test ci-test asan no-qt: deps
	cmake --workflow --preset $(WORKFLOW)

# Builds the program alone (preset app: no tests, no benchmarks) and runs it.
# Without a display it runs on a virtual one, balls are clicked into it and a
# screenshot is saved as build/demo.png.
run:
	@./scripts/install-deps.sh app
	cmake --workflow --preset app
	./scripts/run.sh build/app/app/qt/torvane build/demo.png

# The Debian package, build/app/package/torvane_VERSION_ARCH.deb.
package:
	@./scripts/install-deps.sh app package
	rm -f build/app/package/*.deb
	cmake --workflow --preset package

# Installs the package, runs the installed program on a virtual display,
# purges the package, and runs the desktop entry, metainfo and package
# validators. Then builds the package from two fresh clones of the last
# commit, in different folders, time zones, locales and umasks, and fails
# unless the two .deb files are the same bytes.
package-check: package
	./scripts/package-check.sh build/app/package/torvane_*.deb
	./scripts/reproducible-check.sh

# Release build with the benchmarks; medians of 5 runs, all runs kept in
# build/bench.json.
bench: deps
	cmake --workflow --preset bench
	./build/release/bench/torvane_bench --benchmark_repetitions=5 \
	    --benchmark_display_aggregates_only=true \
	    --benchmark_out=build/bench.json --benchmark_out_format=json

fuzz-build:
	@./scripts/install-deps.sh build fuzz
	cmake --workflow --preset fuzz

# The committed seeds, then one bounded minute of fuzzing.
fuzz-ci: fuzz-build
	fuzz/run.sh 60

fuzz: fuzz-build
	fuzz/run.sh $(FUZZ_SECONDS)

# Every tracked C++ file as .clang-format says; changes nothing.
format-check:
	@./scripts/install-deps.sh format
	git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror

# The pinned scene and frames here and on glibc's SSE2 maths; then the
# tests of the simulation, the drawing and the window, which pin both, on
# each cross target: the workflow of its name configures, builds and runs
# them under its emulator (qemu-aarch64, wine, Node; the page's second
# module, without SIMD, under Node too).
DETERMINISM_TARGETS = aarch64 windows-test web-node web-node-scalar
determinism-check: deps
	@./scripts/install-deps.sh determinism wasm
	cmake --workflow --preset determinism
	./scripts/determinism-check.sh build/release $(DETERMINISM_TARGETS)

# The program for Windows, cross-compiled with mingw-w64 (preset windows):
# build/windows/app/win32/torvane.exe,
# build/windows/torvane-VERSION-windows-x86_64.zip and its installer,
# build/windows/torvane-VERSION-windows-x86_64.msi (wixl).
windows:
	@./scripts/install-deps.sh windows
	cmake --workflow --preset windows

# The toolkit-free tests built for Windows (preset windows-test), under
# wine; then torvane.exe and its .zip under wine on a virtual display,
# against settled_frame of the release build; then the .msi installed,
# upgraded and uninstalled under wine in a fresh prefix (with an older
# version's package, target torvane_msi_older, from the windows-test build).
windows-check: windows settled-frame deps
	@./scripts/install-deps.sh run
	cmake --workflow --preset windows-check
	./scripts/windows-check.sh build/windows/app/win32/torvane.exe build/release/tests/ui/settled_frame \
	    build/windows/torvane-*-windows-x86_64.zip build/windows-test/tests/win32/show_window.exe
	./scripts/msi-check.sh build/windows/torvane-*-windows-x86_64.msi build/windows-test/packaging/windows/torvane-*-older.msi \
	    build/windows/app/win32/torvane.exe build/windows/app/win32/torvane.ico

# settled_frame (release build): Form1's frame on a fake window system,
# which the Windows program's and the page's checks compare theirs with.
settled-frame: deps
	cmake --workflow --preset settled-frame

# The page: build/web holds the site and nothing else (its build tree is
# build/web-build); any static web server can serve that folder as it is.
web:
	@./scripts/install-deps.sh wasm
	cmake --workflow --preset web

# Serves build/web on 127.0.0.1 (port WEB_PORT) and prints the address.
WEB_PORT ?= 8064
web-serve: web
	@./scripts/install-deps.sh serve
	./scripts/web-serve.sh build/web $(WEB_PORT)

# The page in Chromium, Firefox and WebKitGTK from a server on 127.0.0.1, on a
# virtual X display: its title, size, cadence, presses, zooms, rest, resizes,
# offline start and console, its settled frames against settled_frame's
# (tests/web/check.mjs); then the site built again elsewhere must be the same
# bytes.
web-check: deps web settled-frame
	@./scripts/install-deps.sh web
	cd tests/web && npm ci --no-audit --no-fund
	XVFB_SCREEN=2560x1600x24 bash -c '. scripts/virtual-display.sh && start_display && \
	    node tests/web/check.mjs build/web build/release/tests/ui/settled_frame build/web-build/app/web'
	./scripts/web-reproducible-check.sh build/web

# Everything CI runs.
check: format-check ci-test determinism-check windows-check asan no-qt fuzz-ci package-check web-check

clean:
	rm -rf build
