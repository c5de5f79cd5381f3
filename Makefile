# Entry points for people. Every target installs the Debian packages it
# needs first, so each works on a fresh machine.
PRESET ?= release

.PHONY: deps test run clean

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

clean:
	rm -rf build
