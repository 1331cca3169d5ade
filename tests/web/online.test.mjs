// The page and the online table together: a real molfo-server on the
// loopback (a SQLite file in a scratch folder, the headless game as its
// verifier) serving the built page under /play/, driven in Chromium. A game
// played in the page is sent, verified and listed; Watch plays it back to
// "replay verified"; a desktop game that followed another in its session
// plays there too; a page served by a plain static server offers nothing.
// Run by ctest (Web.Online.chromium) through run.sh. With MOLFO_SHOTS set,
// the pictures of the table, the offer, the verdict and a run being watched
// are kept there.
import {test, before, after} from 'node:test';
import assert from 'node:assert/strict';
import {execFileSync, spawn} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {serve, launch, open, close, passGate} from './harness.mjs';

const env = process.env;
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'molfo-online-'));
const START_LIMIT = 30000, VERDICT_LIMIT = 240000;
let server, browser;

const sleep = (ms) => new Promise((ok) => setTimeout(ok, ms));

function startServer() {
  const scratch = path.join(work, 'server-tmp');
  fs.mkdirSync(scratch);
  const proc = spawn(env.MOLFO_SERVER, ['--listen', '127.0.0.1:0', '--database', path.join(work, 'runs.sqlite'),
    '--game', env.MOLFO_BIN, '--page', env.MOLFO_PAGE, '--workers', '1',
    // A sanitizer build's verifier needs more address space than the default limit.
    ...(env.MOLFO_VERIFY_MEMORY ? ['--verify-memory', env.MOLFO_VERIFY_MEMORY] : [])],
  {env: {...env, TMPDIR: scratch}, stdio: ['ignore', 'ignore', 'pipe']});
  let log = '';
  return new Promise((ok, no) => {
    const timer = setTimeout(() => no(new Error('molfo-server did not start: ' + log)), START_LIMIT);
    proc.on('exit', (code) => { clearTimeout(timer); no(new Error(`molfo-server ended (${code}): ${log}`)); });
    proc.stderr.on('data', (d) => {
      log += d;
      const m = /listening on http:\/\/127\.0\.0\.1:(\d+)\//.exec(log);
      if (!m) return;
      clearTimeout(timer);
      const origin = `http://127.0.0.1:${m[1]}`;
      ok({proc, origin, port: Number(m[1]), address: () => ({port: Number(m[1])}), log: () => log});
    });
  });
}

before(async () => {
  server = await startServer();
  browser = await launch('chromium');
});

after(async () => {
  await close(browser);
  if (server) {
    const gone = new Promise((ok) => server.proc.once('exit', ok));
    server.proc.kill('SIGTERM');
    await gone;
  }
  fs.rmSync(work, {recursive: true, force: true});
});

async function api(p, init) {
  const r = await fetch(server.origin + p, init);
  return {status: r.status, body: await r.json()};
}

async function verdictOf(id) {
  const until = Date.now() + VERDICT_LIMIT;
  for (;;) {
    const {body} = await api(`/api/v1/runs/${id}`);
    if (body.status === 'verified' || body.status === 'rejected' || Date.now() > until) return body;
    await sleep(500);
  }
}

function shot(page, name, options = {}) {
  if (env.MOLFO_SHOTS) return page.screenshot({path: path.join(env.MOLFO_SHOTS, name), fullPage: true, ...options});
}

const text = (page, id) => page.$eval('#' + id, (e) => e.textContent);
const shown = (page, id) => page.$eval('#' + id, (e) => !e.hidden);
const waitScene = (page, scene, timeout = 30000) =>
  page.waitForFunction((s) => window.Module?.molfoScene === s, {timeout, polling: 20}, scene);

// Plays a game from the title until it is lost, types `name` if the
// ranking asks for one, and goes back to the title with the ranking's Z,
// where the page takes the game's kept replay.
async function loseGame(page, name) {
  const kept = await page.evaluate(() => MolfoOnline.state.kept);
  await page.keyboard.press('Shift');
  await waitScene(page, 'play');
  // Fire and move until the game is lost.
  const phases = [['ArrowLeft'], ['ArrowUp', 'ArrowRight'], ['ArrowDown'], ['ArrowRight']];
  await page.keyboard.down('KeyZ');
  let over = false;
  for (let i = 0; !over && i < 80; i++) {
    const keys = phases[Math.min(Math.floor(i / 3), phases.length - 1)];
    for (const k of keys) await page.keyboard.down(k);
    await sleep(1500);
    for (const k of keys) await page.keyboard.up(k);
    over = await page.evaluate(() => !!window.Module?.molfoBox?.input || Module.molfoScene === 'ranking');
  }
  await page.keyboard.up('KeyZ');
  assert.ok(over, 'the game is lost');
  if (await page.evaluate(() => !!Module.molfoBox?.input)) {
    for (const ch of name) await page.keyboard.sendCharacter(ch);
    await page.keyboard.press('Enter');
  }
  await waitScene(page, 'ranking');
  for (let i = 0; i < 10 && (await page.evaluate(() => MolfoOnline.state.kept)) === kept; i++) {
    await sleep(1000);
    await page.keyboard.press('KeyZ');
  }
  await page.waitForFunction((k) => MolfoOnline.state.kept > k, {timeout: 10000, polling: 50}, kept);
}

// Starts a game and leaves it with Escape: the page starts afresh on the
// title, where it takes the game's kept replay.
async function quitGame(page) {
  await waitScene(page, 'title', 60000);
  await passGate(page);
  await page.keyboard.press('Shift');
  await waitScene(page, 'play');
  await sleep(1000);
  await page.keyboard.press('Escape');
  await waitScene(page, 'title');
  await page.waitForFunction(() => Module.FS.readdir('/tmp/kept/').every((f) => !f.endsWith('.mrec')),
    {timeout: 10000, polling: 50});
}

test('a page on a plain static server offers nothing; on molfo-server a game left half way is not offered', async () => {
  // The page in a folder named play, as molfo-server has it, but on a
  // server that knows nothing of the table.
  const site = path.join(work, 'static');
  fs.mkdirSync(site);
  fs.symlinkSync(env.MOLFO_PAGE, path.join(site, 'play'));
  const plain = await serve(site);
  try {
    const page = await open(browser, plain, '?mute&nosw', {at: '/play/index.html'});
    await quitGame(page);
    await page.waitForFunction(() => MolfoOnline.state.present !== null, {timeout: 10000, polling: 50});
    assert.equal(await page.evaluate(() => MolfoOnline.state.present), false, 'the health check finds no table');
    assert.equal(await shown(page, 'online'), false, 'no send offer, no link to a table');
    assert.deepEqual(page.problems.filter((p) => !/404/.test(p)), [], 'nothing wrong but the missing /healthz');
    await page.close();
  } finally {
    plain.close();
  }

  const page = await open(browser, server, '?mute&nosw', {at: '/play/'});
  await quitGame(page);
  await page.waitForSelector('#online:not([hidden])', {timeout: 10000});
  assert.equal(await page.$eval('#online-send', (b) => b.disabled), true, 'a game left half way cannot be sent');
  assert.match(await text(page, 'online-verdict'), /played to its end/);
  assert.equal((await api('/api/v1/leaderboard')).body.total, 0, 'nothing was sent');
  assert.deepEqual(page.problems, []);
  await page.close();
});

test('a game played in the page is sent when asked, verified and listed, and Watch plays it to "replay verified"', async () => {
  const page = await open(browser, server, '?mute', {at: '/play/'});
  const posts = [];
  page.on('request', (r) => { if (r.method() === 'POST') posts.push(r.url()); });
  await waitScene(page, 'title', 60000);
  await page.waitForFunction(() => MolfoOnline.state.present === true, {timeout: 10000, polling: 50});
  await passGate(page);
  await loseGame(page, 'WEBRUN');
  assert.equal(await page.$eval('#online-always', (c) => c.checked), false, 'sending every game is off until chosen');
  await sleep(1000);
  assert.deepEqual(posts, [], 'nothing is sent before the player asks');
  const points = Number(/(\d+) points/.exec(await text(page, 'online-game'))?.[1]);
  await shot(page, 'online-offer.png');

  await page.click('#online-send');
  await page.waitForFunction(() => /^(Verified|Rejected|Not sent)/.test(document.getElementById('online-verdict').textContent),
    {timeout: VERDICT_LIMIT, polling: 200});
  const verdict = await text(page, 'online-verdict');
  assert.match(verdict, /^Verified: \d+ points, 1st of 1\.$/, 'the table verified the game and says its place');
  assert.equal(Number(/(\d+) points/.exec(verdict)[1]), points, 'the table reached the score the page played');
  assert.equal(posts.length, 1, 'one game sent once');
  const sent = await page.evaluate(() => MolfoOnline.state.sent);
  console.log(`# a game of ${points} points sent as ${sent} bytes`);
  await shot(page, 'online-verdict.png');
  assert.equal(await page.$eval('#online-table', (a) => a.href), server.origin + '/', 'the link goes to the table');

  const board = (await api('/api/v1/leaderboard')).body;
  assert.equal(board.runs.length, 1);
  assert.equal(board.runs[0].name, 'WEBRUN', 'the name typed for the ranking goes with the run');
  const stored = Buffer.from(await (await fetch(`${server.origin}/api/v1/runs/${board.runs[0].id}/recording`)).arrayBuffer());
  assert.equal(stored.length, sent, 'the server holds the bytes the page sent');
  assert.equal(stored.subarray(0, 8).toString(), 'MOLFOREC', 'a recording as the game keeps them');

  // Sending every game is the player's choice: the next game goes at once,
  // the second of the page's session, which begins where the first left.
  await page.click('#online-always');
  await loseGame(page, 'WEBRUN');
  await page.waitForFunction(() => /^(Verified|Rejected|Not sent)/.test(document.getElementById('online-verdict').textContent),
    {timeout: VERDICT_LIMIT, polling: 200});
  assert.match(await text(page, 'online-verdict'), /^Verified: \d+ points, (1st|2nd) of 2\.$/,
    'the second game of the session is sent without asking and verified');
  assert.equal(posts.length, 2);
  // The choice is remembered.
  await page.reload();
  await page.waitForFunction(() => MolfoOnline.state.present === true, {timeout: 30000, polling: 50});
  assert.equal(await page.$eval('#online-always', (c) => c.checked), true, 'the choice is remembered');
  assert.deepEqual(page.problems, []);
  await page.close();

  // The table, on a desktop and on a phone.
  const table = await open(browser, server, '', {at: '/'});
  assert.ok((await table.content()).includes('WEBRUN'), 'the table lists the run');
  await shot(table, 'table-desktop.png');
  await table.setViewport({width: 412, height: 915, deviceScaleFactor: 1, isMobile: true, hasTouch: true});
  await shot(table, 'table-phone.png');
  await table.setViewport({width: 900, height: 700, deviceScaleFactor: 1});

  // Watch, from the table: the game's own pace, then faster.
  await Promise.all([table.waitForNavigation(), table.click('a[href^="/play/?replay="]')]);
  const watching = table;
  await watching.waitForFunction(() => (window.Module?.molfoReplayPasses ?? 0) > 100, {timeout: 120000, polling: 50});
  assert.equal(await shown(watching, 'watch'), true, 'the speed control and the progress bar show');
  const rate = async (ms) => {
    const [p0, t0] = await watching.evaluate(() => [Module.molfoReplayPasses, performance.now()]);
    await sleep(ms);
    const [p1, t1] = await watching.evaluate(() => [Module.molfoReplayPasses, performance.now()]);
    return (p1 - p0) * 1000 / (t1 - t0);
  };
  const normal = await rate(3000);
  await shot(watching, 'watch-1x.png');
  await watching.click('#watch button[data-speed="4"]');
  const fourTimes = await rate(3000);
  // The game's frame takes about 15 ms: at its own pace no replay runs
  // much past 67 frames a second, however fast the machine.
  assert.ok(normal < 100, `at 1x the replay keeps the game's pace (${normal.toFixed(1)} frames/s)`);
  await watching.click('#watch button[data-speed="0"]');
  await watching.waitForFunction(() => /^replay verified/.test(document.getElementById('message').textContent),
    {timeout: 180000, polling: 100});
  assert.equal(await watching.evaluate(() => Module.molfoStatus), 0, 'the run verifies in the page');
  assert.equal(await watching.$eval('#watch-bar', (b) => b.value), 1, 'the progress bar is full at the end');
  assert.equal(await shown(watching, 'watch-table'), true, 'and the page leads back to the table');
  await shot(watching, 'watch-verified.png');
  assert.deepEqual(watching.problems, []);
  const watchUrl = watching.url();
  await watching.close();

  // The whole run as fast as it goes, from its first frame.
  const fast = await open(browser, server, '', {at: new URL(watchUrl).pathname + new URL(watchUrl).search + '&fast'});
  await fast.waitForFunction(() => (window.Module?.molfoReplayPasses ?? 0) > 0, {timeout: 120000, polling: 10});
  const [p0, t0] = await fast.evaluate(() => [Module.molfoReplayPasses, performance.now()]);
  await fast.waitForFunction(() => window.Module?.molfoStatus !== undefined, {timeout: 120000, polling: 10});
  const [p1, t1] = await fast.evaluate(() => [Module.molfoReplayPasses, performance.now()]);
  assert.equal(await fast.evaluate(() => Module.molfoStatus), 0);
  console.log(`# watched at 1x: ${normal.toFixed(1)} frames/s, 4x: ${fourTimes.toFixed(1)}, ` +
    `as fast as it goes: ${((p1 - p0) * 1000 / (t1 - t0)).toFixed(0)} (${p1} frames in all)`);
  await fast.close();
});

test('a kept desktop replay of a session\'s second game, sent to the table, plays in the page and verifies', async () => {
  const session = path.join(work, 'kept');
  const sys = path.join(session, 'game', 'sys');
  fs.mkdirSync(sys, {recursive: true});
  for (const f of fs.readdirSync(path.join(env.MOLFO_DATA, 'sys')))
    if (f !== 'rank.hms') fs.symlinkSync(path.join(env.MOLFO_DATA, 'sys', f), path.join(sys, f));
  const script = path.join(session, 'two.txt');
  fs.writeFileSync(script, 'title: press SHIFT\nplay 1-3000: hold Z LEFT\nname: answer x\nranking: press Z\ntitle#3: press ESC\n');
  execFileSync(env.MOLFO_BIN, ['--headless', '--data-dir', path.join(session, 'game'), '--input', script,
    '--keep-replays'], {env: {...env, XDG_DATA_HOME: path.join(session, 'share'), HOME: session,
    XDG_RUNTIME_DIR: session}, stdio: ['ignore', 'ignore', 'inherit']});
  const folder = path.join(session, 'share', 'molfo', 'replays');
  // The order the games were kept in is the order of their files' times.
  const kept = fs.readdirSync(folder).filter((f) => f.endsWith('.mrec'))
    .map((f) => ({f, at: fs.statSync(path.join(folder, f), {bigint: true}).mtimeNs}))
    .sort((a, b) => (a.at < b.at ? -1 : a.at > b.at ? 1 : 0)).map((k) => k.f);
  assert.equal(kept.length, 2, `two games, two kept replays (${kept.join(', ')})`);
  const bytes = fs.readFileSync(path.join(folder, kept[1]));
  const {status, body} = await api('/api/v1/runs?name=DESKTOP', {method: 'POST', body: bytes,
    headers: {'Content-Type': 'application/octet-stream'}});
  assert.equal(status, 202, JSON.stringify(body));
  assert.equal((await verdictOf(body.id)).status, 'verified', 'the table verifies the second game alone');

  const recording = encodeURIComponent(`/api/v1/runs/${body.id}/recording`);
  const page = await open(browser, server, `?replay=${recording}&fast&mute`, {at: '/play/'});
  await page.waitForFunction(() => window.Module?.molfoStatus !== undefined, {timeout: 180000, polling: 100});
  assert.equal(await page.evaluate(() => Module.molfoStatus), 0, await text(page, 'message'));
  assert.match(await text(page, 'message'), /^replay verified/, 'the page says so');
  assert.deepEqual(page.problems, []);
  await page.close();
});
