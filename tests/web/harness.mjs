// Shared by the browser tests: a static server on the loopback for the
// page folder (and the recordings the tests hand the page), and the system's
// Chromium driven through puppeteer-core.
import http from 'node:http';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

const TYPES = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.wasm': 'application/wasm',
  '.data': 'application/octet-stream', '.rec': 'application/octet-stream',
};

// Serves `root`, and the extra files named in `extra` (URL path -> file).
export function serve(root, extra = {}) {
  const server = http.createServer((req, res) => {
    const url = decodeURIComponent(new URL(req.url, 'http://x').pathname);
    const file = extra[url] ?? path.join(root, url === '/' ? 'index.html' : url);
    if (!file.startsWith(root) && !(url in extra)) { res.writeHead(403).end(); return; }
    fs.readFile(file, (err, data) => {
      if (err) { res.writeHead(404).end(); return; }
      res.writeHead(200, {'Content-Type': TYPES[path.extname(file)] ?? 'application/octet-stream'}).end(data);
    });
  });
  return new Promise((ok) => server.listen(0, '127.0.0.1', () => ok(server)));
}

export function chromiumPath() {
  return process.env.MOLFO_CHROMIUM ?? '/usr/bin/chromium';
}

export async function launch() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'molfo-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: chromiumPath(),
    headless: true,
    args: ['--headless=new', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      '--autoplay-policy=user-gesture-required', `--user-data-dir=${profile}`],
    defaultViewport: {width: 900, height: 700, deviceScaleFactor: 1},
  });
  browser.profile = profile;
  return browser;
}

export async function close(browser) {
  await browser.close();
  fs.rmSync(browser.profile, {recursive: true, force: true});
}

// A page that records console errors, failed requests and requests that
// leave the test server. The browser says it prefers `languages` (Japanese
// unless told, so the page's pictures are the desktop's under the C locale).
export async function open(browser, server, query = '', languages = ['ja-JP', 'ja']) {
  const page = await browser.newPage();
  await page.evaluateOnNewDocument((langs) => {
    Object.defineProperty(navigator, 'languages', {get: () => langs});
    Object.defineProperty(navigator, 'language', {get: () => langs[0]});
  }, languages);
  const origin = `http://127.0.0.1:${server.address().port}`;
  page.problems = [];
  page.on('console', (m) => { if (m.type() === 'error') page.problems.push('console error: ' + m.text()); });
  page.on('pageerror', (e) => page.problems.push('page error: ' + e.message));
  page.on('requestfailed', (r) => page.problems.push('request failed: ' + r.url()));
  page.on('request', (r) => { if (!r.url().startsWith(origin) && !r.url().startsWith('blob:') && !r.url().startsWith('data:')) page.problems.push('external request: ' + r.url()); });
  await page.goto(`${origin}/index.html${query}`);
  return page;
}

export async function waitFrames(page, n, timeout = 60000) {
  await page.waitForFunction((k) => (window.Module?.molfoFrames ?? 0) >= k, {timeout, polling: 50}, n);
}

// The canvas as the page shows it, at one screen pixel per game pixel.
export async function canvasShot(page, file) {
  const canvas = await page.$('#canvas');
  await canvas.screenshot({path: file});
}
