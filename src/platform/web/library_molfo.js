// The browser's side of the web back end: time, keys and touch, the
// canvas, the hidden text field of the name box, Web Audio and the
// ranking's storage (library_molfo_input.js: the pads, the settings page
// and the waits for data). The C++ side (WebPlatform.cpp) calls these; the
// page (web/page.js) lays the canvas out, draws the touch controls and
// fetches the data.
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
    settingsOpen: false,
    settingsWanted: false,
    settingsKeys: [],   // key names pressed while the settings page is open
    held: {},           // code -> the [vk, slot] it pressed, so its release matches

    // The virtual keys by the key's name, as the settings bind them; a key
    // is a place on the keyboard (KeyboardEvent.code), named as SDL names
    // that place on a US keyboard, so the settings read as on the desktop.
    bindings: {},
    TOUCH_SOURCE: 7,

    name: function(code) {
      var m;
      if ((m = /^Key([A-Z])$/.exec(code))) return m[1];
      if ((m = /^Digit([0-9])$/.exec(code))) return m[1];
      if ((m = /^Numpad([0-9])$/.exec(code))) return 'Keypad ' + m[1];
      if (/^F([1-9]|1[0-2])$/.test(code)) return code;
      return MOLFO.names[code] || '';
    },
    names: {
      ArrowLeft: 'Left', ArrowRight: 'Right', ArrowUp: 'Up', ArrowDown: 'Down', ShiftLeft: 'Left Shift',
      ShiftRight: 'Right Shift', ControlLeft: 'Left Ctrl', ControlRight: 'Right Ctrl', AltLeft: 'Left Alt',
      AltRight: 'Right Alt', Space: 'Space', Escape: 'Escape', Enter: 'Return', NumpadEnter: 'Keypad Enter',
      Backspace: 'Backspace', Tab: 'Tab', Delete: 'Delete', Insert: 'Insert', Home: 'Home', End: 'End',
      PageUp: 'PageUp', PageDown: 'PageDown', CapsLock: 'CapsLock', Minus: '-', Equal: '=', BracketLeft: '[',
      BracketRight: ']', Backslash: '\\', Semicolon: ';', Quote: "'", Backquote: '`', Comma: ',', Period: '.',
      Slash: '/', NumpadAdd: 'Keypad +', NumpadSubtract: 'Keypad -', NumpadMultiply: 'Keypad *',
      NumpadDivide: 'Keypad /', NumpadDecimal: 'Keypad .',
    },
    // Keys that scroll the page or leave it: never the browser's while the game has them.
    pageKeys: {ArrowLeft: 1, ArrowRight: 1, ArrowUp: 1, ArrowDown: 1, Space: 1, PageUp: 1, PageDown: 1, Home: 1,
      End: 1, Tab: 0, F1: 1},

    push: function(vk, source, down, repeat) {
      MOLFO.keys.push(vk | (down ? 256 : 0) | (repeat ? 512 : 0) | (source << 12));
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
      // Typing into the page's own controls is theirs.
      var t = e.target;
      if (t && t.closest && t.closest('input, select, textarea') && t.id !== 'molfo-text') return;
      var name = MOLFO.name(e.code);
      if (MOLFO.settingsOpen) {
        e.preventDefault();
        if (down && !e.repeat && name) MOLFO.settingsKeys.push(name);
        return;
      }
      if (e.code === 'F1') {
        e.preventDefault();
        if (down) MOLFO.settingsWanted = true;
        return;
      }
      if (MOLFO.pageKeys[e.code]) e.preventDefault();
      var b = down ? MOLFO.bindings[name] : MOLFO.held[e.code];
      if (!b) return;
      // The game's keys must not scroll the page or reach the browser.
      e.preventDefault();
      if (down) MOLFO.held[e.code] = b; else delete MOLFO.held[e.code];
      MOLFO.push(b[0], b[1], down, e.repeat);
    },

    // A touch control pressed or let go: an action of the game, or the
    // settings page's own keys while it is open.
    touch: function(action, down) {
      var a = MOLFO.actions[action];
      if (!a) return;
      // In a box, fire or start confirms and the item button cancels.
      if (MOLFO.box) {
        if (down && (action === 'fire' || action === 'start')) MOLFO.box.status = 1;
        else if (down && action === 'item') MOLFO.box.status = MOLFO.box.input ? 2 : 1;
        return;
      }
      if (MOLFO.settingsOpen) { if (down) MOLFO.settingsKeys.push(a[1]); return; }
      MOLFO.push(a[0], MOLFO.TOUCH_SOURCE, down, false);
    },
    actions: {left: [37, 'Left'], right: [39, 'Right'], up: [38, 'Up'], down: [40, 'Down'], fire: [90, 'Return'],
      item: [88, 'Delete'], next: [67, 'Escape'], start: [16, 'Escape']},

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

    startAudio: function() {
      var AC = window.AudioContext || window.webkitAudioContext;
      if (MOLFO.mute || !AC) return;
      if (!MOLFO.ctx) {
        MOLFO.ctx = new AC();
        MOLFO.gain = MOLFO.ctx.createGain();
        MOLFO.gain.connect(MOLFO.ctx.destination);
        MOLFO.musicGain = MOLFO.ctx.createGain();
        MOLFO.musicGain.connect(MOLFO.ctx.destination);
        MOLFO.setVolumes();
        try {
          MOLFO.decodeEffects(FS.readdir('/data/sys').map(function(f) { return '/data/sys/' + f; }));
        } catch (e) {}
        var song = MOLFO.pendingSong;
        MOLFO.pendingSong = null;
        if (song) MOLFO.playSong(song[0], song[1]);
      }
      if (MOLFO.ctx.state === 'suspended' && !document.hidden && !MOLFO.paused) MOLFO.ctx.resume();
    },
    volumes: [100, 100],
    setVolumes: function() {
      // The synthesised songs peak near full scale; the window plays them at
      // half volume under the effects at the game's own level, and so does the page.
      MOLFO.musicGain.gain.value = 0.5 * MOLFO.volumes[0] / 100;
      MOLFO.gain.gain.value = MOLFO.volumes[1] / 100;
    },
    decodeEffects: function(paths) {
      paths.forEach(function(p) { if (/\.wav$/i.test(p)) MOLFO.decode(p, true); });
    },
    pendingSong: null,

    playSong: function(path, kaisu) {
      var token = ++MOLFO.songToken;
      if (MOLFO.song) { try { MOLFO.song.stop(); } catch (e) {} MOLFO.song = null; }
      var song = MOLFO.songPath(path);
      // A song still on its way starts when it arrives, if it is still the
      // one asked for; the game does not wait for music.
      var data = Module['molfoData'];
      var here = !data || data.have(song) ? Promise.resolve() : data.need(song, true);
      here.then(function() { return token === MOLFO.songToken ? MOLFO.decode(song) : null; }).then(function(buffer) {
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

    // Songs are rendered at build time beside their MIDI files.
    songPath: function(path) { return path.replace(/\.mid$/i, '.ogg'); },
  },

  molfo_web_init__deps: ['$MOLFO'],
  molfo_web_init: function(mute) {
    window.addEventListener('keydown', function(e) { MOLFO.onKey(e, true); }, true);
    window.addEventListener('keyup', function(e) { MOLFO.onKey(e, false); }, true);
    Module['molfoTouch'] = MOLFO.touch;
    Module['molfoOpenSettings'] = function() { MOLFO.settingsWanted = true; };
    MOLFO.channel = new MessageChannel();
    MOLFO.channel.port1.onmessage = function() {
      var w = MOLFO.channelWake;
      MOLFO.channelWake = null;
      if (w) w();
    };
    // Audio may start only after a gesture: the context is made at the
    // first (the page's gate), out of the way of the title, and a song
    // asked for before it starts then.
    MOLFO.mute = !!mute;
    var start = function() { MOLFO.startAudio(); };
    window.addEventListener('keydown', start, true);
    window.addEventListener('pointerdown', start, true);
    Module['molfoStartAudio'] = start;
    // Effects are small: decoded as soon as they are here, they sound on
    // the frame they are played.
    if (Module['molfoData']) Module['molfoData'].onFiles(function(paths) { if (MOLFO.ctx) MOLFO.decodeEffects(paths); });
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

  // One putImageData of the rows that changed. The picture over the
  // module's memory is made again only when the memory grew (its old
  // buffer is then detached) or the picture moved.
  molfo_present: function(rgba, w, h, top, rows) {
    var canvas = Module['canvas'];
    if (!canvas) return;
    if (!Module['molfoCtx']) Module['molfoCtx'] = canvas.getContext('2d', {alpha: false});
    var img = Module['molfoImage'];
    if (!img || img.data.buffer !== HEAPU8.buffer || Module['molfoImageAt'] !== rgba || img.width !== w ||
        img.height !== h) {
      img = Module['molfoImage'] = new ImageData(new Uint8ClampedArray(HEAPU8.buffer, rgba, w * h * 4), w, h);
      Module['molfoImageAt'] = rgba;
    }
    if (rows > 0) Module['molfoCtx'].putImageData(img, 0, 0, 0, top, w, rows);
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
    if (Module['onBox']) Module['onBox'](MOLFO.box);
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
    if (Module['onBox']) Module['onBox'](null);
  },

  molfo_audio_init__deps: ['$MOLFO'],
  molfo_audio_init: function() {
    MOLFO.pendingSong = null;
    if (!MOLFO.ctx) return;
    MOLFO.songToken++;
    if (MOLFO.song) { try { MOLFO.song.stop(); } catch (e) {} MOLFO.song = null; }
    if (MOLFO.effect) { try { MOLFO.effect.stop(); } catch (e) {} MOLFO.effect = null; }
  },

  molfo_audio_music__deps: ['$MOLFO'],
  molfo_audio_music: function(path, kaisu) {
    if (MOLFO.mute) return;
    if (!MOLFO.ctx) { MOLFO.pendingSong = [MOLFO.path(path), kaisu]; return; }
    MOLFO.playSong(MOLFO.path(path), kaisu);
  },

  molfo_audio_stop__deps: ['$MOLFO'],
  molfo_audio_stop: function() {
    MOLFO.pendingSong = null;
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

  molfo_audio_volumes__deps: ['$MOLFO'],
  molfo_audio_volumes: function(music, effect) {
    MOLFO.volumes = [music, effect];
    if (MOLFO.ctx) MOLFO.setVolumes();
  },

  molfo_audio_pause__deps: ['$MOLFO'],
  molfo_audio_pause: function(paused) {
    MOLFO.paused = !!paused;
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
  molfo_scene: function(name) {
    Module['molfoScene'] = UTF8ToString(name);
    (Module['molfoScenes'] = Module['molfoScenes'] || []).push(Module['molfoScene']);
    if (Module['onScene']) Module['onScene'](Module['molfoScene']);
  },
});

mergeInto(LibraryManager.library, {
  // When each frame of play began on the game's clock, for the page's
  // frame-pacing measurement.
  molfo_frame_started: function(tick) { if (Module['onFrameStart']) Module['onFrameStart'](tick >>> 0); },
});

mergeInto(LibraryManager.library, {
  // A replay being watched: the page's speed control (Module.molfoSpeed:
  // 1, 2, 4, or 0 for as fast as it goes) and its progress bar.
  molfo_replay_speed: function() {
    var s = Module['molfoSpeed'];
    return s === undefined ? 1 : s | 0;
  },
  molfo_replay_progress: function(done, total) {
    Module['molfoReplayPasses'] = done;
    if (Module['onReplayProgress']) Module['onReplayProgress'](done, total);
  },
});
