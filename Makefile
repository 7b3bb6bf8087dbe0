# Kelvra: `make run` opens the editor, `make test` runs every test.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
PREFIX ?= /usr/local

.PHONY: deps configure build run test bench fuzz install deb clean

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@if [ -x $(BUILD_DIR)/bin/kelvra ]; then \
	  $(BUILD_DIR)/bin/kelvra; \
	else \
	  echo "Built without the editor window; try $(BUILD_DIR)/bin/kelvra-format --help"; \
	fi

test: build
	@cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Installs both programs, the desktop entry, icons, metadata and manual pages under PREFIX.
install: build
	@cmake --install $(BUILD_DIR) --prefix $(PREFIX)

# A Debian package: build/kelvra_VERSION_ARCH.deb
deb: build
	@cd $(BUILD_DIR) && cpack -G DEB

bench: build
	@bash bench/run.sh

# Fuzz targets: clang with libFuzzer and sanitizers, in build-fuzz/.
# Run one with e.g. build-fuzz/fuzz/rtf_reader_fuzz -max_total_time=600
fuzz: deps
	@cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVRA_FUZZ=ON -DKELVRA_BUILD_UI=OFF \
	  -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	@cmake --build build-fuzz -j $(JOBS)

clean:
	rm -rf $(BUILD_DIR)
