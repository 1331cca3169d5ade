// The browser's side of the web back end: time, keys, the canvas, the
// hidden text field of the name box, Web Audio and the ranking's storage.
// The C++ side (WebPlatform.cpp) calls these; the page (web/page.js) only
// lays the canvas out and loads the data.
mergeInto(LibraryManager.library, {
  $MOLFO: {
    keys: [],           // packed key events waiting for the next pump
    box: null,          // the open dialog's state, or null
    channel: null,      // a MessageChannel: a wake-up without the timer clamp
    channelWake: null,
    ctx: null,          // the AudioContext, made at start, running after a gesture
    buffers: {},        // effect path -> Promise of an AudioBuffer, kept
    songs: [],          // the last songs decoded, [path, Promise]: a song decodes to megabytes
    song: null,         // {source, token}
    songToken: 0,
    effect: null,
    gain: null,
    musicGain: null,
    rankRelease: null,  // resolves the held Web Lock

    // Virtual-key codes by KeyboardEvent.code, with the source that tells
    // the left and right keys of one code apart.
    codes: {
      ArrowLeft: [37, 0], ArrowUp: [38, 0], ArrowRight: [39, 0], ArrowDown: [40, 0],
      ShiftLeft: [16, 0], ShiftRight: [16, 1], ControlLeft: [17, 0], ControlRight: [17, 1],
      Escape: [27, 0], Space: [32, 0], KeyC: [67, 0], KeyX: [88, 0], KeyZ: [90, 0],
    },

    onKey: function(e, down) {
      if (MOLFO.box) {
        if (!down) return;
        // While the IME composes, Enter and Escape are its own.
        if (e.isComposing || e.keyCode === 229) return;
        if (e.key === 'Enter') { MOLFO.box.status = 1; e.preventDefault(); }
        else if (e.key === 'Escape') { MOLFO.box.status = MOLFO.box.input ? 2 : 1; e.preventDefault(); }
        return;
      }
      var c = MOLFO.codes[e.code];
      if (!c) return;
      // The game's keys must not scroll the page or reach the browser.
      e.preventDefault();
      MOLFO.keys.push(c[0] | (down ? 256 : 0) | (e.repeat ? 512 : 0) | (c[1] << 12));
    },

    path: function(ptr) { return UTF8ToString(ptr); },

    decode: function(path, keep) {
      if (keep && MOLFO.buffers[path]) return MOLFO.buffers[path];
      for (var i = 0; i < MOLFO.songs.length; i++) if (MOLFO.songs[i][0] === path) return MOLFO.songs[i][1];
      var p;
      try {
        var bytes = FS.readFile(path);
        p = MOLFO.ctx.decodeAudioData(bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.byteLength));
      } catch (e) {
        p = Promise.reject(e);
      }
      p = p.catch(function() { console.warn('molfo: cannot play ' + path); return null; });
      if (keep) {
        MOLFO.buffers[path] = p;
      } else {
        MOLFO.songs.unshift([path, p]);
        MOLFO.songs.length = Math.min(MOLFO.songs.length, 2);
      }
      return p;
    },

    // Songs are rendered at build time beside their MIDI files.
    songPath: function(path) { return path.replace(/\.mid$/i, '.ogg'); },
  },

  molfo_web_init__deps: ['$MOLFO'],
  molfo_web_init: function(mute) {
    window.addEventListener('keydown', function(e) { MOLFO.onKey(e, true); }, true);
    window.addEventListener('keyup', function(e) { MOLFO.onKey(e, false); }, true);
    MOLFO.channel = new MessageChannel();
    MOLFO.channel.port1.onmessage = function() {
      var w = MOLFO.channelWake;
      MOLFO.channelWake = null;
      if (w) w();
    };
    var AC = window.AudioContext || window.webkitAudioContext;
    if (!mute && AC) {
      MOLFO.ctx = new AC();
      MOLFO.gain = MOLFO.ctx.createGain();
      MOLFO.gain.connect(MOLFO.ctx.destination);
      // The synthesised songs peak near full scale; the window plays them at
      // half volume under the effects, and so does the page.
      MOLFO.musicGain = MOLFO.ctx.createGain();
      MOLFO.musicGain.gain.value = 0.5;
      MOLFO.musicGain.connect(MOLFO.ctx.destination);
      // Effects are small: decoded now, they sound on the frame they are played.
      try {
        FS.readdir('/data/sys').forEach(function(f) {
          if (/\.wav$/i.test(f)) MOLFO.decode('/data/sys/' + f, true);
        });
      } catch (e) {}
      // Audio may start only after a gesture; the title's Shift is the first.
      var unlock = function() { if (MOLFO.ctx.state === 'suspended' && !document.hidden) MOLFO.ctx.resume(); };
      window.addEventListener('keydown', unlock, true);
      window.addEventListener('pointerdown', unlock, true);
    }
    Module['molfo'] = MOLFO;
  },

  molfo_sleep__deps: ['$MOLFO'],
  molfo_sleep: function(ms) {
    return Asyncify.handleSleep(function(wakeUp) {
      // A timer set from a message task is not clamped to 4 ms the way a
      // chain of timers is, so a 15 ms frame stays 15 ms.
      MOLFO.channelWake = function() { setTimeout(wakeUp, ms); };
      MOLFO.channel.port2.postMessage(0);
    });
  },

  molfo_yield__deps: ['$MOLFO'],
  molfo_yield: function() {
    return Asyncify.handleSleep(function(wakeUp) {
      MOLFO.channelWake = wakeUp;
      MOLFO.channel.port2.postMessage(0);
    });
  },

  molfo_hidden: function() { return document.hidden ? 1 : 0; },

  molfo_take_keys__deps: ['$MOLFO'],
  molfo_take_keys: function(out, max) {
    var n = Math.min(max, MOLFO.keys.length);
    for (var i = 0; i < n; i++) HEAP32[(out >> 2) + i] = MOLFO.keys[i];
    MOLFO.keys.splice(0, n);
    return n;
  },

  molfo_present: function(rgba, w, h) {
    var canvas = Module['canvas'];
    if (!canvas) return;
    if (!Module['molfoCtx']) Module['molfoCtx'] = canvas.getContext('2d', {alpha: false});
    var img = new ImageData(new Uint8ClampedArray(HEAPU8.buffer, rgba, w * h * 4), w, h);
    Module['molfoCtx'].putImageData(img, 0, 0);
    Module['molfoFrames'] = (Module['molfoFrames'] || 0) + 1;
    if (Module['onPresent']) Module['onPresent']();
  },

  molfo_box_open__deps: ['$MOLFO'],
  molfo_box_open: function(input) {
    var field = document.getElementById('molfo-text');
    MOLFO.box = {input: !!input, status: 0, composing: '', before: ''};
    if (input && field) {
      field.value = '';
      field.oncompositionstart = function() { MOLFO.box.before = field.value; };
      field.oncompositionupdate = function(e) { MOLFO.box.composing = e.data || ''; };
      field.oncompositionend = function() { MOLFO.box.composing = ''; };
      // A click elsewhere must not leave the box deaf to the keyboard.
      field.onblur = function() { if (MOLFO.box && MOLFO.box.input) setTimeout(function() { field.focus(); }, 0); };
      field.focus();
    }
    Module['molfoBox'] = MOLFO.box;
  },

  // 0 while open, 1 confirmed, 2 cancelled; the text typed and the text
  // being composed go into the two buffers.
  molfo_box_poll__deps: ['$MOLFO'],
  molfo_box_poll: function(typed, typedCap, composing, composingCap) {
    var b = MOLFO.box;
    if (!b) return 2;
    var field = document.getElementById('molfo-text');
    var value = field ? field.value : '';
    if (b.composing) value = b.before;
    stringToUTF8(value, typed, typedCap);
    stringToUTF8(b.composing, composing, composingCap);
    return b.status;
  },

  molfo_box_caret: function(on) { if (Module['molfoBox']) Module['molfoBox'].caret = !!on; },

  molfo_box_close__deps: ['$MOLFO'],
  molfo_box_close: function() {
    var field = document.getElementById('molfo-text');
    MOLFO.box = null;
    if (field) { field.onblur = null; field.blur(); field.value = ''; }
    Module['molfoBox'] = null;
  },

  molfo_audio_init__deps: ['$MOLFO'],
  molfo_audio_init: function() {
    if (!MOLFO.ctx) return;
    MOLFO.songToken++;
    if (MOLFO.song) { try { MOLFO.song.stop(); } catch (e) {} MOLFO.song = null; }
    if (MOLFO.effect) { try { MOLFO.effect.stop(); } catch (e) {} MOLFO.effect = null; }
  },

  molfo_audio_music__deps: ['$MOLFO'],
  molfo_audio_music: function(path, kaisu) {
    if (!MOLFO.ctx) return;
    var token = ++MOLFO.songToken;
    if (MOLFO.song) { try { MOLFO.song.stop(); } catch (e) {} MOLFO.song = null; }
    MOLFO.decode(MOLFO.songPath(MOLFO.path(path))).then(function(buffer) {
      if (!buffer || token !== MOLFO.songToken) return;
      var s = MOLFO.ctx.createBufferSource();
      s.buffer = buffer;
      s.connect(MOLFO.musicGain);
      // Played kaisu + 1 times in a row; a negative count repeats for ever.
      s.loop = kaisu !== 0;
      var t = MOLFO.ctx.currentTime;
      s.start(t);
      if (kaisu > 0) s.stop(t + buffer.duration * (kaisu + 1));
      MOLFO.song = s;
    });
  },

  molfo_audio_stop__deps: ['$MOLFO'],
  molfo_audio_stop: function() {
    if (!MOLFO.ctx) return;
    MOLFO.songToken++;
    if (MOLFO.song) { try { MOLFO.song.stop(); } catch (e) {} MOLFO.song = null; }
  },

  molfo_audio_effect__deps: ['$MOLFO'],
  molfo_audio_effect: function(path) {
    // Before the first gesture an effect would only pile up and sound late.
    if (!MOLFO.ctx || MOLFO.ctx.state !== 'running') return;
    var p = MOLFO.decode(MOLFO.path(path), true);
    p.then(function(buffer) {
      if (!buffer) return;
      // One effect channel: a new effect cuts the one playing.
      if (MOLFO.effect) { try { MOLFO.effect.stop(); } catch (e) {} }
      var s = MOLFO.ctx.createBufferSource();
      s.buffer = buffer;
      s.connect(MOLFO.gain);
      s.start();
      MOLFO.effect = s;
    });
  },

  molfo_audio_pause__deps: ['$MOLFO'],
  molfo_audio_pause: function(paused) {
    if (!MOLFO.ctx) return;
    if (paused) MOLFO.ctx.suspend(); else MOLFO.ctx.resume();
  },

  // The ranking's folder is IndexedDB through IDBFS. Two tabs share it: the
  // read-merge-write of a finished game runs under one Web Lock, and the
  // folder is read afresh from storage inside it.
  molfo_rank_lock__deps: ['$MOLFO'],
  molfo_rank_lock: function() {
    return Asyncify.handleSleep(function(wakeUp) {
      var sync = function() { FS.syncfs(true, function(err) { if (err) console.warn('molfo: ranking not read', err); wakeUp(); }); };
      if (!navigator.locks) { sync(); return; }
      navigator.locks.request('molfo-rank', function() {
        return new Promise(function(release) { MOLFO.rankRelease = release; sync(); });
      });
    });
  },

  molfo_rank_unlock__deps: ['$MOLFO'],
  molfo_rank_unlock: function(save) {
    return Asyncify.handleSleep(function(wakeUp) {
      var done = function() {
        var r = MOLFO.rankRelease;
        MOLFO.rankRelease = null;
        if (r) r();
        wakeUp();
      };
      if (!save) { done(); return; }
      FS.syncfs(false, function(err) { if (err) console.warn('molfo: ranking not saved', err); done(); });
    });
  },

  molfo_finished: function(status) {
    Module['molfoStatus'] = status;
    if (Module['onFinished']) Module['onFinished'](status);
  },
});

mergeInto(LibraryManager.library, {
  // Holds the game after a pass until the page lets it go (the browser
  // tests photograph the canvas there).
  molfo_hold: function(pass) {
    return Asyncify.handleSleep(function(wakeUp) {
      Module['molfoHeld'] = pass;
      Module['molfoRelease'] = function() { Module['molfoHeld'] = 0; Module['molfoRelease'] = null; wakeUp(); };
    });
  },
});

mergeInto(LibraryManager.library, {
  // The game's scene by name, for the page and its measurements.
  molfo_scene: function(name) { Module['molfoScene'] = UTF8ToString(name); },
});

mergeInto(LibraryManager.library, {
  // When each frame of play began on the game's clock, for the page's
  // frame-pacing measurement.
  molfo_frame_started: function(tick) { if (Module['onFrameStart']) Module['onFrameStart'](tick >>> 0); },
});
