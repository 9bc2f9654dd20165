# The two commands a newcomer needs: `make run` and `make test`.
BUILD_DIR ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps configure build editor run test bench clean format-check sanitize fuzz-build fuzz fuzz-replay

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

# The editor alone; `make test` builds the test programs.
editor: configure
	@echo "== Building the editor"
	@cmake --build $(BUILD_DIR) --target varnhold -j $(JOBS)

# `make run DIR=~/mygame` starts the editor in the folder of your maps and tile
# sets (default: this one), since tile sets are named relative to it.
run: editor
	@echo "== Starting Varnhold"
	@VARNHOLD_EDITOR="$(abspath $(BUILD_DIR))/varnhold" scripts/run-editor.sh "$(DIR)"

test: build
	@echo "== Running the test suite"
	@cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

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

# The map-file parser under libFuzzer. `make fuzz FUZZ_SECONDS=600` fuzzes for
# ten minutes; new inputs go to $(FUZZ_DIR)/corpus, faults to
# $(FUZZ_DIR)/artifacts. Copy an input that found a fault into fuzz/corpus.
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZER = $(FUZZ_DIR)/fuzz/fuzz_mapparser
FUZZ_OPTIONS = -rss_limit_mb=2048 -max_len=4194304 -timeout=10 -dict=fuzz/mapfile.dict \
	-artifact_prefix=$(FUZZ_DIR)/artifacts/ -print_final_stats=1

fuzz-build:
	@echo "== Building the fuzzer in $(FUZZ_DIR)"
	@scripts/install-deps.sh clang libclang-rt-14-dev
	@cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
		-DVARNHOLD_BUILD_FUZZ=ON -DVARNHOLD_BUILD_TESTS=OFF >/dev/null
	@cmake --build $(FUZZ_DIR) --target fuzz_mapparser -j $(JOBS)
	@mkdir -p $(FUZZ_DIR)/corpus $(FUZZ_DIR)/artifacts

fuzz: fuzz-build
	@echo "== Fuzzing the map-file parser for $(FUZZ_SECONDS) s"
	@$(FUZZER) $(FUZZ_OPTIONS) -max_total_time=$(FUZZ_SECONDS) $(FUZZ_DIR)/corpus fuzz/corpus

# What CI runs: every committed seed once on its own, then a minute of fuzzing.
fuzz-replay: fuzz-build
	@echo "== Replaying fuzz/corpus"
	@$(FUZZER) $(FUZZ_OPTIONS) fuzz/corpus/*
	@echo "== Fuzzing the map-file parser for 60 s"
	@$(FUZZER) $(FUZZ_OPTIONS) -max_total_time=60 $(FUZZ_DIR)/corpus fuzz/corpus

# The speed figures on the largest map, built in Release in its own folder.
# `make bench BENCH_ARGS=--tsv` prints them tab-separated.
bench: deps
	@echo "== Building the benchmark in build-bench (Release)"
	@cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DVARNHOLD_BUILD_BENCH=ON -DVARNHOLD_BUILD_TESTS=OFF >/dev/null
	@cmake --build build-bench -j $(JOBS)
	@echo "== Running the benchmark"
	@QT_QPA_PLATFORM=$${QT_QPA_PLATFORM:-offscreen} build-bench/bench/varnholdbench $(BENCH_ARGS)

format-check:
	@clang-format --dry-run --Werror $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD_DIR)
