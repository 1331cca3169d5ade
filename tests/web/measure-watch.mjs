// How fast the page plays a replay at each speed of its control, in
// headless Chromium: frames shown per second at 1x, 2x and 4x (over a few
// seconds of the replay) and as fast as it goes (from the first frame to the
// verdict), the median of --repeats runs. The recording is a session of three
// games made by the headless program. With --baseline, another build of the
// page (one without the speed control: ?fast there) is measured as fast as
// it goes too, alternating with this one.
//
//   node tests/web/measure-watch.mjs build-web/page [--repeats 3] [--baseline OTHER_PAGE]
//     (MOLFO_BIN: the desktop program, default build/molfo; its sys/ beside it)
import {execFileSync} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {serve, launch, open, close} from './harness.mjs';

const args = process.argv.slice(2);
const option = (name, fallback) => (args.includes(name) ? args[args.indexOf(name) + 1] : fallback);
const pageDir = path.resolve(args[0] ?? 'build-web/page');
const baseline = option('--baseline') && path.resolve(option('--baseline'));
const repeats = Number(option('--repeats', 3));
const bin = path.resolve(process.env.MOLFO_BIN ?? 'build/molfo');
const WINDOW_MS = 4000;

const work = fs.mkdtempSync(path.join(os.tmpdir(), 'molfo-watch-'));
const sleep = (ms) => new Promise((ok) => setTimeout(ok, ms));
const median = (v) => [...v].sort((a, b) => a - b)[Math.floor(v.length / 2)];

function recording() {
  const sys = path.join(work, 'game', 'sys');
  fs.mkdirSync(sys, {recursive: true});
  const real = path.join(path.dirname(bin), 'sys');
  for (const f of fs.readdirSync(real)) if (f !== 'rank.hms') fs.symlinkSync(path.join(real, f), path.join(sys, f));
  const script = path.join(work, 'three.txt');
  fs.writeFileSync(script, 'title: press SHIFT\nplay 1-3000: hold Z LEFT\nname: answer x\nranking: press Z\ntitle#4: press ESC\n');
  const rec = path.join(work, 'session.rec');
  execFileSync(bin, ['--headless', '--data-dir', path.join(work, 'game'), '--input', script, '--record', rec],
    {env: {...process.env, HOME: work, XDG_DATA_HOME: work}, stdio: ['ignore', 'ignore', 'inherit']});
  return rec;
}

async function atSpeed(browser, server, speed) {
  const page = await open(browser, server, '?replay=/session.rec&mute&nosw');
  await page.waitForFunction(() => (window.Module?.molfoFrames ?? 0) > 60, {timeout: 120000, polling: 20});
  await page.click(`#watch button[data-speed="${speed}"]`);
  await sleep(500);
  const at = () => page.evaluate(() => [Module.molfoFrames, performance.now()]);
  const [f0, t0] = await at();
  await sleep(WINDOW_MS);
  const [f1, t1] = await at();
  await page.close();
  return (f1 - f0) * 1000 / (t1 - t0);
}

async function fastest(browser, server) {
  const page = await open(browser, server, '?replay=/session.rec&fast&verify&mute&nosw');
  await page.waitForFunction(() => (window.Module?.molfoFrames ?? 0) > 0, {timeout: 120000, polling: 5});
  const [f0, t0] = await page.evaluate(() => [Module.molfoFrames, performance.now()]);
  await page.waitForFunction(() => window.Module?.molfoStatus !== undefined, {timeout: 300000, polling: 5});
  const [f1, t1, status] = await page.evaluate(() => [Module.molfoFrames, performance.now(), Module.molfoStatus]);
  await page.close();
  if (status !== 0) throw new Error('the replay did not verify');
  return {rate: (f1 - f0) * 1000 / (t1 - t0), frames: f1};
}

const rec = recording();
const servers = {this: await serve(pageDir, {'/session.rec': rec})};
if (baseline) servers.baseline = await serve(baseline, {'/session.rec': rec});
const browser = await launch('chromium');
try {
  const rates = {1: [], 2: [], 4: []};
  const max = {this: [], baseline: []};
  let frames = 0;
  for (let i = 0; i < repeats; i++) {
    for (const s of [1, 2, 4]) rates[s].push(await atSpeed(browser, servers.this, s));
    for (const which of Object.keys(servers)) {
      const r = await fastest(browser, servers[which]);
      max[which].push(r.rate);
      frames = r.frames;
    }
  }
  console.log(`a recorded session of three games, ${frames} frames shown; medians of ${repeats}:`);
  for (const s of [1, 2, 4]) console.log(`  ${s}x: ${median(rates[s]).toFixed(1)} frames/s (${rates[s].map((r) => r.toFixed(1)).join(', ')})`);
  console.log(`  as fast as it goes: ${median(max.this).toFixed(0)} frames/s (${max.this.map((r) => r.toFixed(0)).join(', ')})`);
  if (baseline) console.log(`  baseline, as fast as it goes: ${median(max.baseline).toFixed(0)} frames/s (${max.baseline.map((r) => r.toFixed(0)).join(', ')})`);
} finally {
  await close(browser);
  for (const s of Object.values(servers)) s.close();
  fs.rmSync(work, {recursive: true, force: true});
}
