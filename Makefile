# Builds the client for Windows (i686 release, x86_64 for Wine), the host
# tests, and runs everything through one ctest run.
BUILD ?= build
CTEST_JOBS ?= 2
CTEST_ARGS ?=
ROOT := $(abspath .)
B := $(abspath $(BUILD))
# Debian 13 root with Wine 10, which runs the i686 build (made once, shared by
# every build folder; scripts/make-wine10-root.sh remakes it when its recipe changes).
WINE10_ROOT ?= $(HOME)/.cache/vexa/wine10-root

CONFIGURE = cmake -S $(ROOT) -G Ninja -Wno-dev
# The publisher's public update key (README, "Signed updates"): given, the
# release (win32) is built with it, and keeps it until set otherwise.
VEXA_UPDATE_KEY ?=

.PHONY: all deps wine10 build test run bench fuzz clean

all: build

deps:
	@$(ROOT)/scripts/install-deps.sh

wine10: deps
	@$(ROOT)/scripts/make-wine10-root.sh $(WINE10_ROOT)

$(B)/win32/build.ninja:
	$(CONFIGURE) -B $(B)/win32 -DCMAKE_TOOLCHAIN_FILE=$(ROOT)/cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release
$(B)/win64/build.ninja:
	$(CONFIGURE) -B $(B)/win64 -DCMAKE_TOOLCHAIN_FILE=$(ROOT)/cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release
$(B)/host/build.ninja:
	$(CONFIGURE) -B $(B)/host -DCMAKE_BUILD_TYPE=Debug -DVEXA_WIN64_DIR=$(B)/win64 -DVEXA_WINE10_ROOT=$(WINE10_ROOT)

build: deps $(B)/win32/build.ninja $(B)/win64/build.ninja
	$(if $(VEXA_UPDATE_KEY),cmake -DVEXA_UPDATE_KEY=$(abspath $(VEXA_UPDATE_KEY)) $(B)/win32 >/dev/null)
	ninja -C $(B)/win32
	ninja -C $(B)/win64

test: build wine10 $(B)/host/build.ninja
	ninja -C $(B)/host
	ctest --test-dir $(B)/host -j$(CTEST_JOBS) --output-on-failure $(CTEST_ARGS)

run: build wine10
	VEXA_WINE10_ROOT=$(WINE10_ROOT) python3 $(ROOT)/scripts/run_demo.py --build $(B)/win32

bench: build wine10
	VEXA_WINE10_ROOT=$(WINE10_ROOT) python3 $(ROOT)/bench/bench.py --build $(B)

# Runs every fuzz target (libFuzzer, clang) for FUZZ_SECONDS each, starting
# from its seeds (the built executables among them); what a target finds
# interesting stays in $(B)/fuzz-corpus/<target>, crashing inputs in
# $(B)/fuzz-crashes.
FUZZ_SECONDS ?= 300
fuzz: build $(B)/host/build.ninja
	ninja -C $(B)/host fuzzers
	python3 $(ROOT)/tests/fuzz/run_fuzz.py $(B)/host/fuzz/targets.json --seconds $(FUZZ_SECONDS) --corpus $(B)/fuzz-corpus

clean:
	rm -rf $(B)
