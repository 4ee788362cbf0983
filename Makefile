# Front end for the CMake build: `make demo` and `make test` are the two
# commands the README promises. PRESET=debug or PRESET=asan pick other builds.
PRESET ?= release
JOBS   ?= $(shell nproc)
BUILD  := build/$(PRESET)

.PHONY: all build demo test coverage clean

all: build

build:
	cmake --preset $(PRESET) >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	@sh examples/demo.sh $(BUILD)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# Line and branch coverage of src/ by the whole suite (gcovr), written to
# build/coverage/coverage.txt and printed as a summary.
coverage:
	$(MAKE) test PRESET=coverage
	gcovr -r . --filter 'src/' --exclude-unreachable-branches --exclude-throw-branches \
	  --print-summary -o build/coverage/coverage.txt build/coverage

clean:
	rm -rf build
