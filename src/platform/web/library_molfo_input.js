// The browser's side of the web back end, continued: the waits for data
// still on its way, the pads, the settings page's keys and storage, and the
// keys' bindings (library_molfo.js holds the rest, and $MOLFO).
mergeInto(LibraryManager.library, {
  // The page's data: the page fetches it pack by pack (web/loader.js); a
  // file still on its way is waited for, with the page's note showing.
  molfo_have: function(path) {
    var data = Module['molfoData'];
    return !data || data.have(UTF8ToString(path)) ? 1 : 0;
  },
  molfo_need: function(path) {
    var p = UTF8ToString(path);
    return Asyncify.handleSleep(function(wakeUp) {
      Module['molfoData'].need(p, false).then(function() { wakeUp(); });
    });
  },

  // Pads with the standard mapping, read once a frame.
  molfo_pads: function(out, max) {
    var pads = navigator.getGamepads ? navigator.getGamepads() : [];
    var n = 0;
    var axis = function(v) { return Math.max(-32767, Math.min(32767, Math.round((v || 0) * 32767))); };
    for (var i = 0; i < pads.length && n < max; i++) {
      var p = pads[i];
      if (!p || !p.connected || p.index >= max) continue;
      var mask = 0;
      for (var b = 0; b < p.buttons.length && b < 17; b++) if (p.buttons[b] && p.buttons[b].pressed) mask |= 1 << b;
      var at = (out >> 2) + n * 4;
      HEAP32[at] = p.index;
      HEAP32[at + 1] = mask;
      HEAP32[at + 2] = axis(p.axes[0]);
      HEAP32[at + 3] = axis(p.axes[1]);
      n++;
    }
    return n;
  },

  molfo_settings_wanted__deps: ['$MOLFO'],
  molfo_settings_wanted: function() {
    var w = MOLFO.settingsWanted;
    MOLFO.settingsWanted = false;
    return w ? 1 : 0;
  },
  molfo_settings_open__deps: ['$MOLFO'],
  molfo_settings_open: function(open) {
    MOLFO.settingsOpen = !!open;
    MOLFO.settingsKeys = [];
    MOLFO.held = {};
    Module['molfoSettingsOpen'] = !!open;
    if (Module['onSettings']) Module['onSettings'](!!open);
  },
  molfo_settings_key__deps: ['$MOLFO'],
  molfo_settings_key: function(name, cap) {
    if (!MOLFO.settingsKeys.length) return 0;
    stringToUTF8(MOLFO.settingsKeys.shift(), name, cap);
    return 1;
  },
  molfo_settings_stored: function(text, cap) {
    var t = '';
    try { t = localStorage.getItem('molfo-settings') || ''; } catch (e) {}
    if (lengthBytesUTF8(t) >= cap) return 0;
    stringToUTF8(t, text, cap);
    return lengthBytesUTF8(t);
  },
  molfo_settings_store: function(text) {
    var t = UTF8ToString(text);
    try { localStorage.setItem('molfo-settings', t); } catch (e) { console.warn('molfo: the settings were not saved'); }
    if (Module['onSettingsStored']) Module['onSettingsStored'](t);
  },
  molfo_is_key_name__deps: ['$MOLFO'],
  molfo_is_key_name: function(name) {
    var n = UTF8ToString(name);
    if (/^([A-Z0-9]|F([1-9]|1[0-2])|Keypad [0-9])$/.test(n)) return 1;
    for (var c in MOLFO.names) if (MOLFO.names[c] === n) return 1;
    return 0;
  },
  molfo_bind_keys__deps: ['$MOLFO'],
  molfo_bind_keys: function(lines) {
    var b = {};
    UTF8ToString(lines).split('\n').forEach(function(l) {
      var f = l.split('\t');
      if (f.length === 3) b[f[0]] = [Number(f[1]), Number(f[2])];
    });
    MOLFO.bindings = b;
    MOLFO.held = {};
    Module['molfoBindings'] = b;
    if (Module['onBindings']) Module['onBindings'](b);
  },
});
