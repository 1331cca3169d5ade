#!/bin/sh
# Runs the browser tests (MOLFO_WEB_TEST, browser.test.mjs unless told), or
# says why they cannot run and exits 77 (skipped).
here=$(cd "$(dirname "$0")" && pwd)
skip() { echo "SKIP: $1"; exit 77; }
[ -n "${MOLFO_NODE:-}" ] && [ -x "$MOLFO_NODE" ] || skip "node is not installed (scripts/install-deps web)"
[ -x "${MOLFO_CHROMIUM:-/usr/bin/chromium}" ] || skip "chromium is not installed (scripts/install-deps web)"
[ -x "${MOLFO_FIREFOX:-/usr/bin/firefox-esr}" ] || skip "firefox-esr is not installed (scripts/install-deps web)"
[ -d "$here/node_modules/puppeteer-core" ] || skip "puppeteer-core is not installed (make web-test-deps)"
[ -f "$MOLFO_PAGE/sw.js" ] || skip "the page is not built (make web)"
exec "$MOLFO_NODE" --test --test-concurrency=1 "$here/${MOLFO_WEB_TEST:-browser.test.mjs}"
