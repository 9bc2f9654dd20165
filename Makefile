# The two commands a newcomer needs: `make run` and `make test`.
BUILD_DIR ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps configure build run test clean format-check

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

run: build
	@echo "== Starting Varnhold"
	@scripts/run-editor.sh $(BUILD_DIR)/varnhold

test: build
	@echo "== Running the test suite"
	@cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

format-check:
	@clang-format --dry-run --Werror $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD_DIR)
