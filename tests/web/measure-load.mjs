// How fast the page reaches its title, and how much it fetches, as a
// player on a slow line meets it: headless Chromium with its network
// emulation, the page served as the README advises (precompressed files
// where they lie beside the page's files, hashed names kept for good, the
// rest revalidated). A measurement, not a test:
//
//   node tests/web/measure-load.mjs [--repeats N] [--lighthouse DIR [--lighthouse-only]] PAGE_DIR[:LABEL]...
//
// For each page: the bytes sent before the title shows and in all (once
// the page has fetched everything it will), the time to the title at
// 10 Mbit/s with 40 ms and at 1.6 Mbit/s with 150 ms (medians of the
// repeats), the time to the title of a second visit with the server gone,
// and, with --lighthouse naming a folder where lighthouse@12.2.3 is
// installed, its mobile scores.
import {execFile} from 'node:child_process';
import {promisify} from 'node:util';
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import {launch, close, browserPath} from './harness.mjs';

const argv = process.argv.slice(2);
let repeats = 3, lighthouse = '', lighthouseOnly = false;
const pages = [];
for (let i = 0; i < argv.length; i++) {
  if (argv[i] === '--repeats') repeats = Number(argv[++i]);
  else if (argv[i] === '--lighthouse') lighthouse = argv[++i];
  else if (argv[i] === '--lighthouse-only') lighthouseOnly = true;
  else pages.push(argv[i]);
}
if (!pages.length) pages.push(new URL('../../build-web/page', import.meta.url).pathname);

const LINES = [
  {name: '10 Mbit/s, 40 ms', down: 10e6 / 8, up: 5e6 / 8, latency: 40},
  {name: '1.6 Mbit/s, 150 ms', down: 1.6e6 / 8, up: 0.75e6 / 8, latency: 150},
];
const TYPES = {'.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.wasm': 'application/wasm',
  '.svg': 'image/svg+xml', '.png': 'image/png', '.webmanifest': 'application/manifest+json'};
const HASHED = /\.[0-9a-f]{10}\.[a-z]+$/;

// The README's advice: a .br or .gz beside a file goes to a browser that
// takes it; files named by their hash are kept for a year, the rest
// revalidated every time (ETag).
function serve(root) {
  const server = http.createServer((req, res) => {
    const url = decodeURIComponent(new URL(req.url, 'http://x').pathname);
    const file = path.join(root, url === '/' ? 'index.html' : url);
    if (!file.startsWith(root) || !fs.existsSync(file) || fs.statSync(file).isDirectory()) { res.writeHead(404).end(); return; }
    const headers = {'Content-Type': TYPES[path.extname(file)] ?? 'application/octet-stream', Vary: 'Accept-Encoding',
      'Cache-Control': HASHED.test(file) ? 'public, max-age=31536000, immutable' : 'no-cache'};
    const stat = fs.statSync(file);
    const etag = `"${stat.size}-${stat.mtimeMs}"`;
    headers.ETag = etag;
    if (req.headers['if-none-match'] === etag) { res.writeHead(304, headers).end(); return; }
    let send = file;
    const accepts = req.headers['accept-encoding'] ?? '';
    for (const [enc, ext] of [['br', '.br'], ['gzip', '.gz']]) {
      if (accepts.includes(enc) && fs.existsSync(file + ext)) { send = file + ext; headers['Content-Encoding'] = enc; break; }
    }
    const data = fs.readFileSync(send);
    server.sent += data.length;
    res.writeHead(200, headers).end(data);
  });
  server.sent = 0;
  return new Promise((ok) => server.listen(0, '127.0.0.1', () => ok(server)));
}

// Notes the moment the title is first on the canvas, on the page's clock.
const WATCH = () => {
  const t = setInterval(() => {
    const m = window.Module;
    if (m && m.molfoScene === 'title' && (m.molfoFrames ?? 0) >= 1) { window.molfoTitleSeen = performance.now(); clearInterval(t); }
  }, 5);
};

async function visit(browser, url, line) {
  const page = await browser.newPage();
  await page.evaluateOnNewDocument(WATCH);
  if (line) {
    const cdp = await page.createCDPSession();
    await cdp.send('Network.enable');
    await cdp.send('Network.emulateNetworkConditions', {offline: false, latency: line.latency,
      downloadThroughput: line.down, uploadThroughput: line.up});
  }
  await page.goto(url);
  await page.waitForFunction(() => window.molfoTitleSeen !== undefined, {timeout: 600000, polling: 50});
  return page;
}

const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];
const mb = (n) => (n / 1e6).toFixed(2) + ' MB';

for (const entry of pages) {
  const [dir, label = path.basename(path.dirname(entry))] = entry.split(':');
  const root = path.resolve(dir);
  const row = {label};
  if (!lighthouseOnly) {
    // The bytes: a fresh browser on the loopback; before the title, then all.
    {
      const server = await serve(root);
      const browser = await launch('chromium');
      const port = server.address().port;
      const page = await visit(browser, `http://127.0.0.1:${port}/`, null);
      row.beforeTitle = await page.evaluate(() => {
        const at = window.molfoTitleSeen;
        return performance.getEntriesByType('navigation').concat(performance.getEntriesByType('resource'))
          .filter((e) => e.responseEnd <= at).reduce((n, e) => n + e.encodedBodySize, 0);
      });
      // Everything the page will fetch: its packs all here, its worker settled.
      await page.waitForFunction(() => !window.Module?.molfoData ||
        window.Module.molfoData.data.packs.every((p) => p.state === 'done'), {timeout: 600000, polling: 200});
      await page.evaluate(() => navigator.serviceWorker?.getRegistration().then((r) => r && navigator.serviceWorker.ready));
      await new Promise((ok) => setTimeout(ok, 2000));
      row.whole = server.sent;
      // A second visit with the server gone.
      await page.close();
      server.closeAllConnections();
      await new Promise((ok) => server.close(ok));
      const again = await browser.newPage();
      await again.evaluateOnNewDocument(WATCH);
      try {
        await again.goto(`http://127.0.0.1:${port}/`).catch(() => {});
        await again.waitForFunction(() => window.molfoTitleSeen !== undefined, {timeout: 20000, polling: 50});
        row.offline = await again.evaluate(() => window.molfoTitleSeen);
      } catch {
        row.offline = NaN;
      }
      await close(browser);
    }
    // The time to the title on each line, each visit a fresh browser.
    for (const line of LINES) {
      const times = [];
      for (let r = 0; r < repeats; r++) {
        const server = await serve(root);
        const browser = await launch('chromium');
        const page = await visit(browser, `http://127.0.0.1:${server.address().port}/`, line);
        times.push(await page.evaluate(() => window.molfoTitleSeen));
        await close(browser);
        server.closeAllConnections();
        server.close();
      }
      row[line.name] = median(times);
      row[line.name + ' all'] = times;
    }
    console.log(`${row.label}: before the title ${mb(row.beforeTitle)}, whole page ${mb(row.whole)}, ` +
      LINES.map((l) => `${l.name}: ${(row[l.name] / 1000).toFixed(2)} s (${row[l.name + ' all'].map((t) => (t / 1000).toFixed(2)).join(', ')})`).join('; ') +
      `; second visit offline: ${Number.isNaN(row.offline) ? 'no title' : (row.offline / 1000).toFixed(2) + ' s'}`);
  }
  if (lighthouse) {
    const server = await serve(root);
    try {
      // Asynchronously: this very process serves the page meanwhile.
      const {stdout: out} = await promisify(execFile)(path.join(lighthouse, 'node_modules/.bin/lighthouse'), [
        `http://127.0.0.1:${server.address().port}/`, '--output=json', '--quiet',
        '--only-categories=performance,accessibility,best-practices,seo',
        '--chrome-flags=--headless=new --no-sandbox --disable-gpu'],
      {env: {...process.env, CHROME_PATH: browserPath('chromium')}, maxBuffer: 64 << 20});
      const report = JSON.parse(out);
      const scores = Object.fromEntries(Object.entries(report.categories).map(([k, c]) => [k, Math.round(c.score * 100)]));
      const failing = Object.values(report.audits).filter((a) => a.score !== null && a.score < 1 &&
        ['binary', 'numeric', 'metricSavings'].includes(a.scoreDisplayMode)).map((a) => a.id);
      console.log(`${row.label}: Lighthouse ${JSON.stringify(scores)} (short of full marks: ${failing.join(', ') || 'none'})`);
    } catch (e) {
      console.log(`${row.label}: Lighthouse did not finish: ${String(e.stderr ?? e.message).trim().split('\n')[0]}`);
    } finally {
      server.closeAllConnections();
      server.close();
    }
  }
}
