// The page around the game: checks the browser, fetches the title's data
// with a loading bar and the rest behind the title (web/loader.js), passes
// the options of the page's address to the program, mounts the ranking's
// storage, lays the canvas out (whole steps where they fit), puts up the
// start gate, the touch controls (web/touch.js) and the key help
// (web/help.js), and offers the ranking and recordings as files. Served by
// molfo-server, it offers each game to the online table (web/online.js);
// a replay it plays can be watched at several speeds (web/watch.js).
// Nothing else leaves this folder.
(function() {
  'use strict';
  var W = 645, H = 573, RANK = '/persist/rank.hms';
  // Beside the game in landscape, the touch controls need this much room on
  // each side (the widest reaches 174 px in); below it in portrait, this much.
  var TOUCH_SIDE = 176, TOUCH_BELOW = 260;
  // On a touch screen the game fills its room: whole steps only where they
  // lose no more than this share of it (a phone's 2.6 screen pixels a CSS
  // pixel would otherwise leave the game at a third of the screen).
  var TOUCH_FILL = 0.9;
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
  var data = JSON.parse($('molfo-data').textContent);

  // The settings the game keeps in the browser, as "name=value" lines.
  function stored(name) {
    var text = '';
    try { text = localStorage.getItem('molfo-settings') || ''; } catch (e) {}
    var m = new RegExp('^' + name + '=(.*)$', 'm').exec(text);
    return m ? m[1] : '';
  }

  // The page speaks the first of the browser's languages the game has
  // words in (English, or Japanese, its own), as gettext reads LANGUAGE;
  // none of them leaves the game's own Japanese. The settings, then
  // ?language=, win.
  function browserLanguage() {
    var wanted = navigator.languages && navigator.languages.length ? navigator.languages : [navigator.language || ''];
    for (var i = 0; i < wanted.length; i++) {
      var primary = String(wanted[i]).toLowerCase().split('-')[0];
      if (primary === 'ja' || primary === 'en') return primary;
    }
    return 'ja';
  }
  var auto = browserLanguage();
  var chosen = query.get('language') || stored('language') || 'auto';
  var language = chosen === 'auto' ? auto : chosen;

  // Options for the program, from the address: ?replay=FILE&fast (a replay
  // is always verified), ?record, ?hold=PASSES, ?stage=N&boss, ?mute,
  // ?language=en; ?scale=N fixes the scale, ?touch shows the touch controls.
  // Otherwise each game is kept, for the online table.
  var replaying = query.has('replay');
  var args = [];
  if (replaying) args.push('--replay', '/tmp/replay.rec', '--verify');
  ['boss', 'mute'].forEach(function(f) { if (query.has(f)) args.push('--' + f); });
  if (query.has('record')) args.push('--record', '/tmp/session.rec');
  else if (!replaying) args.push('--keep', MolfoOnline.KEPT);
  if (query.has('stage')) args.push('--stage', query.get('stage'));
  if (query.has('hold')) args.push('--hold', query.get('hold'));
  if (query.has('language')) args.push('--language', query.get('language'));
  args.push('--auto-language', auto);

  var loader = new MolfoLoader(data, language);
  var titleBytes = loader.title.reduce(function(n, p) { return n + p.size; }, 0);
  loader.progress = function(p) {
    if (p.boot && !started) {
      var got = loader.title.reduce(function(n, q) { return n + q.bytes; }, 0);
      $('bar').value = got / titleBytes;
      $('status').textContent = p.retrying ? 'Waiting for the network\u2026' : 'Loading the game\u2026';
    }
    if (waitingFor === p) note(p);
  };
  // A replay plays from the first frame to the last without a wait.
  var titleData = replaying ? loader.whenAll() : loader.fetchTitle();

  // The note over the game while it waits for data a player outran.
  var waitingFor = null;
  function note(p) {
    $('note').hidden = false;
    $('note-text').textContent = p.retrying ? 'Waiting for the network\u2026' :
      'Loading ' + p.label + '\u2026 ' + Math.floor(100 * p.bytes / p.size) + ' %';
  }
  loader.onWait = function(p) { waitingFor = p; note(p); };
  loader.onWaited = function() { waitingFor = null; $('note').hidden = true; };

  // --- layout: whole multiples of the game's pixels in real screen pixels
  // where they fit, so every game pixel is an even square; smooth scaling
  // where they do not (a phone), or when the settings ask to fill.
  var touch = query.has('touch') || (window.matchMedia && matchMedia('(pointer: coarse)').matches);
  function layout() {
    var canvas = $('canvas'), root = document.documentElement;
    var dpr = window.devicePixelRatio || 1;
    var full = document.fullscreenElement === $('screen');
    // The layout viewport, not innerWidth: a phone's browser zooms out to
    // show whatever is wider than the screen, which widens innerWidth, and a
    // canvas sized from that widens the page in turn. It also leaves out a
    // scroll bar.
    var vw = full ? innerWidth : root.clientWidth, vh = full ? innerHeight : root.clientHeight;
    var portrait = vh >= vw;
    document.body.classList.toggle('touch', touch);
    document.body.classList.toggle('portrait', portrait);
    $('touch').hidden = !touch || !started;
    // The page's own rows keep clear of the controls: between them in
    // landscape, and in portrait the page scrolls them out from under them.
    document.body.style.padding = touch && !portrait ? '0 ' + TOUCH_SIDE + 'px' : '';
    document.body.style.paddingBottom = touch && portrait ? TOUCH_BELOW + 'px' : '';
    var availW = full ? vw : Math.min(vw - 16, 4096);
    var availH = full ? vh : vh - 16;
    if (touch && !full) {
      availW = portrait ? vw : vw - 2 * TOUCH_SIDE;
      availH = portrait ? vh - TOUCH_BELOW : vh;
    }
    var fitW = Math.min(availW, availH * W / H);
    var scale = Math.floor(Math.min(availW * dpr / W, availH * dpr / H));
    if (touch && W * scale / dpr < TOUCH_FILL * fitW) scale = 0;
    if (query.has('scale')) scale = Number(query.get('scale')) * dpr;
    var fit = stored('scale_mode') === 'fit' && !query.has('scale');
    var cssW = scale >= 1 && !fit ? W * scale / dpr : fitW;
    canvas.classList.toggle('smooth', !(scale >= 1 && !fit));
    canvas.style.width = cssW + 'px';
    canvas.style.height = cssW * H / W + 'px';
  }
  window.addEventListener('resize', layout);
  document.addEventListener('fullscreenchange', layout);
  window.addEventListener('pointerdown', function(e) {
    if (e.pointerType === 'touch' && !touch) { touch = true; layout(); }
  }, true);

  function toggleFullscreen() {
    if (document.fullscreenElement) document.exitFullscreen();
    else if ($('screen').requestFullscreen) $('screen').requestFullscreen().catch(function() {});
  }
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

  // A button clicked hands the keyboard back to the game, so Enter or Space
  // never press it again.
  function tool(id, act) {
    $(id).addEventListener('click', function() {
      act();
      $(id).blur();
      $('canvas').focus();
    });
  }
  tool('fullscreen', toggleFullscreen);
  tool('settings', function() { if (Module.molfoOpenSettings) Module.molfoOpenSettings(); });
  tool('shot', function() { $('canvas').toBlob(function(b) { save(b, 'molfo.png'); }); });

  // The ranking file is the window's own format, 14000 bytes.
  function withRankLock(work) {
    return navigator.locks ? navigator.locks.request('molfo-rank', work) : work();
  }
  function syncfs(populate) {
    return new Promise(function(ok, no) { Module.FS.syncfs(populate, function(e) { e ? no(e) : ok(); }); });
  }
  tool('rank-down', function() {
    withRankLock(function() {
      return syncfs(true).then(function() {
        var bytes;
        try { bytes = Module.FS.readFile(RANK); } catch (e) { bytes = new Uint8Array(14000); }
        save(new Blob([bytes], {type: 'application/octet-stream'}), 'rank.hms');
      });
    });
  });
  $('rank-up').addEventListener('click', function() { $('rank-file').click(); });
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

  // --- the start gate: browsers let a page sound only after a click, a tap
  // or a key that is not a modifier (Shift, the title's key, is not one),
  // so the first visit asks for one; it starts the title's song. The key
  // that opens the gate is the gate's, not the game's.
  var MODIFIERS = {Shift: 1, Control: 1, Alt: 1, Meta: 1, Escape: 1, CapsLock: 1, Fn: 1, AltGraph: 1};
  var gateKey = null;
  function openGate() {
    $('gate').hidden = true;
    if (Module.molfoStartAudio) Module.molfoStartAudio();
    if (stored('fullscreen') === '1') toggleFullscreen();
    $('canvas').focus();
  }
  window.addEventListener('keydown', function(e) {
    if ($('gate').hidden) return;
    e.stopImmediatePropagation();
    var counts = navigator.userActivation ? navigator.userActivation.isActive : true;
    if (!counts || MODIFIERS[e.key]) return;
    e.preventDefault();
    gateKey = e.code;
    openGate();
  }, true);
  window.addEventListener('keyup', function(e) {
    if (gateKey !== e.code) return;
    gateKey = null;
    e.stopImmediatePropagation();
  }, true);
  $('gate').addEventListener('click', openGate);

  var started = false, titleShown = false;
  window.Module = {
    canvas: $('canvas'),
    arguments: args,
    molfoData: loader,
    locateFile: function(file) { return file === 'molfo.wasm' ? data.wasm : file; },
    print: function(t) { console.log(t); MolfoWatch.print(t); },
    // The game's own messages (a missing sound, a replay's verdict) are
    // notes, not page errors.
    printErr: function(t) { console.warn(t); MolfoWatch.printErr(t); },
    preRun: [function() {
      var FS = Module.FS;
      FS.mkdir('/persist');
      FS.mount(Module.IDBFS || IDBFS, {}, '/persist');
      Module.addRunDependency('molfo-persist');
      FS.syncfs(true, function(err) {
        if (err) console.warn('molfo: the saved ranking cannot be read', err);
        Module.removeRunDependency('molfo-persist');
      });
      Module.addRunDependency('molfo-data');
      titleData.then(function() {
        loader.attach(FS);
        Module.removeRunDependency('molfo-data');
      });
      if (replaying) {
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
      // Sized before it shows, so no layout sees the canvas at its own
      // 645 px, wider than a phone.
      layout();
      $('loading').hidden = true;
      $('screen').hidden = false;
      $('tools').hidden = false;
      $('gate').hidden = replaying;
      $('canvas').focus();
    },
    onScene: function(scene) {
      MolfoOnline.scene(scene, Module.FS);
      if (scene !== 'title' || titleShown) return;
      titleShown = true;
      window.molfoTitleAt = performance.now();
      // Behind the title, once it is on the screen: the rest of the data,
      // and the worker that keeps the page for a second visit.
      setTimeout(function() {
        loader.background();
        if ('serviceWorker' in navigator && !query.has('nosw'))
          navigator.serviceWorker.register('sw.js').catch(function(e) { console.warn('molfo: no offline copy', e); });
      }, 0);
    },
    onBindings: function(b) { MolfoHelp.show(b); },
    onSettingsStored: function() { layout(); },
    onBox: function(box) {
      // On a touch screen the name is typed into a field the player taps,
      // which brings up the screen's keyboard.
      $('molfo-text').classList.toggle('typing', !!(box && box.input && touch));
      MolfoOnline.box(box);
    },
    onFinished: function(status) {
      if (replaying) { MolfoWatch.finished(status); return; }
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

  MolfoOnline.start(tool);
  if (replaying) MolfoWatch.start(query.has('fast'));
  new MolfoTouch($('touch'), function(action, down) { if (Module.molfoTouch) Module.molfoTouch(action, down); });
  MolfoHelp.start(function() { return Module.molfoBindings; });

  var script = document.createElement('script');
  script.src = data.program;
  script.onerror = function() { fail('The game could not be loaded (' + data.program + ' is missing).'); };
  document.body.appendChild(script);
  setTimeout(function() { if (!started && $('loading').hidden === false) $('status').textContent = 'Still loading\u2026'; }, 15000);
})();
