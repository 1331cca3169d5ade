// The page's service worker: one cache per build, named by the build's
// hash. It is filled whole with what the title needs before this worker
// takes over (the page adds the rest as it fetches it), and the caches of
// other builds go only once this one is in charge, so a page never mixes
// the files of two builds. Files of this build are served from the cache
// first: a second visit starts at once, and offline.
'use strict';
var BUILD = '@MOLFO_BUILD@';
var CACHE = 'molfo-' + BUILD;
var SHELL = @MOLFO_SHELL@;

self.addEventListener('install', function(event) {
  event.waitUntil(caches.open(CACHE).then(function(cache) {
    return Promise.all(SHELL.map(function(url) {
      // Files named by their hash are the same wherever they come from; the
      // page itself is asked of the server afresh.
      var page = url === './' || url === 'index.html';
      return fetch(url, {cache: page ? 'no-cache' : 'default'}).then(function(r) {
        if (!r.ok) throw new Error(url + ': ' + r.status);
        if (!page) return cache.put(url, r);
        // The page itself must be this build's, or the cache would mix two.
        return r.clone().text().then(function(text) {
          if (text.indexOf('content="' + BUILD + '"') < 0) throw new Error('the page is of another build');
          return cache.put(url, r);
        });
      });
    }));
  }).catch(function(e) {
    // A half-filled cache is never used: it goes, and the install fails.
    return caches.delete(CACHE).then(function() { throw e; });
  }));
});

self.addEventListener('activate', function(event) {
  event.waitUntil(caches.keys().then(function(names) {
    return Promise.all(names.filter(function(n) { return n.indexOf('molfo-') === 0 && n !== CACHE; })
      .map(function(n) { return caches.delete(n); }));
  }).then(function() { return self.clients.claim(); }));
});

self.addEventListener('fetch', function(event) {
  var req = event.request;
  if (req.method !== 'GET' || new URL(req.url).origin !== location.origin) return;
  var scope = self.registration.scope;
  // The page's address may carry options (?language=en): it is the same page.
  var key = req.mode === 'navigate' && req.url.split('?')[0] === scope ? './' : req.url;
  if (req.mode === 'navigate' && req.url.split('?')[0] === scope + 'index.html') key = 'index.html';
  event.respondWith(caches.open(CACHE).then(function(cache) {
    return cache.match(key).then(function(hit) {
      // Offline, a file not kept is an answer the page waits out, not an error.
      return hit || fetch(req).catch(function() { return new Response(null, {status: 503, statusText: 'Offline'}); });
    });
  }));
});
