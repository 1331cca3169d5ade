// Shared by the browser tests: a static server on the loopback for the
// page folder (and the recordings the tests hand the page), and the
// system's Chromium or Firefox ESR driven through puppeteer-core (Firefox
// over WebDriver BiDi).
import http from 'node:http';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

const TYPES = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.wasm': 'application/wasm',
  '.pack': 'application/octet-stream', '.rec': 'application/octet-stream', '.svg': 'image/svg+xml',
  '.png': 'image/png', '.webmanifest': 'application/manifest+json',
};

// Serves `root`, and the extra files named in `extra` (URL path -> file).
// With `precompressed`, a request that accepts brotli or gzip gets the
// .br or .gz beside the file, as a server set up as the README says does;
// without, every file goes as it is. `server.sent` counts the bytes sent.
export function serve(root, extra = {}, {precompressed = false} = {}) {
  const server = http.createServer((req, res) => {
    const url = decodeURIComponent(new URL(req.url, 'http://x').pathname);
    const file = extra[url] ?? path.join(root, url === '/' ? 'index.html' : url);
    if (!file.startsWith(root) && !(url in extra)) { res.writeHead(403).end(); return; }
    const headers = {'Content-Type': TYPES[path.extname(file)] ?? 'application/octet-stream'};
    let send = file;
    if (precompressed) {
      const accepts = req.headers['accept-encoding'] ?? '';
      for (const [enc, ext] of [['br', '.br'], ['gzip', '.gz']]) {
        if (accepts.includes(enc) && fs.existsSync(file + ext)) {
          send = file + ext;
          headers['Content-Encoding'] = enc;
          headers.Vary = 'Accept-Encoding';
          break;
        }
      }
    }
    fs.readFile(send, (err, data) => {
      if (err) { res.writeHead(404).end(); return; }
      server.sent += data.length;
      res.writeHead(200, headers).end(data);
    });
  });
  server.sent = 0;
  return new Promise((ok) => server.listen(0, '127.0.0.1', () => ok(server)));
}

export const BROWSERS = (process.env.MOLFO_BROWSERS ?? 'chromium,firefox').split(',').filter(Boolean);

export function browserPath(kind) {
  return kind === 'firefox' ? (process.env.MOLFO_FIREFOX ?? '/usr/bin/firefox-esr')
    : (process.env.MOLFO_CHROMIUM ?? '/usr/bin/chromium');
}

export async function launch(kind = 'chromium', {viewport = {width: 900, height: 700, deviceScaleFactor: 1}} = {}) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), `molfo-${kind}-`));
  let browser;
  if (kind === 'firefox') {
    browser = await puppeteer.launch({
      browser: 'firefox', executablePath: browserPath(kind), headless: true, userDataDir: profile,
      defaultViewport: viewport,
      extraPrefsFirefox: {
        // Nothing of the browser's own reaches the network during a test.
        'app.update.enabled': false, 'browser.shell.checkDefaultBrowser': false, 'datareporting.policy.dataSubmissionEnabled': false,
        'toolkit.telemetry.enabled': false, 'network.captive-portal-service.enabled': false,
        'browser.safebrowsing.malware.enabled': false, 'browser.safebrowsing.phishing.enabled': false,
        'extensions.update.enabled': false, 'browser.newtabpage.enabled': false,
        'dom.gamepad.enabled': true, 'dom.serviceWorkers.enabled': true,
      },
    });
  } else {
    browser = await puppeteer.launch({
      executablePath: browserPath(kind),
      headless: true,
      args: ['--headless=new', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
        '--disable-background-networking', '--disable-component-update', '--disable-sync',
        '--autoplay-policy=user-gesture-required', `--user-data-dir=${profile}`],
      defaultViewport: viewport,
    });
  }
  browser.kind = kind;
  browser.profile = profile;
  return browser;
}

export async function close(browser) {
  await browser.close();
  fs.rmSync(browser.profile, {recursive: true, force: true});
}

// Console errors the page may show without a fault of its own: a file the
// browser fetched while the test had taken the server away.
export const offlineNoise = (p) => /ERR_CONNECTION_REFUSED|NetworkError|Failed to fetch|net::ERR_FAILED|Failed to load resource/.test(p);

// A page that records console errors, failed requests and requests that
// leave the test server. The browser says it prefers `languages` (Japanese
// unless told, so the page's pictures are the desktop's under the C locale).
// `at`: the page's path on the server.
export async function open(browser, server, query = '', {languages = ['ja-JP', 'ja'], before, at = '/index.html'} = {}) {
  const page = await browser.newPage();
  await page.evaluateOnNewDocument((langs) => {
    Object.defineProperty(navigator, 'languages', {get: () => langs});
    Object.defineProperty(navigator, 'language', {get: () => langs[0]});
  }, languages);
  if (before) await before(page);
  const origin = `http://127.0.0.1:${server.address().port}`;
  page.problems = [];
  page.on('console', (m) => { if (m.type() === 'error') page.problems.push('console error: ' + m.text()); });
  page.on('pageerror', (e) => page.problems.push('page error: ' + e.message));
  page.on('requestfailed', (r) => page.problems.push('request failed: ' + r.url()));
  page.on('request', (r) => { if (!r.url().startsWith(origin) && !r.url().startsWith('blob:') && !r.url().startsWith('data:')) page.problems.push('external request: ' + r.url()); });
  await page.goto(`${origin}${at}${query}`);
  return page;
}

export async function waitFrames(page, n, timeout = 60000) {
  await page.waitForFunction((k) => (window.Module?.molfoFrames ?? 0) >= k, {timeout, polling: 50}, n);
}

// The start gate: a click, as a player's first.
export async function passGate(page) {
  await page.waitForSelector('#gate:not([hidden])', {timeout: 60000});
  await page.click('#gate');
  await page.waitForFunction(() => document.getElementById('gate').hidden, {timeout: 5000, polling: 20});
}

// The canvas as the game drew it, one pixel per game pixel, as a PNG.
export async function canvasShot(page, file) {
  const url = await page.evaluate(() => document.getElementById('canvas').toDataURL('image/png'));
  fs.writeFileSync(file, Buffer.from(url.slice(url.indexOf(',') + 1), 'base64'));
}
