// The page around the game: checks the browser, shows the loading bar,
// passes the options of the page's address to the program, mounts the
// ranking's storage, scales the canvas by whole steps, and offers the
// ranking and recordings as files. Nothing here leaves this folder.
(function() {
  'use strict';
  var W = 645, H = 573, RANK = '/persist/rank.hms';
  var $ = function(id) { return document.getElementById(id); };
  var query = new URLSearchParams(location.search);

  function fail(text) {
    $('loading').hidden = true;
    $('message').hidden = false;
    $('message').textContent = text;
  }

  if (typeof WebAssembly !== 'object' || typeof WebAssembly.instantiate !== 'function') {
    fail('This browser cannot run WebAssembly, which the game needs. Please open the page in a current ' +
         'Firefox, Chrome, Edge or Safari.');
    return;
  }

  // Options for the program, from the address: ?replay=FILE&verify&fast,
  // ?record, ?hold=PASSES, ?stage=N&boss, ?mute, ?language=en (else the browser's
  // languages); ?scale=N
  // fixes the scale.
  var args = [];
  if (query.has('replay')) args.push('--replay', '/tmp/replay.rec');
  ['verify', 'fast', 'boss', 'mute'].forEach(function(f) { if (query.has(f)) args.push('--' + f); });
  if (query.has('record')) args.push('--record', '/tmp/session.rec');
  if (query.has('stage')) args.push('--stage', query.get('stage'));
  if (query.has('hold')) args.push('--hold', query.get('hold'));
  var language = chooseLanguage();
  if (language) args.push('--language', language);

  // The page speaks the first of the browser's languages the game has
  // words in (English, or Japanese, its own), as gettext reads LANGUAGE;
  // none of them leaves the game's own Japanese. ?language= wins.
  function chooseLanguage() {
    if (query.has('language')) return query.get('language');
    var wanted = navigator.languages && navigator.languages.length ? navigator.languages : [navigator.language || ''];
    for (var i = 0; i < wanted.length; i++) {
      var primary = String(wanted[i]).toLowerCase().split('-')[0];
      if (primary === 'ja' || primary === 'en') return primary;
    }
    return '';
  }

  function layout() {
    var canvas = $('canvas');
    var dpr = window.devicePixelRatio || 1;
    var full = document.fullscreenElement === $('screen');
    var availW = full ? window.innerWidth : Math.min(window.innerWidth - 16, 4096);
    var availH = full ? window.innerHeight : window.innerHeight - 16;
    // Whole multiples of the game's pixels in real screen pixels, so every
    // game pixel is an even square; smaller than the game, it shrinks.
    var scale = Math.floor(Math.min(availW * dpr / W, availH * dpr / H));
    if (query.has('scale')) scale = Number(query.get('scale')) * dpr;
    var cssW = scale >= 1 ? W * scale / dpr : Math.min(availW, availH * W / H);
    canvas.style.width = cssW + 'px';
    canvas.style.height = cssW * H / W + 'px';
  }
  window.addEventListener('resize', layout);
  document.addEventListener('fullscreenchange', layout);

  function toggleFullscreen() {
    if (document.fullscreenElement) document.exitFullscreen();
    else if ($('screen').requestFullscreen) $('screen').requestFullscreen();
  }
  $('fullscreen').onclick = toggleFullscreen;
  window.addEventListener('keydown', function(e) {
    if (e.altKey && e.key === 'Enter') { e.preventDefault(); toggleFullscreen(); }
  });

  function save(blob, name) {
    var a = document.createElement('a');
    a.href = URL.createObjectURL(blob);
    a.download = name;
    a.click();
    setTimeout(function() { URL.revokeObjectURL(a.href); }, 1000);
  }
  $('shot').onclick = function() { $('canvas').toBlob(function(b) { save(b, 'molfo.png'); }); };

  // The ranking file is the window's own format, 14000 bytes.
  function withRankLock(work) {
    return navigator.locks ? navigator.locks.request('molfo-rank', work) : work();
  }
  function syncfs(populate) {
    return new Promise(function(ok, no) { Module.FS.syncfs(populate, function(e) { e ? no(e) : ok(); }); });
  }
  $('rank-down').onclick = function() {
    withRankLock(function() {
      return syncfs(true).then(function() {
        var bytes;
        try { bytes = Module.FS.readFile(RANK); } catch (e) { bytes = new Uint8Array(14000); }
        save(new Blob([bytes], {type: 'application/octet-stream'}), 'rank.hms');
      });
    });
  };
  $('rank-up').onclick = function() { $('rank-file').click(); };
  $('rank-file').onchange = function() {
    var file = this.files[0];
    this.value = '';
    if (!file) return;
    if (file.size !== 14000) { alert('A ranking file is exactly 14000 bytes; this one is ' + file.size + '.'); return; }
    file.arrayBuffer().then(function(buf) {
      return withRankLock(function() {
        Module.FS.writeFile(RANK, new Uint8Array(buf));
        return syncfs(false);
      });
    }).then(function() { alert('Ranking loaded; the next game over uses it.'); });
  };

  var started = false;
  window.Module = {
    canvas: $('canvas'),
    arguments: args,
    print: function(t) { console.log(t); },
    // The game's own messages (a missing sound, a replay's verdict) are
    // notes, not page errors.
    printErr: function(t) { console.warn(t); },
    setStatus: function(text) {
      var m = /\((\d+(?:\.\d+)?)\/(\d+)\)/.exec(text || '');
      if (m) { $('bar').value = Number(m[1]) / Number(m[2]); $('status').textContent = 'Loading the game\u2026'; }
    },
    preRun: [function() {
      var FS = Module.FS;
      FS.mkdir('/persist');
      FS.mount(Module.IDBFS || IDBFS, {}, '/persist');
      Module.addRunDependency('molfo-persist');
      FS.syncfs(true, function(err) {
        if (err) console.warn('molfo: the saved ranking cannot be read', err);
        Module.removeRunDependency('molfo-persist');
      });
      if (query.has('replay')) {
        Module.addRunDependency('molfo-replay');
        fetch(query.get('replay')).then(function(r) {
          if (!r.ok) throw new Error(r.status + ' ' + r.statusText);
          return r.arrayBuffer();
        }).then(function(buf) {
          FS.writeFile('/tmp/replay.rec', new Uint8Array(buf));
          Module.removeRunDependency('molfo-replay');
        }).catch(function(e) { fail('Cannot load the recording: ' + e.message); });
      }
    }],
    onRuntimeInitialized: function() {
      started = true;
      $('loading').hidden = true;
      $('screen').hidden = false;
      $('tools').hidden = false;
      layout();
      $('canvas').focus();
    },
    onFinished: function(status) {
      var text = 'The game has ended' + (status ? ' (status ' + status + ')' : '') + '. Reload the page to play again.';
      $('message').hidden = false;
      $('message').textContent = text;
      if (query.has('record')) {
        try {
          var rec = Module.FS.readFile('/tmp/session.rec');
          var link = $('recording');
          link.href = URL.createObjectURL(new Blob([rec]));
          link.hidden = false;
        } catch (e) { console.warn('molfo: no recording was written'); }
      }
    },
    onAbort: function(what) { fail('The game stopped: ' + what); },
  };

  var script = document.createElement('script');
  script.src = 'molfo.js';
  script.onerror = function() { fail('The game could not be loaded (molfo.js is missing).'); };
  document.body.appendChild(script);
  setTimeout(function() { if (!started && $('loading').hidden === false) $('status').textContent = 'Still loading\u2026'; }, 15000);
})();
