# Entry points for people. Every target installs the Debian packages it
# needs first, so each works on a fresh machine.
PRESET ?= release

.PHONY: deps test clean

deps:
	@./scripts/install-deps.sh build

test: deps
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET)
	ctest --preset $(PRESET)

clean:
	rm -rf build
