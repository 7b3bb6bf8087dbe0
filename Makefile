# Kelvra: `make run` opens the editor, `make test` runs every test.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
PREFIX ?= /usr/local

SANITIZE_DIR ?= build-sanitize
FUZZ_SECONDS ?= 60
CTEST = QT_QPA_PLATFORM=offscreen ctest --output-on-failure --no-tests=error -j $(JOBS)

.PHONY: deps configure build run test format-check test-sanitize fuzz fuzz-check bench install deb clean web test-web test-web-full windows test-windows

# `make run` installs only what the editor needs; everything else installs all.
DEPS_PROFILE ?= all
deps:
	@bash scripts/install-deps.sh $(DEPS_PROFILE)

configure: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

# Builds the editor alone (no tests, no benchmarks) and starts it.
run: DEPS_PROFILE = run
run: configure
	@if grep -q '^KELVRA_BUILD_UI:BOOL=ON' $(BUILD_DIR)/CMakeCache.txt; then \
	  cmake --build $(BUILD_DIR) -j $(JOBS) --target kelvra && $(BUILD_DIR)/bin/kelvra; \
	else \
	  cmake --build $(BUILD_DIR) -j $(JOBS) --target kelvra-format && \
	  echo "Built without the editor window; try $(BUILD_DIR)/bin/kelvra-format --help"; \
	fi

# Every test, then the Qt-free code and its tests again under AddressSanitizer
# and UndefinedBehaviorSanitizer.
test: build format-check
	@cd $(BUILD_DIR) && $(CTEST)
	@$(MAKE) --no-print-directory test-sanitize
	@if [ -x /usr/bin/chromium ]; then $(MAKE) --no-print-directory test-web; \
	 else echo "No /usr/bin/chromium: browser test of the web page skipped"; fi

# Every C++ file as .clang-format lays it out.
format-check:
	@git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror

# Clang build of the Qt-free code with ASan and UBSan (any finding stops the
# program, so the test fails), including the libFuzzer targets.
test-sanitize: deps
	@cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVRA_BUILD_UI=OFF \
	  -DKELVRA_BUILD_BENCH=OFF -DKELVRA_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	@cmake --build $(SANITIZE_DIR) -j $(JOBS)
	@cd $(SANITIZE_DIR) && UBSAN_OPTIONS=print_stacktrace=1 $(CTEST)

# Installs both programs, the desktop entry, icons, metadata and manual pages under PREFIX.
install: build
	@cmake --install $(BUILD_DIR) --prefix $(PREFIX)

# A Debian package: build/kelvra_VERSION_ARCH.deb
deb: build
	@cd $(BUILD_DIR) && cpack -G DEB

bench: build
	@bash bench/run.sh

# Fuzz targets (clang, libFuzzer, ASan, UBSan) are built by test-sanitize.
# Run one longer with e.g. build-sanitize/fuzz/rtf_reader_fuzz -max_total_time=600 -max_len=512 DIR fuzz/seeds/rtf_reader_fuzz
fuzz: test-sanitize

# A short run of every fuzz target on its seeds (CI runs it after the tests).
fuzz-check:
	@bash fuzz/run.sh $(FUZZ_SECONDS)

# The web page: the format core in WebAssembly (emscripten), in $(WEB_BUILD_DIR)/site.
# Debian's emscripten finds its JavaScript helpers under /usr/share/nodejs.
WEB_BUILD_DIR ?= build-web
WEB_ENV = NODE_PATH=/usr/share/nodejs$${NODE_PATH:+:$$NODE_PATH}

web:
	@[ -x web/node_modules/.bin/esbuild ] || (cd web && npm ci --no-audit --no-fund)
	@$(WEB_ENV) emcmake cmake -S web -B $(WEB_BUILD_DIR) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@$(WEB_ENV) cmake --build $(WEB_BUILD_DIR) -j $(JOBS)
	@echo "Page: $(WEB_BUILD_DIR)/site/index.html"

# The page in headless Chromium, against the expected results in ../shared/golden.
test-web: web
	@[ -d web/node_modules/playwright-core ] || (cd web && npm ci --no-audit --no-fund)
	@cd web && KELVRA_WEB_SITE=$(abspath $(WEB_BUILD_DIR))/site node --test test/*.test.js

# Windows, cross-built with mingw-w64 against a static Qt: build-windows/kelvra-VERSION-win64.zip
# with both programs, the help, the licences and how to relink with another Qt.
WINDOWS_DIR ?= build-windows
windows: DEPS_PROFILE = windows
windows: deps
	@WINDOWS_DIR=$(WINDOWS_DIR) JOBS=$(JOBS) bash scripts/build-windows.sh package

# The Qt-free tests and both programs under Wine (kelvra.exe on a virtual screen), against the Linux build.
test-windows: build
	@WINDOWS_DIR=$(WINDOWS_DIR) JOBS=$(JOBS) LINUX_BUILD_DIR=$(BUILD_DIR) bash scripts/build-windows.sh test

# The same with every corpus file under every set of expected results (long).
test-web-full: web
	@[ -d web/node_modules/playwright-core ] || (cd web && npm ci --no-audit --no-fund)
	@cd web && KELVRA_WEB_FULL=1 KELVRA_WEB_SITE=$(abspath $(WEB_BUILD_DIR))/site node --test test/*.test.js

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(WEB_BUILD_DIR) $(WINDOWS_DIR)
