// Keeps the page's files so that the page opens and works offline. Each
// request goes to the network first, so a new build is seen at once; the kept
// copy answers when the network does not.
'use strict';
const CACHE = 'kelvra-page';
const FILES = ['./', 'index.html', 'kelvra.css', 'kelvra-page.js', 'kelvra-core.js', 'kelvra.webmanifest',
               'kelvra.svg', 'kelvra.png'];

self.addEventListener('install', event => {
  event.waitUntil(caches.open(CACHE).then(cache => cache.addAll(FILES)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', event => {
  event.waitUntil(self.clients.claim());
});

async function networkFirst(request) {
  const cache = await caches.open(CACHE);
  try {
    const response = await fetch(request);
    if (response.ok) await cache.put(request, response.clone());
    return response;
  } catch (e) {
    const kept = await cache.match(request, { ignoreSearch: true });
    if (kept) return kept;
    throw e;
  }
}

self.addEventListener('fetch', event => {
  const request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin) return;
  event.respondWith(networkFirst(request));
});
