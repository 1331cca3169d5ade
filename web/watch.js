// Watching a replay (?replay=URL, the online table's Watch): the game
// replays it at the game's own pace, or 2 or 4 times as fast, or as fast as
// the browser goes (?fast starts there); a bar shows how far it has got.
// The game checks the replay against the recording's state hashes as it
// goes, and its verdict ends the page: "replay verified", or where the
// replay went its own way.
var MolfoWatch = (function() {
  'use strict';
  var $ = function(id) { return document.getElementById(id); };
  var verdict = '', problem = '';

  function choose(speed) {
    Module.molfoSpeed = speed;
    Array.prototype.forEach.call($('watch').querySelectorAll('button[data-speed]'), function(b) {
      b.setAttribute('aria-pressed', String(Number(b.dataset.speed) === speed));
    });
  }

  return {
    // Before the program starts: the controls, and the speed to begin at.
    start: function(fast) {
      $('watch').hidden = false;
      Array.prototype.forEach.call($('watch').querySelectorAll('button[data-speed]'), function(b) {
        b.addEventListener('click', function() { choose(Number(b.dataset.speed)); b.blur(); });
      });
      choose(fast ? 0 : 1);
      Module.onReplayProgress = function(done, total) {
        if (total > 0) $('watch-bar').value = Math.min(1, done / total);
      };
    },
    // The game's lines: the verdict goes to the page.
    print: function(line) { if (/^replay verified/.test(line)) verdict = line; },
    printErr: function(line) { problem = line.replace(/^molfo: /, ''); },
    finished: function(status) {
      var ok = status === 0 && verdict !== '';
      if (ok) $('watch-bar').value = 1;
      $('message').hidden = false;
      $('message').classList.toggle('good', ok);
      $('message').textContent = ok ? verdict : 'The replay did not verify' + (problem ? ': ' + problem : '.');
      if (MolfoOnline.state.present) $('watch-table').hidden = false;
    },
  };
})();
