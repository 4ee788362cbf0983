# Front end for the CMake build: `make demo` and `make test` are the two
# commands the README promises. PRESET=debug or PRESET=asan pick other builds;
# WERROR=ON makes warnings errors (CI does).
PRESET ?= release
PREFIX ?= /usr/local
DESTDIR ?=
WERROR ?= OFF
JOBS   ?= $(shell nproc)
BUILD  := build/$(PRESET)

.PHONY: all build demo test install uninstall package coverage clean

all: build

build:
	cmake --preset $(PRESET) -DVORN_WERROR=$(WERROR) >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	@sh examples/demo.sh $(BUILD)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# Installs the programs, manual pages and docs under $(PREFIX) (staged
# under $(DESTDIR) when given); the list of files is
# $(BUILD)/install_manifest.txt, which `make uninstall` removes.
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

uninstall:
	DESTDIR="$(DESTDIR)" cmake -DMANIFEST=$(BUILD)/install_manifest.txt -P cmake/uninstall.cmake

# The Debian package of the same files (under /usr), in $(BUILD).
package: build
	cd $(BUILD) && cpack -G DEB

# Line and branch coverage of src/ by the whole suite (gcovr), written to
# build/coverage/coverage.txt and printed as a summary.
coverage:
	@find build/coverage -name '*.gcda' -delete 2>/dev/null || true
	$(MAKE) build PRESET=coverage
	@# The lost-output case runs programs under a file-size limit, which also
	@# cuts the writes of their coverage counters: it is left out here.
	-ctest --test-dir build/coverage -j $(JOBS) -E 'output/lost_output'
	gcovr -r . --filter 'src/' --exclude-unreachable-branches --exclude-throw-branches \
	  --print-summary -o build/coverage/coverage.txt build/coverage

clean:
	rm -rf build
