# Thin wrapper: install what is missing, configure, build, then run or test.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

WEB_BUILD ?= build-web
# Emscripten's optimiser looks for acorn among the system's node modules.
export NODE_PATH := /usr/share/nodejs

.PHONY: all deps web-deps configure build web web-test-deps run test check bench asan package screenshots clean

all: build

deps:
	@scripts/install-deps

web-deps:
	@scripts/install-deps web

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DMOLFO_WEB_PAGE=$(abspath $(WEB_BUILD))/page >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/molfo

# The page in $(WEB_BUILD)/page, from the desktop build's sys/ folder.
web: web-deps build
	@emcmake cmake -S . -B $(WEB_BUILD) -DCMAKE_BUILD_TYPE=Release -DMOLFO_SYS_DIR=$(abspath $(BUILD))/sys >/dev/null
	@cmake --build $(WEB_BUILD) -j $(JOBS)

# puppeteer-core for the browser tests, as locked; it drives the system's
# Chromium and downloads no browser.
web-test-deps: web-deps
	@cd tests/web && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --silent

test: build web web-test-deps
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The quick loop: the unit and end-to-end tests, without the window, the
# browser, the package and the slow ones (tests/CMakeLists.txt names the tiers).
check: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS) -L '^(unit|e2e)$$' -LE '^(window|browser|package|slow)$$'

bench: build
	@for b in $(BUILD)/bench/bench_*; do echo "== $$b"; $$b; done

# Every test under AddressSanitizer and UndefinedBehaviorSanitizer. Leaks are
# reported except the few that system libraries keep for the whole process
# (tests/lsan.supp names them).
ASAN_BUILD ?= build-asan
# The asset tools run sanitized during the build too.
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
asan: deps
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMOLFO_SANITIZE=ON >/dev/null
	@$(SANITIZER_ENV) cmake --build $(ASAN_BUILD) -j $(JOBS)
	$(SANITIZER_ENV) ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

# The Debian packages, build/molfo_VERSION_ARCH.deb and
# build/molfo-server_VERSION_ARCH.deb, the server's with the browser page.
package: build web
	@cmake --build $(BUILD) --target package

# The pictures the AppStream metadata shows, in build/screenshots/.
screenshots: build
	@cmake --build $(BUILD) --target screenshots

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(WEB_BUILD)
