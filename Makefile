# Kelvra: `make run` opens the editor, `make test` runs every test.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
PREFIX ?= /usr/local

.PHONY: deps configure build run test bench fuzz install deb clean web test-web

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
	@if [ -x /usr/bin/chromium ]; then $(MAKE) --no-print-directory test-web; \
	 else echo "No /usr/bin/chromium: browser test of the web page skipped"; fi

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

# The web page: the format core in WebAssembly (emscripten), in $(WEB_BUILD_DIR)/site.
# Debian's emscripten finds its JavaScript helpers under /usr/share/nodejs.
WEB_BUILD_DIR ?= build-web
WEB_ENV = NODE_PATH=/usr/share/nodejs$${NODE_PATH:+:$$NODE_PATH}

web:
	@$(WEB_ENV) emcmake cmake -S web -B $(WEB_BUILD_DIR) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@$(WEB_ENV) cmake --build $(WEB_BUILD_DIR) -j $(JOBS)
	@echo "Page: $(WEB_BUILD_DIR)/site/index.html"

# The page in headless Chromium, against the expected results in ../shared/golden.
test-web: web
	@[ -d web/node_modules/playwright-core ] || (cd web && npm ci --no-audit --no-fund)
	@cd web && KELVRA_WEB_SITE=$(abspath $(WEB_BUILD_DIR))/site node --test test/*.test.js

clean:
	rm -rf $(BUILD_DIR) $(WEB_BUILD_DIR)
