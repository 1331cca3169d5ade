// The game in a real browser: the page built by `make web` in the system's
// Chromium or Firefox ESR (MOLFO_BROWSER). Run by ctest (Web.Browser.*)
// through run.sh, which passes the paths.
import {test, before, after} from 'node:test';
import assert from 'node:assert/strict';
import {execFileSync} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {serve, launch, open, close, waitFrames, canvasShot, passGate} from './harness.mjs';

const env = process.env;
const kind = env.MOLFO_BROWSER ?? 'chromium';
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'molfo-web-'));
const HOLD_PASS = 300;  // the stage-1 frame photographed in both
let server, browser;

before(async () => {
  server = await serve(env.MOLFO_PAGE, {'/golden.rec': env.MOLFO_GOLDEN});
  browser = await launch(kind);
});

after(async () => {
  await close(browser);
  server.close();
  fs.rmSync(work, {recursive: true, force: true});
});

const sleep = (ms) => new Promise((ok) => setTimeout(ok, ms));

// Pixels that differ between two PNG files, counted by the browser's own
// decoder on a blank page.
async function differingPixels(a, b) {
  const page = await browser.newPage();
  try {
    const urls = [a, b].map((f) => 'data:image/png;base64,' + fs.readFileSync(f).toString('base64'));
    return await page.evaluate(async (u) => {
      const pixels = await Promise.all(u.map(async (src) => {
        const img = new Image();
        img.src = src;
        await img.decode();
        const c = document.createElement('canvas');
        c.width = img.width;
        c.height = img.height;
        const g = c.getContext('2d');
        g.drawImage(img, 0, 0);
        return {w: img.width, h: img.height, d: g.getImageData(0, 0, img.width, img.height).data};
      }));
      if (pixels[0].w !== pixels[1].w || pixels[0].h !== pixels[1].h) return -1;
      let n = 0;
      for (let i = 0; i < pixels[0].d.length; i += 4)
        if (pixels[0].d[i] !== pixels[1].d[i] || pixels[0].d[i + 1] !== pixels[1].d[i + 1] ||
            pixels[0].d[i + 2] !== pixels[1].d[i + 2]) n++;
      return n;
    }, urls);
  } finally {
    await page.close();
  }
}

async function finished(page, timeout) {
  await page.waitForFunction(() => window.Module?.molfoStatus !== undefined, {timeout, polling: 100});
  return page.evaluate(() => Module.molfoStatus);
}

test('a recording made by the desktop program verifies in the browser', async () => {
  const page = await open(browser, server, '?replay=/golden.rec&verify&fast&mute&scale=1');
  const lines = [];
  page.on('console', (m) => lines.push(m.text()));
  assert.equal(await finished(page, 120000), 0, 'every state hash of the desktop recording matches in the browser');
  assert.ok(lines.some((l) => l.includes('replay verified')), 'the page reports the replay verified');
  assert.deepEqual(page.problems, [], 'no console errors and no requests leave the page folder');
  await page.close();
});

test('every game kept from a session of several verifies in the page, the later ones from what the earlier left', async () => {
  // Three games in one headless session, each kept on its own; the second
  // and third begin where the one before left the game.
  const session = path.join(work, 'kept');
  const sys = path.join(session, 'game', 'sys');
  fs.mkdirSync(sys, {recursive: true});
  for (const f of fs.readdirSync(path.join(env.MOLFO_DATA, 'sys')))
    if (f !== 'rank.hms') fs.symlinkSync(path.join(env.MOLFO_DATA, 'sys', f), path.join(sys, f));
  const script = path.join(session, 'three.txt');
  fs.writeFileSync(script, 'title: press SHIFT\nplay 1-3000: hold Z LEFT\n' +
    'name: answer x\nranking: press Z\ntitle#4: press ESC\n');
  execFileSync(env.MOLFO_BIN, ['--headless', '--data-dir', path.join(session, 'game'), '--input', script,
    '--keep-replays'], {env: {...env, XDG_DATA_HOME: path.join(session, 'share'), HOME: session,
    XDG_RUNTIME_DIR: session}, stdio: ['ignore', 'ignore', 'inherit']});
  const folder = path.join(session, 'share', 'molfo', 'replays');
  const kept = fs.readdirSync(folder).filter((f) => f.endsWith('.mrec')).sort();
  assert.equal(kept.length, 3, `three games, three kept replays (${kept.join(', ')})`);
  const extra = {};
  kept.forEach((f, i) => { extra[`/kept${i}.mrec`] = path.join(folder, f); });
  const keptServer = await serve(env.MOLFO_PAGE, extra);
  try {
    for (let i = 0; i < kept.length; i++) {
      const page = await open(browser, keptServer, `?replay=/kept${i}.mrec&verify&fast&mute&scale=1`);
      const lines = [];
      page.on('console', (m) => lines.push(m.text()));
      assert.equal(await finished(page, 120000), 0, `${kept[i]} verifies in the page: ${lines.slice(-3).join(' | ')}`);
      assert.deepEqual(page.problems, [], `${kept[i]}: no console errors`);
      await page.close();
    }
  } finally {
    keptServer.close();
  }
});

test('the page speaks the first of the browser\'s languages it has words in, unless the address says', async () => {
  const cases = [
    {name: 'ja', languages: ['ja-JP', 'ja'], query: ''},
    {name: 'fr-en', languages: ['fr-FR', 'fr', 'en-US'], query: ''},
    {name: 'en', languages: ['en-GB'], query: ''},
    {name: 'en-asks-ja', languages: ['en-US'], query: '&language=ja'},
    {name: 'de', languages: ['de-DE'], query: ''},
    {name: 'ja-asks-en', languages: ['ja'], query: '&language=en'},
  ];
  const shots = {};
  for (const c of cases) {
    const page = await open(browser, server, `?mute&scale=1${c.query}`, {languages: c.languages});
    await waitFrames(page, 1);
    await sleep(500);
    shots[c.name] = path.join(work, `title-${c.name}.png`);
    await canvasShot(page, shots[c.name]);
    if (env.MOLFO_KEEP_SHOTS) fs.copyFileSync(shots[c.name], path.join(env.MOLFO_KEEP_SHOTS, `title-${c.name}.png`));
    assert.deepEqual(page.problems, [], `${c.name}: no console errors`);
    await page.close();
  }
  const english = await differingPixels(shots.ja, shots['fr-en']);
  assert.ok(english > 1000, `French then English: the title in English (${english} pixels differ from the Japanese)`);
  assert.equal(await differingPixels(shots['fr-en'], shots.en), 0, 'the first language with words is taken');
  assert.equal(await differingPixels(shots.ja, shots['en-asks-ja']), 0, '?language=ja wins over the browser');
  assert.equal(await differingPixels(shots.en, shots['ja-asks-en']), 0, '?language=en wins over the browser');
  assert.equal(await differingPixels(shots.ja, shots.de), 0, 'a language without words keeps the game\'s Japanese');
});

test('a game in the page: title, play, name box, ranking kept across a reload, and its recording verifies on the desktop', async () => {
  const page = await open(browser, server, `?record&scale=1&hold=${HOLD_PASS}`);
  await waitFrames(page, 1);
  await sleep(500);
  const titleShot = path.join(work, 'title-page.png');
  await canvasShot(page, titleShot);

  // The gate's click lets the sound start; then Shift starts the game.
  await passGate(page);
  await page.keyboard.press('Shift');
  await page.waitForFunction((p) => window.Module?.molfoHeld === p, {timeout: 30000, polling: 20}, HOLD_PASS);
  const playShot = path.join(work, 'play-page.png');
  await canvasShot(page, playShot);
  await page.evaluate(() => Module.molfoRelease());

  // Fire and move until the game is lost and the name box opens.
  const phases = [['ArrowLeft'], ['ArrowUp', 'ArrowRight'], ['ArrowDown'], ['ArrowRight']];
  await page.keyboard.down('KeyZ');
  let box = false, effect = false;
  const stageSong = await page.evaluate(() => Module.molfo.songs[0]?.[0]);
  for (let i = 0; !box && i < 60; i++) {
    const keys = phases[Math.min(Math.floor(i / 3), phases.length - 1)];
    for (const k of keys) await page.keyboard.down(k);
    await sleep(1500);
    for (const k of keys) await page.keyboard.up(k);
    box = await page.evaluate(() => !!(window.Module?.molfoBox?.input));
    effect ||= await page.evaluate(() => !!Module.molfo.effect);
  }
  await page.keyboard.up('KeyZ');
  assert.ok(box, 'a game lost in stage 1 reaches the name box');
  assert.match(stageSong ?? '', /suteji1\.ogg$/, 'stage 1 plays its song, rendered to Ogg Vorbis');
  // Firefox keeps its audio suspended on a machine without a sound device,
  // as the test machines are; Chromium plays into a silent one.
  if (kind === 'chromium') {
    assert.ok(effect, 'effects play through Web Audio during play');
    assert.deepEqual(await page.evaluate(() => [Module.molfo.ctx.state, Module.molfo.songs[0]?.[0], !!Module.molfo.song]),
      ['running', '/data/sys/gameover.ogg', true], 'after the gate, the game-over song plays');
  }

  // Typed as an input method commits it: straight into the text field.
  const name = 'もるWEB';
  for (const ch of name) await page.keyboard.sendCharacter(ch);
  await page.waitForFunction(() => Module.molfoBox && Module.molfoBox.caret === false, {timeout: 5000, polling: 20});
  const boxShot = path.join(work, 'namebox-page.png');
  await canvasShot(page, boxShot);
  await page.keyboard.press('Enter');
  await sleep(1500);
  await page.keyboard.press('Escape');
  assert.equal(await finished(page, 30000), 0, 'Escape after the ranking ends the game cleanly');
  const recording = path.join(work, 'browser.rec');
  fs.writeFileSync(recording, Buffer.from(await page.evaluate(() => Array.from(Module.FS.readFile('/tmp/session.rec')))));
  assert.deepEqual(page.problems, [], 'no console errors and no requests leave the page folder');

  // The ranking is kept in the browser's storage across a reload.
  await page.reload();
  await waitFrames(page, 1);
  const stored = Buffer.from(await page.evaluate(() => Array.from(Module.FS.readFile('/persist/rank.hms'))));
  assert.equal(stored.length, 14000, 'the ranking is stored in its 14000-byte format');
  assert.ok(stored.subarray(0, 14).includes(Buffer.from('WEB')), 'the name typed is first in the stored ranking');
  assert.ok(stored.readInt16LE(12) > 0, 'the game\'s score is stored with the name');
  await page.close();

  // The desktop replays the browser's game to the same state hashes, and
  // its pictures of the same frames are the page's, pixel for pixel.
  const shots = path.join(work, 'shots');
  // --verify exits 1 at the first state hash that differs, which throws here.
  execFileSync(env.MOLFO_BIN, ['--headless', '--data-dir', env.MOLFO_DATA, '--replay', recording, '--verify',
    '--screenshot-every', String(HOLD_PASS), '--screenshot-dir', shots, '--dump', path.join(work, 'dump.jsonl')],
  {stdio: ['ignore', 'ignore', 'inherit']});
  const dump = fs.readFileSync(path.join(work, 'dump.jsonl'), 'utf8').trim().split('\n').map((l) => JSON.parse(l));
  const play = dump.filter((d) => d.scene === 'play');
  const molfoX = play.map((d) => d.slots.find((s) => s.slot === 3)?.X).filter((x) => x !== undefined);
  assert.ok(Math.min(...molfoX) < molfoX[0] - 50, 'holding an arrow in the page moves the Molfo');
  assert.ok(play.some((d) => d.slots.some((s) => s.slot >= 4 && s.slot <= 34)), 'holding Z in the page fires shots');

  execFileSync(env.MOLFO_TITLE_SHOT, [env.MOLFO_DATA, path.join(work, 'title-headless.png')]);
  const dialog = fs.readdirSync(shots).find((f) => f.endsWith('-dialog1.png'));
  assert.ok(dialog, 'the headless replay photographs the name box');
  const pairs = [
    ['the title', titleShot, path.join(work, 'title-headless.png')],
    ['stage 1', playShot, path.join(shots, `molfo-${String(HOLD_PASS).padStart(7, '0')}.png`)],
    ['the name box', boxShot, path.join(shots, dialog)],
  ];
  if (env.MOLFO_WEB_SHOTS) for (const [, a, b] of pairs) {
    fs.copyFileSync(a, path.join(env.MOLFO_WEB_SHOTS, path.basename(a)));
    fs.copyFileSync(b, path.join(env.MOLFO_WEB_SHOTS, path.basename(a).replace('-page', '-headless')));
  }
  for (const [what, a, b] of pairs)
    assert.equal(await differingPixels(a, b), 0, `the page shows ${what} with the same pixels as a headless run`);
});

// A session recorded in the page, ended with Escape, as the desktop's dump
// sees it: the Molfo's x in every frame of play and whether shots flew.
async function recordedPlay(page, name) {
  await page.keyboard.press('Escape');
  assert.equal(await finished(page, 30000), 0, `${name}: Escape ends a recorded session`);
  const recording = path.join(work, `${name}.rec`);
  fs.writeFileSync(recording, Buffer.from(await page.evaluate(() => Array.from(Module.FS.readFile('/tmp/session.rec')))));
  const dump = path.join(work, `${name}.jsonl`);
  execFileSync(env.MOLFO_BIN, ['--headless', '--data-dir', env.MOLFO_DATA, '--replay', recording, '--verify', '--dump', dump],
    {stdio: ['ignore', 'ignore', 'inherit']});
  const play = fs.readFileSync(dump, 'utf8').trim().split('\n').map((l) => JSON.parse(l)).filter((d) => d.scene === 'play');
  return {
    x: play.map((d) => d.slots.find((s) => s.slot === 3)?.X).filter((x) => x !== undefined),
    shots: play.some((d) => d.slots.some((s) => s.slot >= 4 && s.slot <= 34)),
  };
}

const waitScene = (page, scene, timeout = 30000) =>
  page.waitForFunction((s) => window.Module?.molfoScene === s, {timeout, polling: 20}, scene);

test('the title comes before the rest of the data: bytes fetched before it, on a server that serves precompressed files', async () => {
  const packed = await serve(env.MOLFO_PAGE, {}, {precompressed: true});
  try {
    const page = await open(browser, packed, '?mute');
    await waitScene(page, 'title');
    await waitFrames(page, 1);
    const fetched = await page.evaluate(() => {
      const at = window.molfoTitleAt;
      const all = performance.getEntriesByType('navigation').concat(performance.getEntriesByType('resource'));
      const before = all.filter((e) => e.responseEnd <= at);
      return {bytes: before.reduce((n, e) => n + (e.transferSize || e.encodedBodySize || 0), 0),
        names: before.map((e) => e.name.replace(/^.*\//, ''))};
    });
    assert.ok(fetched.bytes > 100000, `the title's own data counted (${fetched.bytes} bytes)`);
    assert.ok(fetched.bytes <= 3e6, `at most 3 MB before the title (${fetched.bytes} bytes)`);
    assert.ok(!fetched.names.some((n) => /^(ranking|stage\d|ending)/.test(n)),
      `nothing for play, the ranking or the ending before the title (${fetched.names.join(' ')})`);
    assert.deepEqual(page.problems, [], 'no console errors');
    await page.close();
  } finally {
    packed.close();
  }
});

test('a second visit reaches the title with the server gone', async () => {
  const own = await serve(env.MOLFO_PAGE);
  const port = own.address().port;
  const page = await open(browser, own, '?mute');
  await waitScene(page, 'title');
  // The worker is in charge once it has kept everything the title needs.
  await page.waitForFunction(() => navigator.serviceWorker.controller !== null, {timeout: 60000, polling: 100});
  await page.close();
  own.closeAllConnections();
  await new Promise((ok) => own.close(ok));
  const again = await browser.newPage();
  again.problems = [];
  again.on('pageerror', (e) => again.problems.push(e.message));
  await again.goto(`http://127.0.0.1:${port}/index.html?mute`);
  await waitScene(again, 'title', 30000);
  await waitFrames(again, 1);
  assert.deepEqual(again.problems, [], 'no page errors offline');
  await again.close();
});

test('touch alone passes the gate, starts a game, moves the hero and fires with two fingers at once', async () => {
  const page = await open(browser, server, '?record&mute&touch&scale=1');
  await waitFrames(page, 1);
  const centre = async (sel) => page.$eval(sel, (el) => {
    const r = el.getBoundingClientRect();
    return {x: r.left + r.width / 2, y: r.top + r.height / 2, w: r.width};
  });
  const gate = await centre('#gate');
  await page.touchscreen.tap(gate.x, gate.y);
  await page.waitForFunction(() => document.getElementById('gate').hidden, {timeout: 5000, polling: 20});
  const start = await centre('#t-start');
  await page.touchscreen.tap(start.x, start.y);
  await waitScene(page, 'play');
  await sleep(1500);
  const stick = await centre('#stick');
  const fire = await centre('#t-fire');
  const steer = await page.touchscreen.touchStart(stick.x, stick.y);
  await steer.move(stick.x - stick.w / 2 + 4, stick.y);
  const shoot = await page.touchscreen.touchStart(fire.x, fire.y);
  await sleep(1500);
  await shoot.end();
  await steer.end();
  const run = await recordedPlay(page, 'touch');
  assert.ok(Math.min(...run.x) < run.x[0] - 50, 'the stick held left moves the Molfo left');
  assert.ok(run.shots, 'the fire button held with the stick fires');
  assert.deepEqual(page.problems, [], 'no console errors');
  await page.close();
});

test('a pad with the standard mapping starts a game with Start and moves the hero with its stick', async () => {
  const page = await open(browser, server, '?record&mute&scale=1', {before: (p) => p.evaluateOnNewDocument(() => {
    // A stand-in for a pad plugged in: the test sets its buttons and axes.
    const buttons = Array.from({length: 17}, () => ({pressed: false, value: 0}));
    window.fakePad = {id: 'stand-in', index: 0, connected: true, mapping: 'standard', buttons, axes: [0, 0, 0, 0], timestamp: 0};
    navigator.getGamepads = () => [window.fakePad, null, null, null];
  })});
  await waitFrames(page, 1);
  await passGate(page);
  await page.evaluate(() => { fakePad.buttons[9].pressed = true; });
  await waitScene(page, 'play');
  await page.evaluate(() => { fakePad.buttons[9].pressed = false; });
  await sleep(1500);
  await page.evaluate(() => { fakePad.axes[0] = -1; });
  await sleep(1500);
  await page.evaluate(() => { fakePad.axes[0] = 0; });
  const run = await recordedPlay(page, 'pad');
  assert.ok(Math.min(...run.x) < run.x[0] - 50, 'the left stick pushed left moves the Molfo left');
  assert.deepEqual(page.problems, [], 'no console errors');
  await page.close();
});

test('Escape goes back to the title, from the title and from play, and never ends the page', async () => {
  const page = await open(browser, server, '?mute&scale=1');
  await waitScene(page, 'title');
  await passGate(page);
  // The title looks at its keys once its picture has stood for a while.
  await sleep(2500);
  for (const from of ['title', 'play']) {
    if (from === 'play') {
      await page.keyboard.press('Shift');
      await waitScene(page, 'play');
      await sleep(500);
    }
    const seen = await page.evaluate(() => Module.molfoScenes.length);
    await page.keyboard.press('Escape');
    await page.waitForFunction((n) => / end title$/.test(' ' + Module.molfoScenes.slice(n).join(' ')), {timeout: 30000, polling: 20}, seen);
    assert.equal(await page.evaluate(() => Module.molfoStatus), undefined, `Escape in ${from}: the page goes on`);
    await sleep(2500);
  }
  assert.equal(await page.evaluate(() => Module.molfoScene), 'title', 'the new title waits for Shift');
  await page.keyboard.press('Shift');
  await waitScene(page, 'play');
  assert.deepEqual(page.problems, [], 'no console errors');
  await page.close();
});

test('the settings page opens with F1 on the title, keeps what it changed in the browser, and binds keys', async () => {
  const page = await open(browser, server, '?mute&scale=1');
  await waitScene(page, 'title');
  await passGate(page);
  await sleep(2500);
  await page.keyboard.press('F1');
  await page.waitForFunction(() => Module.molfoSettingsOpen === true, {timeout: 10000, polling: 20});
  if (env.MOLFO_WEB_SHOTS) await canvasShot(page, path.join(env.MOLFO_WEB_SHOTS, `settings-${kind}.png`));
  // The music volume, the first row, down a step; then away.
  await page.keyboard.press('ArrowLeft');
  await page.keyboard.press('Escape');
  await page.waitForFunction(() => Module.molfoSettingsOpen === false, {timeout: 10000, polling: 20});
  const stored = await page.evaluate(() => localStorage.getItem('molfo-settings'));
  assert.match(stored ?? '', /^music_volume=90$/m, 'the volume changed on the page is kept in the browser');
  assert.equal(await page.evaluate(() => Module.molfoScene), 'title', 'leaving the page goes back to the title');
  // Bound anew: the fire key on the page's storage, read at the next visit.
  await page.evaluate(() => localStorage.setItem('molfo-settings', localStorage.getItem('molfo-settings')
    .replace(/^key\.start=.*$/m, 'key.start=S,')));
  await page.reload();
  await waitScene(page, 'title');
  await passGate(page);
  await sleep(2500);
  await page.keyboard.press('Shift');
  await sleep(600);
  assert.equal(await page.evaluate(() => Module.molfoScene), 'title', 'Shift no longer starts once bound away');
  await page.keyboard.press('KeyS');
  await waitScene(page, 'play');
  assert.deepEqual(page.problems, [], 'no console errors');
  await page.close();
});

// Real phones in Chromium: its mobile layout (a layout viewport the width of
// the device, zoomed out to show anything wider) and a touch screen the page
// finds by itself. Firefox's remote protocol emulates neither, so there the
// same screens are plain windows and ?touch brings the controls.
const PHONES = [[360, 780], [412, 915]], PIXEL_RATIOS = [1, 2.625];

// Where the page's parts are: the canvas and the touch controls, and
// (scrolled to the bottom) whatever of the page's rows a player taps.
function phoneBoxes() {
  const box = (el) => { const b = el.getBoundingClientRect(); return {id: el.id || el.textContent.trim(), l: b.left, t: b.top, r: b.right, b: b.bottom}; };
  const root = document.documentElement;
  const out = {canvas: box(document.getElementById('canvas')),
    controls: [...document.querySelectorAll('#touch .control')].map(box),
    shown: !document.getElementById('touch').hidden, inner: innerWidth, vw: root.clientWidth, vh: root.clientHeight,
    scroll: root.scrollWidth};
  scrollTo(0, root.scrollHeight);
  out.tappable = [...document.querySelectorAll('#stage button, #stage a, #stage input[type=checkbox], #about summary, #about a')]
    .filter((el) => el.getClientRects().length > 0 && getComputedStyle(el).visibility !== 'hidden').map(box);
  out.controlsBelow = [...document.querySelectorAll('#touch .control')].map(box);
  scrollTo(0, 0);
  return out;
}

// The rows a replay, the online table and a verdict add, at their longest,
// and the About panel open.
function showEveryRow() {
  const $ = (id) => document.getElementById(id);
  for (const id of ['watch', 'watch-table', 'online', 'message']) $(id).hidden = false;
  $('online-game').textContent = 'Your last game: 1234567 points, stage 5 (boss).';
  $('online-verdict').textContent = 'Sent, but the verdict cannot be had (http://127.0.0.1:8080/api/v1/runs/' +
    '0123456789abcdef0123456789abcdef0123456789abcdef): see the table later.';
  $('message').textContent = 'The replay did not verify: the state at frame 123456 is 0123456789abcdef0123456789abcdef.';
  $('about').open = true;
}

test('on a phone the game and its touch controls fit the screen in portrait and in landscape', async () => {
  const mobile = kind === 'chromium';
  const faults = [];
  for (const [w, h] of PHONES) for (const portrait of [true, false]) for (const dpr of PIXEL_RATIOS) {
    const width = portrait ? w : h, height = portrait ? h : w;
    const name = `${portrait ? 'portrait' : 'landscape'}-${width}x${height}@${dpr}`;
    const page = await open(browser, server, mobile ? '?mute' : '?mute&touch', {
      before: (p) => p.setViewport({width, height, deviceScaleFactor: dpr, isMobile: mobile, hasTouch: mobile})});
    await waitScene(page, 'title');
    await waitFrames(page, 1);
    await sleep(300);
    const title = await page.evaluate(phoneBoxes);
    if (env.MOLFO_WEB_SHOTS) await page.screenshot({path: path.join(env.MOLFO_WEB_SHOTS, `phone-${name}-${kind}.png`)});
    await page.evaluate(showEveryRow);
    await sleep(300);
    const rows = await page.evaluate(phoneBoxes);
    if (env.MOLFO_WEB_SHOTS) await page.screenshot({path: path.join(env.MOLFO_WEB_SHOTS, `phone-${name}-rows-${kind}.png`), fullPage: true});
    const inside = (b) => b.l >= 0 && b.t >= 0 && b.r <= title.vw + 0.5 && b.b <= title.vh + 0.5;
    const apart = (a, b) => a.r <= b.l || b.r <= a.l || a.b <= b.t || b.b <= a.t;
    const size = portrait ? title.canvas.r - title.canvas.l : title.canvas.b - title.canvas.t;
    const under = rows.tappable.filter((t) => !rows.controlsBelow.every((c) => apart(t, c))).map((t) => t.id);
    const checks = [];
    for (const [when, box] of [['on the title', title], ['with every row', rows]]) {
      checks.push([box.inner === width && box.vw <= width && (!mobile || box.vw === width),
        `${when}, the page is laid out ${width} px wide, unzoomed (inner ${box.inner}, layout ${box.vw})`]);
      checks.push([box.scroll <= box.vw, `${when}, nothing reaches past the right edge (${box.scroll} px wide)`]);
    }
    checks.push(
      [inside(title.canvas), `the game lies inside the screen (${JSON.stringify(title.canvas)})`],
      [size >= (portrait ? title.vw : title.vh) - 1, `the game takes the full ${portrait ? 'width' : 'height'} (${size} px)`],
      [title.shown, 'the touch controls show'],
      [title.controls.length === 5 && title.controls.every(inside), 'every control lies inside the screen'],
      [title.controls.every((c) => apart(c, title.canvas)), 'no control covers the game'],
      [title.controls.every((c, i) => title.controls.every((d, j) => i === j || apart(c, d))), 'no control covers another'],
      [under.length === 0, `scrolled down, no button of the page lies under a control (${under})`],
      [page.problems.length === 0, `no page errors (${page.problems})`]);
    for (const [ok, what] of checks) if (!ok) faults.push(`${name}: ${what}`);
    await page.close();
  }
  assert.deepEqual(faults, []);
});
