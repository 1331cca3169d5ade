// The key help beside the game: the keys bound to each action, named as
// the player's keyboard shows them. The game takes keys by their place on
// the keyboard (the key where a US keyboard has Z fires on any layout), so
// where the browser tells the layout (navigator.keyboard.getLayoutMap) the
// help names the key that place carries.
var MolfoHelp = (function() {
  'use strict';
  var SYMBOLS = {Left: '←', Right: '→', Up: '↑', Down: '↓', 'Left Shift': 'Shift', 'Right Shift': 'Shift (right)',
    'Left Ctrl': 'Ctrl', 'Right Ctrl': 'Ctrl (right)', Escape: 'Esc', Return: 'Enter'};
  var layout = null;

  // The KeyboardEvent.code of a key named as the settings name it.
  function codeOf(name) {
    if (/^[A-Z]$/.test(name)) return 'Key' + name;
    if (/^[0-9]$/.test(name)) return 'Digit' + name;
    var codes = {'-': 'Minus', '=': 'Equal', '[': 'BracketLeft', ']': 'BracketRight', '\\': 'Backslash',
      ';': 'Semicolon', "'": 'Quote', '`': 'Backquote', ',': 'Comma', '.': 'Period', '/': 'Slash'};
    return codes[name] || '';
  }

  function label(name) {
    var code = codeOf(name);
    if (layout && code && layout.get(code)) return layout.get(code).toUpperCase();
    return SYMBOLS[name] || name;
  }

  // bindings: key name -> [vk, slot]; actions: the settings' action keys by vk.
  function show(bindings) {
    var byVk = {};
    Object.keys(bindings).forEach(function(name) {
      var vk = bindings[name][0];
      (byVk[vk] = byVk[vk] || []).push(name);
    });
    var VK = {left: 37, up: 38, right: 39, down: 40, fire: 90, fire_alt: 32, item: 88, item_every_frame: 17,
      next_item: 67, start: 16, quit: 27};
    document.querySelectorAll('#keys td[data-keys]').forEach(function(td) {
      var names = [];
      td.getAttribute('data-keys').split(' ').forEach(function(a) {
        (byVk[VK[a]] || []).forEach(function(n) { if (names.indexOf(n) < 0) names.push(n); });
      });
      td.textContent = '';
      names.forEach(function(n, i) {
        if (i) td.appendChild(document.createTextNode(' '));
        var k = document.createElement('kbd');
        k.textContent = label(n);
        td.appendChild(k);
      });
      if (!names.length) td.textContent = '(none)';
    });
  }

  function start(bindingsNow) {
    var kb = navigator.keyboard;
    if (!kb || !kb.getLayoutMap) return Promise.resolve();
    return kb.getLayoutMap().then(function(map) { layout = map; }).catch(function() {}).then(function() {
      var b = bindingsNow();
      if (b) show(b);
    });
  }

  return {show: show, start: start, label: label};
})();
