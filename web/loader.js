// The game's data, fetched pack by pack: the title's packs before the
// program starts, the rest in the background in the order a game meets
// them, the player's language first. A file the game asks for before its
// pack is here moves that pack to the front, and the game waits for it.
// Every pack is kept in the browser's cache for this build, so a second
// visit needs no network.
var MolfoLoader = (function() {
  'use strict';
  var RETRY_FIRST_MS = 1000, RETRY_LAST_MS = 30000;

  function Loader(data, language) {
    this.data = data;
    this.cacheName = 'molfo-' + data.build;
    this.byPath = {};
    this.here = {};
    this.listeners = [];
    this.progress = null;  // function(pack, bytes), for the page's notes
    var mine = [], others = [];
    var self = this;
    data.packs.forEach(function(p) {
      p.state = 'waiting';
      p.bytes = 0;
      p.waiters = [];
      p.files.forEach(function(f) { self.byPath[f[0]] = p; });
      if (p.lang && p.lang !== language) others.push(p); else mine.push(p);
    });
    this.title = mine.filter(function(p) { return p.boot; });
    if (!this.title.some(function(p) { return p.lang; }))  // no title in that language: the game's own
      this.title = this.title.concat(data.packs.filter(function(p) { return p.boot && p.lang === 'ja'; }));
    this.order = mine.concat(others).filter(function(p) { return self.title.indexOf(p) < 0; });
  }

  Loader.prototype.cache = function() {
    if (!this.cachePromise)
      this.cachePromise = window.caches ? caches.open(this.cacheName).catch(function() { return null; }) : Promise.resolve(null);
    return this.cachePromise;
  };

  // The pack's bytes, from the cache or the network, counted as they come.
  Loader.prototype.fetchPack = function(p) {
    var self = this;
    return this.cache().then(function(cache) {
      return (cache ? cache.match(p.url) : Promise.resolve(null)).then(function(hit) {
        if (hit) return hit.arrayBuffer().then(function(b) { return new Uint8Array(b); });
        return self.download(p).then(function(bytes) {
          if (cache) cache.put(p.url, new Response(bytes, {headers: {'Content-Type': 'application/octet-stream'}}))
            .catch(function() {});
          return bytes;
        });
      });
    });
  };

  Loader.prototype.download = function(p) {
    var self = this, wait = RETRY_FIRST_MS;
    var attempt = function() {
      return fetch(p.url).then(function(r) {
        if (!r.ok) throw new Error(p.url + ': ' + r.status);
        // Counted as it comes only where someone watches: the title's packs
        // and those the game waits for; the rest in one piece.
        if (!p.boot && !p.waiters.length || !r.body || !r.body.getReader)
          return r.arrayBuffer().then(function(b) { return new Uint8Array(b); });
        var reader = r.body.getReader(), parts = [], got = 0;
        var pump = function() {
          return reader.read().then(function(step) {
            if (step.done) return;
            parts.push(step.value);
            got += step.value.length;
            p.bytes = got;
            if (self.progress) self.progress(p);
            return pump();
          });
        };
        return pump().then(function() {
          var all = new Uint8Array(got), at = 0;
          parts.forEach(function(part) { all.set(part, at); at += part.length; });
          return all;
        });
      }).catch(function(e) {
        // Offline or a server hiccup: try again, ever more slowly.
        p.retrying = true;
        if (self.progress) self.progress(p);
        return new Promise(function(ok) { setTimeout(ok, wait); }).then(function() {
          wait = Math.min(wait * 2, RETRY_LAST_MS);
          return attempt();
        });
      });
    };
    return attempt();
  };

  Loader.prototype.load = function(p) {
    if (!p.promise) {
      var self = this;
      p.state = 'loading';
      p.promise = this.fetchPack(p).then(function(bytes) {
        p.bytesData = bytes;
        p.bytes = p.size;
        p.retrying = false;
        if (self.FS) self.write(p);
        return p;
      });
    }
    return p.promise;
  };

  // Writes a pack's files into the program's file system.
  Loader.prototype.write = function(p) {
    var FS = this.FS, self = this, paths = [];
    p.files.forEach(function(f) {
      var dir = f[0].slice(0, f[0].lastIndexOf('/'));
      if (dir) FS.mkdirTree(dir);
      // The file system keeps the pack's own bytes rather than a copy.
      FS.writeFile(f[0], p.bytesData.subarray(f[1], f[1] + f[2]), {canOwn: true});
      self.here[f[0]] = true;
      paths.push(f[0]);
    });
    p.bytesData = null;
    p.state = 'done';
    p.bytes = p.size;
    p.waiters.forEach(function(w) { w(); });
    p.waiters = [];
    this.listeners.forEach(function(l) { l(paths); });
  };

  // The title's packs; resolves once they are fetched (FS may come later).
  Loader.prototype.fetchTitle = function() {
    var self = this;
    return Promise.all(this.title.map(function(p) { return self.load(p); }));
  };

  // The file system is there: write what has come, and what comes later.
  Loader.prototype.attach = function(FS) {
    var self = this;
    this.FS = FS;
    this.data.packs.forEach(function(p) { if (p.bytesData) self.write(p); });
  };

  // Fetches every other pack, one at a time so the next one needed comes
  // soonest; a pack the game waits for is fetched beside it at once.
  Loader.prototype.background = function() {
    var self = this;
    if (this.running) return;
    this.running = true;
    var next = function() {
      var p = self.order.filter(function(q) { return q.state === 'waiting'; })[0];
      if (!p) { self.running = false; if (self.onDone) self.onDone(); return; }
      self.load(p).then(next);
    };
    next();
  };

  Loader.prototype.whenAll = function() {
    var self = this;
    return Promise.all(this.data.packs.map(function(p) { return self.load(p); }));
  };

  // True when the file is in the file system, or is in no pack and never will be.
  Loader.prototype.have = function(path) {
    var p = this.byPath[path];
    return !p || p.state === 'done';
  };

  Loader.prototype.need = function(path, quiet) {
    var p = this.byPath[path], self = this;
    if (!p || p.state === 'done') return Promise.resolve();
    // Fetched at once, beside the pack on its way.
    if (p.state === 'waiting') this.load(p);
    if (!quiet && this.onWait) this.onWait(p);
    return new Promise(function(ok) {
      p.waiters.push(function() {
        if (!quiet && self.onWaited) self.onWaited(p);
        ok();
      });
    });
  };

  Loader.prototype.onFiles = function(listener) { this.listeners.push(listener); };

  return Loader;
})();
