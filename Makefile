# Kelvra: `make run` opens the editor, `make test` runs every test.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: deps configure build run test bench fuzz clean

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@if [ -x $(BUILD_DIR)/src/app/kelvra ]; then \
	  $(BUILD_DIR)/src/app/kelvra; \
	else \
	  echo "Built. The editor window is not part of this build yet; try $(BUILD_DIR)/src/cli/kelvra-format --help"; \
	fi

test: build
	@cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: build
	@bash bench/run.sh

clean:
	rm -rf $(BUILD_DIR)
