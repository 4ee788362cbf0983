# Front end for the CMake build: `make demo` and `make test` are the two
# commands the README promises. PRESET=debug or PRESET=asan pick other builds;
# WERROR=ON makes warnings errors (CI does).
PRESET ?= release
WERROR ?= OFF
JOBS   ?= $(shell nproc)
BUILD  := build/$(PRESET)

.PHONY: all build demo test clean

all: build

build:
	cmake --preset $(PRESET) -DVORN_WERROR=$(WERROR) >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	@sh examples/demo.sh $(BUILD)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

clean:
	rm -rf build
