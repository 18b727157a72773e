# The commands a newcomer uses. Everything else is CMake presets (see README.md).
PRESET ?= default
BUILD_DIR := build/$(PRESET)

.PHONY: all deps build demo test run asan tsan package fuzz clean format

all: build

deps:
	@scripts/install-deps

build: deps
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET)

# The utility on its built-in simulated keypad.
demo: build
	$(BUILD_DIR)/app/echovane-config-demo

# The whole suite.
test: build
	ctest --preset $(PRESET)

# The utility on a real keypad.
run: build
	$(BUILD_DIR)/app/echovane-config

# A Debian package of the product executables, rules and desktop entry.
package: build
	cd $(BUILD_DIR) && cpack -G DEB
	@ls $(BUILD_DIR)/package/*.deb

asan:
	$(MAKE) test PRESET=asan

tsan:
	$(MAKE) test PRESET=tsan

FUZZ_SECONDS ?= 60
# Every fuzz target for FUZZ_SECONDS each.
fuzz: deps
	cmake --preset fuzz
	cmake --build --preset fuzz
	scripts/run-fuzzers $(FUZZ_SECONDS)

format:
	find device platform emulator app codetable config firmware ui selftest cli tests bench fuzz \
	    -name '*.cpp' -o -name '*.h' 2>/dev/null | xargs -r clang-format -i

clean:
	rm -rf build
