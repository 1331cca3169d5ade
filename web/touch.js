// The touch controls: a stick for the arrows and buttons for fire (Z),
// use item (X), next item (C) and start (Shift), each finger on its own
// (pointer events), so moving and firing go together. They hand the game's
// actions to the program, which feeds them into the same key latch as the
// keyboard: a game played by touch records and replays as any other.
var MolfoTouch = (function() {
  'use strict';
  // The stick counts a direction from this share of its radius on.
  var DEAD = 0.3;

  function Touch(root, send) {
    this.root = root;
    this.send = send;  // function(action, down)
    this.held = {};    // action -> the pointers holding it
    var self = this;
    root.querySelectorAll('[data-action]').forEach(function(el) { self.button(el, el.getAttribute('data-action')); });
    this.stick(root.querySelector('#stick'));
  }

  Touch.prototype.set = function(action, pointer, down) {
    var by = this.held[action] || (this.held[action] = {});
    var was = Object.keys(by).length > 0;
    if (down) by[pointer] = true; else delete by[pointer];
    var now = Object.keys(by).length > 0;
    if (was !== now) this.send(action, now);
  };

  Touch.prototype.button = function(el, action) {
    var self = this;
    el.addEventListener('pointerdown', function(e) {
      e.preventDefault();
      el.setPointerCapture(e.pointerId);
      el.classList.add('on');
      self.set(action, e.pointerId, true);
    });
    var up = function(e) {
      el.classList.remove('on');
      self.set(action, e.pointerId, false);
    };
    el.addEventListener('pointerup', up);
    el.addEventListener('pointercancel', up);
    el.addEventListener('lostpointercapture', up);
  };

  Touch.prototype.stick = function(el) {
    var self = this, knob = el.querySelector('.knob'), pointer = null;
    var dirs = {left: false, right: false, up: false, down: false};
    var move = function(e) {
      var r = el.getBoundingClientRect();
      var radius = r.width / 2;
      var dx = (e.clientX - r.left - radius) / radius, dy = (e.clientY - r.top - radius) / radius;
      var len = Math.hypot(dx, dy);
      if (len > 1) { dx /= len; dy /= len; }
      knob.style.transform = 'translate(' + dx * radius * 0.6 + 'px,' + dy * radius * 0.6 + 'px)';
      var want = {left: dx < -DEAD, right: dx > DEAD, up: dy < -DEAD, down: dy > DEAD};
      Object.keys(want).forEach(function(d) {
        if (want[d] !== dirs[d]) { dirs[d] = want[d]; self.set(d, 'stick', want[d]); }
      });
    };
    var end = function(e) {
      if (e.pointerId !== pointer) return;
      pointer = null;
      el.classList.remove('on');
      knob.style.transform = '';
      Object.keys(dirs).forEach(function(d) { if (dirs[d]) { dirs[d] = false; self.set(d, 'stick', false); } });
    };
    el.addEventListener('pointerdown', function(e) {
      e.preventDefault();
      if (pointer !== null) return;
      pointer = e.pointerId;
      el.setPointerCapture(e.pointerId);
      el.classList.add('on');
      move(e);
    });
    el.addEventListener('pointermove', function(e) { if (e.pointerId === pointer) move(e); });
    el.addEventListener('pointerup', end);
    el.addEventListener('pointercancel', end);
    el.addEventListener('lostpointercapture', end);
  };

  return Touch;
})();
