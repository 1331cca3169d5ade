// The online table, when the page is served by molfo-server (the page under
// /play/, the server's API one folder up). The game keeps each game it plays
// as a replay of its own (--keep), the very bytes the window keeps; back on
// the title the page picks the last one up and offers to send it. The
// player's choice to send every game is remembered in the browser. The
// page then follows the verdict and links to the table. A page served
// anywhere else finds no server behind its health check, and shows none of
// this.
var MolfoOnline = (function() {
  'use strict';
  var KEPT = '/tmp/kept/';
  var ALWAYS = 'molfo-online-always', NAME = 'molfo-online-name';
  // The verdict is asked for once a second, for at most ten minutes.
  var POLL_MS = 1000, POLL_TRIES = 600;
  // Without the place in the run's answer, the table is searched this far.
  var PAGE = 100, PAGES = 20;
  var base = new URL('../', location.href);
  var present = null;  // a Promise of whether a molfo-server serves the page
  var game = null;     // the last game kept: {file, bytes, finished, sent}
  var ended = false;   // the game being played reached game over or the ending
  var typed = '', box = null;
  var self = {present: null, kept: 0, sent: 0, verdict: null};
  var $ = function(id) { return document.getElementById(id); };

  function stored(key) { try { return localStorage.getItem(key) || ''; } catch (e) { return ''; } }
  function store(key, value) { try { localStorage.setItem(key, value); } catch (e) {} }
  function say(text) { $('online-verdict').textContent = text; }
  // What is said of a game once another has been offered is no longer news.
  function sayOf(g, text) { if (game === g) say(text); }
  function api(path) { return new URL(path, base); }

  // Answers as JSON; a failure as an Error with the server's own line.
  function asked(url, init) {
    return fetch(url, Object.assign({credentials: 'same-origin', cache: 'no-store', redirect: 'error'}, init || {}))
      .then(function(r) {
        return r.json().catch(function() { return {}; }).then(function(j) {
          if (!r.ok) throw new Error(j.error || r.status + ' ' + r.statusText);
          return j;
        });
      });
  }

  function detect() {
    // molfo-server serves the page from a folder named play; anywhere else
    // there is no one to ask. There, only the server's own answer counts: a
    // static server has no /healthz, an offline page gets the service
    // worker's 503.
    if (!/\/play\/[^/]*$/.test(location.pathname)) {
      present = Promise.resolve(false);
      self.present = false;
      return;
    }
    present = asked(api('healthz')).then(function(j) {
      return j.status === 'ok' && typeof j.version === 'string';
    }).catch(function() { return false; });
    present.then(function(on) {
      self.present = on;
      if (!on) return;
      $('online-table').href = base.href;
      $('online-always').checked = stored(ALWAYS) === '1';
    });
  }

  function ordinal(n) {
    var tens = n % 100, ones = n % 10;
    var suffix = tens >= 11 && tens <= 13 ? 'th' : ones === 1 ? 'st' : ones === 2 ? 'nd' : ones === 3 ? 'rd' : 'th';
    return n + suffix;
  }

  // "1234 points, stage 3": the kept replay's name says how far it got.
  function describe(file) {
    var m = /_(\d+)pts_(ending|stage(\d)(-boss)?)/.exec(file);
    if (!m) return 'your last game';
    return m[1] + ' points, ' + (m[2] === 'ending' ? 'the ending' : 'stage ' + m[3] + (m[4] ? ' (boss)' : ''));
  }

  function place(run) {
    if (typeof run.rank === 'number') return Promise.resolve({rank: run.rank, total: run.total});
    var look = function(page) {
      return asked(api('api/v1/leaderboard?limit=' + PAGE + '&offset=' + page * PAGE)).then(function(b) {
        for (var i = 0; i < b.runs.length; i++) if (b.runs[i].id === run.id) return {rank: b.runs[i].rank, total: b.total};
        return b.runs.length === PAGE && page + 1 < PAGES ? look(page + 1) : {rank: 0, total: b.total};
      });
    };
    return look(0);
  }

  function follow(g, id, tries) {
    return asked(api('api/v1/runs/' + encodeURIComponent(id))).then(function(run) {
      if (run.status === 'rejected') {
        self.verdict = {status: 'rejected', reason: run.reason};
        sayOf(g, 'Rejected by the online table: ' + run.reason);
        return;
      }
      if (run.status !== 'verified') {
        if (tries >= POLL_TRIES) { sayOf(g, 'Sent; the verdict is taking long: see the table later.'); return; }
        sayOf(g, 'Sent; the server is replaying it (' + run.status + ')\u2026');
        return new Promise(function(ok) { setTimeout(ok, POLL_MS); }).then(function() { return follow(g, id, tries + 1); });
      }
      return place(run).then(function(p) {
        self.verdict = {status: 'verified', score: run.score, rank: p.rank, total: p.total};
        sayOf(g, 'Verified: ' + run.score + ' points' + (p.rank ? ', ' + ordinal(p.rank) + ' of ' + p.total : '') + '.');
      });
    }).catch(function(e) {
      sayOf(g, 'Sent, but the verdict cannot be had (' + e.message + '): see the table later.');
    });
  }

  function send() {
    var g = game;
    if (!g || g.sent) return;
    g.sent = true;
    $('online-send').disabled = true;
    sayOf(g, 'Sending\u2026');
    var url = api('api/v1/runs');
    if (stored(NAME)) url.searchParams.set('name', stored(NAME));
    asked(url, {method: 'POST', body: g.bytes, headers: {'Content-Type': 'application/octet-stream'}})
      .then(function(j) {
        self.sent += g.bytes.length;
        if (game === g) $('online-send').textContent = 'Sent';
        return follow(g, j.id, 0);
      }, function(e) {
        // Not taken: the player may try again.
        g.sent = false;
        sayOf(g, 'Not sent: ' + e.message);
        if (game === g) $('online-send').disabled = false;
      });
  }

  function offer(kept) {
    present.then(function(on) {
      if (!on) return;
      game = kept;
      $('online').hidden = false;
      $('online-game').textContent = 'Your last game: ' + describe(kept.file) + '.';
      $('online-send').textContent = 'Send to the online table';
      say('');
      // The table takes whole games from the start only (it would refuse
      // the others).
      var refused = !kept.finished ? 'Only a game played to its end goes on the table.' :
        /_practice/.test(kept.file) ? 'A game begun at a chosen stage does not go on the table.' : '';
      if (refused) {
        $('online-send').disabled = true;
        say(refused);
        return;
      }
      $('online-send').disabled = false;
      if ($('online-always').checked) send();
    });
  }

  // Back on the title: the game just played, kept by the game, is taken out
  // of the page's memory and offered.
  function collect(FS) {
    var files = [];
    try { files = FS.readdir(KEPT).filter(function(f) { return /\.mrec$/.test(f); }).sort(); } catch (e) { return; }
    var last = null;
    files.forEach(function(f) {
      last = {file: f, bytes: FS.readFile(KEPT + f), finished: ended, sent: false};
      FS.unlink(KEPT + f);
    });
    ended = false;
    if (!last) return;
    self.kept++;
    offer(last);
  }

  return {
    KEPT: KEPT,
    state: self,
    // `tool` wires a control as the page's other buttons are.
    start: function(tool) {
      detect();
      tool('online-send', send);
      $('online-always').addEventListener('change', function() {
        store(ALWAYS, this.checked ? '1' : '0');
        if (this.checked) send();
        this.blur();
        $('canvas').focus();
      });
      // The name typed for the ranking goes with the games sent.
      $('molfo-text').addEventListener('input', function() { if (box && box.input) typed = this.value; });
    },
    scene: function(scene, FS) {
      if (scene === 'gameover' || scene === 'ending') ended = true;
      if (scene === 'title') collect(FS);
    },
    box: function(b) {
      if (b) { box = b; typed = ''; return; }
      if (box && box.input && box.status === 1 && typed.trim()) store(NAME, typed.trim());
      box = null;
    },
  };
})();
