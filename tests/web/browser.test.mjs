// The game in a real browser: the page built by `make web` in the system's
// Chromium. Run by ctest (Web.Browser) through run.sh, which passes the paths.
import {test, before, after} from 'node:test';
import assert from 'node:assert/strict';
import {execFileSync} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {serve, launch, open, close, waitFrames, canvasShot} from './harness.mjs';

const env = process.env;
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'molfo-web-'));
const HOLD_PASS = 300;  // the stage-1 frame photographed in both
let server, browser;

before(async () => {
  server = await serve(env.MOLFO_PAGE, {'/golden.rec': env.MOLFO_GOLDEN});
  browser = await launch();
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
    const page = await open(browser, server, `?mute&scale=1${c.query}`, c.languages);
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

  // Shift on the title is the gesture that also starts the sound.
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
  assert.ok(effect, 'effects play through Web Audio during play');
  assert.deepEqual(await page.evaluate(() => [Module.molfo.ctx.state, Module.molfo.songs[0]?.[0], !!Module.molfo.song]),
    ['running', '/data/sys/gameover.ogg', true], 'after the key that started the game, the game-over song plays');

  // Typed as an input method commits it: straight into the text field.
  const name = 'もるWEB';
  await page.keyboard.sendCharacter(name);
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
