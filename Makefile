# The two commands a newcomer needs: `make run` and `make test`.
BUILD_DIR ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps configure build programs run test bench bench-build bench-x11 clean format-check sanitize fuzz-build fuzz fuzz-replay \
	interop install install-check

all: build

deps:
	@echo "== Checking Debian packages"
	@scripts/install-deps.sh

configure: deps
	@echo "== Configuring in $(BUILD_DIR)"
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@echo "== Building"
	@cmake --build $(BUILD_DIR) -j $(JOBS)

# The two programs, the editor and varnhold-map, without the test programs,
# which `make test` builds.
programs: configure
	@echo "== Building varnhold and varnhold-map"
	@cmake --build $(BUILD_DIR) --target varnhold varnhold-map -j $(JOBS)

# `make run DIR=~/mygame` starts the editor in the folder of your maps and tile
# sets, since tile sets are named relative to it; without DIR, in examples/
# with the sample map open.
run: programs
	@echo "== Starting Varnhold"
	@VARNHOLD_EDITOR="$(abspath $(BUILD_DIR))/varnhold" scripts/run-editor.sh \
		$(if $(DIR),"$(DIR)",examples sample.map)

test: build
	@echo "== Running the test suite"
	@cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# varnhold-map's TMX export against a real TMX reader, Debian's tiled package
# (installed when missing): its tmxrasterizer must draw the exported map as
# varnhold-map render draws the map itself.
interop: build
	@echo "== Checking the TMX export with tiled's tmxrasterizer"
	@scripts/interop-tmx.sh $(BUILD_DIR)

# Installs both programs, the desktop entry and the icon under PREFIX
# (default /usr/local): `make install PREFIX=$$HOME/.local`.
PREFIX ?= /usr/local
install: programs
	@echo "== Installing into $(PREFIX)"
	@cmake --install $(BUILD_DIR) --prefix $(PREFIX)

# Installs into a temporary prefix and checks the desktop entry and icons.
install-check: programs
	@echo "== Checking make install in a temporary prefix"
	@scripts/install-check.sh $(BUILD_DIR)

# The test suite built by GCC with AddressSanitizer, LeakSanitizer and
# UndefinedBehaviorSanitizer; any report fails the run. GCC rather than clang:
# clang 14's leak checker crashes in its own tracer on this glibc's thread-local
# storage, while GCC 12's runtime (libasan8, libubsan1) holds. The build runs
# several times slower than the plain one, so a test counts as hung only after
# 40 minutes instead of 10.
SANITIZE_DIR ?= build-sanitize
SANITIZE_FLAGS = -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -O1
SANITIZE_ENV = QT_QPA_PLATFORM=offscreen \
	ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitize/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

sanitize:
	@echo "== Sanitizer build in $(SANITIZE_DIR)"
	@scripts/install-deps.sh libasan8 libubsan1
	@cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=g++ -DVARNHOLD_TEST_TIMEOUT=2400 \
		"-DCMAKE_CXX_FLAGS=$(SANITIZE_FLAGS)" "-DCMAKE_EXE_LINKER_FLAGS=$(SANITIZE_FLAGS)" >/dev/null
	@cmake --build $(SANITIZE_DIR) -j $(JOBS)
	@echo "== Running the test suite under the sanitizers"
	@cd $(SANITIZE_DIR) && $(SANITIZE_ENV) ctest --output-on-failure -j $(JOBS)

# The fuzzers under libFuzzer: fuzz_mapparser takes a map file through the
# parser and the writer, fuzz_mapimport through the whole import (parsing,
# the model with its tile sets, drawing at a small zoom, saving). `make fuzz
# FUZZ_SECONDS=600` fuzzes each for ten minutes; new inputs go to
# $(FUZZ_DIR)/corpus-<fuzzer>, faults to $(FUZZ_DIR)/artifacts. Copy an input
# that found a fault into fuzz/corpus.
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZERS = fuzz_mapparser fuzz_mapimport
FUZZ_INSTRUMENT = -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer
FUZZ_OPTIONS = -rss_limit_mb=2048 -max_len=4194304 -timeout=20 -dict=fuzz/mapfile.dict \
	-artifact_prefix=$(FUZZ_DIR)/artifacts/ -print_final_stats=1

fuzz-build:
	@echo "== Building the fuzzers in $(FUZZ_DIR)"
	@scripts/install-deps.sh clang libclang-rt-14-dev
	@cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
		"-DCMAKE_CXX_FLAGS=$(FUZZ_INSTRUMENT)" -DVARNHOLD_BUILD_FUZZ=ON -DVARNHOLD_BUILD_TESTS=OFF >/dev/null
	@cmake --build $(FUZZ_DIR) --target $(FUZZERS) -j $(JOBS)
	@mkdir -p $(FUZZ_DIR)/artifacts $(addprefix $(FUZZ_DIR)/corpus-,$(FUZZERS))

fuzz: fuzz-build
	@for fuzzer in $(FUZZERS); do \
		echo "== Fuzzing with $$fuzzer for $(FUZZ_SECONDS) s"; \
		QT_QPA_PLATFORM=offscreen $(FUZZ_DIR)/fuzz/$$fuzzer $(FUZZ_OPTIONS) -max_total_time=$(FUZZ_SECONDS) \
			$(FUZZ_DIR)/corpus-$$fuzzer fuzz/corpus || exit 1; \
	done

# What CI runs: every committed seed once through each fuzzer, then a minute
# of fuzzing with each.
fuzz-replay: fuzz-build
	@for fuzzer in $(FUZZERS); do \
		echo "== Replaying fuzz/corpus through $$fuzzer"; \
		QT_QPA_PLATFORM=offscreen $(FUZZ_DIR)/fuzz/$$fuzzer $(FUZZ_OPTIONS) fuzz/corpus/* || exit 1; \
	done
	@$(MAKE) --no-print-directory fuzz FUZZ_SECONDS=60

# The speed figures on the largest map, built in Release in its own folder.
# `make bench BENCH_ARGS=--tsv` prints them tab-separated.
bench: bench-build
	@echo "== Running the benchmark"
	@QT_QPA_PLATFORM=$${QT_QPA_PLATFORM:-offscreen} build-bench/bench/varnholdbench $(BENCH_ARGS)

bench-build: deps
	@echo "== Building the benchmark in build-bench (Release)"
	@cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DVARNHOLD_BUILD_BENCH=ON -DVARNHOLD_BUILD_TESTS=OFF >/dev/null
	@cmake --build build-bench -j $(JOBS)

# The same figures on an X11 screen: a virtual one (Xvfb, installed when
# missing, started and stopped here), large enough for a 3840 x 2160 viewport
# beside the palette, and Qt's xcb platform; the floors copy as many pixels
# to a window of that screen.
bench-x11: bench-build
	@scripts/install-deps.sh xvfb xauth
	@echo "== Running the benchmark on Xvfb"
	@xvfb-run --auto-servernum --server-args="-screen 0 4800x2880x24 -nolisten tcp" \
		env QT_QPA_PLATFORM=xcb build-bench/bench/varnholdbench $(BENCH_ARGS)

format-check:
	@clang-format --dry-run --Werror $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD_DIR)
