// Frame pacing and CPU share of the page in headless Chromium: plays for
// 60 s (game after game: fire, weave, name, restart) and prints the share of
// frames of play that took 15-17 ms, and the CPU the browser's processes
// used. A measurement, not a test: node tests/web/measure.mjs [PAGE_DIR] [SECONDS]
import fs from 'node:fs';
import {serve, launch, open, close, waitFrames, passGate} from './harness.mjs';

const root = process.argv[2] ?? new URL('../../build-web/page', import.meta.url).pathname;
const seconds = Number(process.argv[3] ?? 60);
const sleep = (ms) => new Promise((ok) => setTimeout(ok, ms));

function cpuTicks(pid) {
  // The browser and every process under it.
  let total = 0;
  for (const p of fs.readdirSync('/proc').filter((d) => /^\d+$/.test(d))) {
    try {
      const stat = fs.readFileSync(`/proc/${p}/stat`, 'utf8');
      const f = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
      const cmd = fs.readFileSync(`/proc/${p}/cmdline`, 'utf8');
      if (Number(p) === pid || cmd.includes(`--user-data-dir=`) && cmd.includes('molfo-chromium-'))
        total += Number(f[11]) + Number(f[12]);
    } catch { /* gone meanwhile */ }
  }
  return total;
}

const server = await serve(root);
const browser = await launch();
const page = await open(browser, server, '?scale=1');
await waitFrames(page, 1);
await passGate(page);
await page.evaluate(() => {
  window.molfoPacing = [];
  window.molfoFrames = [];
  let lastStart = -1;
  // The game's own frame starts (its clock, whole ms), play only.
  Module.onFrameStart = (tick) => {
    if (lastStart >= 0 && tick - lastStart < 1000) window.molfoFrames.push(tick - lastStart);
    lastStart = tick;
  };
  let last = 0, lastScene = '';
  Module.onPresent = () => {
    const now = performance.now();
    if (Module.molfoScene === 'play' && lastScene === 'play' && last) window.molfoPacing.push(now - last);
    last = now;
    lastScene = Module.molfoScene;
  };
});
const session = await page.createCDPSession();
await session.send('Performance.enable');
const metric = async (name) => (await session.send('Performance.getMetrics')).metrics.find((m) => m.name === name).value;
const pid = browser.process().pid;
const hz = 100;  // clock ticks per second on Linux
const t0 = Date.now(), cpu0 = cpuTicks(pid), task0 = await metric('TaskDuration');

await page.keyboard.press('Shift');
await page.keyboard.down('KeyZ');
let arrow = 'ArrowLeft';
while (Date.now() - t0 < seconds * 1000) {
  const scene = await page.evaluate(() => Module.molfoScene);
  if (scene === 'name') {
    await page.keyboard.up('KeyZ');
    await page.keyboard.sendCharacter('pace');
    await page.keyboard.press('Enter');
  } else if (scene === 'message') {
    await page.keyboard.press('Enter');
  } else if (scene === 'ranking') {
    await page.keyboard.press('KeyZ');
  } else if (scene === 'title') {
    await page.keyboard.press('Shift');
  } else if (scene === 'play') {
    await page.keyboard.down('KeyZ');
    await page.keyboard.down(arrow);
    await sleep(700);
    await page.keyboard.up(arrow);
    arrow = arrow === 'ArrowLeft' ? 'ArrowRight' : 'ArrowLeft';
    continue;
  }
  await sleep(200);
}
const wall = (Date.now() - t0) / 1000;
const cpu = (cpuTicks(pid) - cpu0) / hz, task = (await metric('TaskDuration')) - task0;
const gaps = await page.evaluate(() => window.molfoPacing);
const starts = await page.evaluate(() => window.molfoFrames);
await close(browser);
server.close();

const startsWithin = starts.filter((g) => g >= 15 && g <= 17).length;
console.log(`frame starts of play, game clock: ${starts.length}; 15-17 ms apart: ${(100 * startsWithin / starts.length).toFixed(1)} %` +
  ` (15: ${starts.filter((g) => g === 15).length}, 16: ${starts.filter((g) => g === 16).length}, 17: ${starts.filter((g) => g === 17).length}, over 17: ${starts.filter((g) => g > 17).length})`);
console.log('canvas updates:');
const within = gaps.filter((g) => g >= 15 && g <= 17).length;
const sorted = [...gaps].sort((a, b) => a - b);
const pct = (q) => sorted[Math.min(sorted.length - 1, Math.floor(q * sorted.length))]?.toFixed(2);
console.log(`frames of play: ${gaps.length} over ${wall.toFixed(1)} s`);
console.log(`within 15-17 ms: ${(100 * within / gaps.length).toFixed(1)} %  (median ${pct(0.5)} ms, 1% ${pct(0.01)}, 99% ${pct(0.99)} ms, longest ${sorted.at(-1)?.toFixed(1)} ms)`);
const buckets = [0, 14, 15, 16, 17, 18, 20, 25, 34, 1e9];
console.log('intervals (ms): ' + buckets.slice(0, -1).map((b, i) =>
  `${b}-${buckets[i + 1] === 1e9 ? '' : buckets[i + 1]}: ${gaps.filter((g) => g >= b && g < buckets[i + 1]).length}`).join(', '));
console.log(`CPU: all browser processes ${(100 * cpu / wall).toFixed(1)} % of one core; the page's main thread ${(100 * task / wall).toFixed(1)} %`);
