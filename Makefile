# The commands a newcomer uses. Everything else is CMake presets (see README.md).
PRESET ?= default
BUILD_DIR := build/$(PRESET)

.PHONY: all deps build demo test run asan tsan package fuzz clean format format-check

all: build

deps:
	@scripts/install-deps $(PRESET)

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

# Every C++ source of the tree, tracked or new (what .gitignore leaves out stays out).
SOURCES = git ls-files -z --cached --others --exclude-standard -- '*.cpp' '*.h'

format:
	$(SOURCES) | xargs -0 -r clang-format -i

# Fails when clang-format would change any file, naming each file and line.
format-check:
	$(SOURCES) | xargs -0 -r clang-format --dry-run --Werror

clean:
	rm -rf build
