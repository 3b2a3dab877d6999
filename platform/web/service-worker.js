// Zorvanel's service worker: keeps the page, its scripts, manifest and icons, so that a page
// played once plays again without the network, and lets a new build's page in once a page asks.
"use strict";
// scripts/build-web writes these: the build's name, from the contents of the files it keeps
// (the first 16 hex digits of the SHA-256 of them in this order), and those files.
const BUILD = "@BUILD@";
const FILES = [@FILES@];
// One set of caches for each copy of the game: a host may keep several, in several folders.
const PREFIX = "zorvanel " + self.registration.scope + " ";
const CACHE = PREFIX + BUILD;

// Whether every response is one to keep: a redirected one would not answer a page's load.
const keepable = responses => responses.every(response => response.ok && !response.redirected);

// The files, fetched in one way, and whether they make up this build.
async function fetchAll(mode) {
  const responses = await Promise.all(FILES.map(file => fetch(file, {cache: mode})));
  if (!keepable(responses))
    return [responses, false];
  const bodies = await Promise.all(responses.map(response => response.clone().arrayBuffer()));
  const all = new Uint8Array(bodies.reduce((sum, body) => sum + body.byteLength, 0));
  bodies.reduce((at, body) => (all.set(new Uint8Array(body), at), at + body.byteLength), 0);
  const hash = new Uint8Array(await crypto.subtle.digest("SHA-256", all));
  const hex = Array.from(hash, byte => byte.toString(16).padStart(2, "0")).join("");
  return [responses, hex.slice(0, 16) === BUILD];
}

// On a first visit the browser's cache holds the page's own files, which then cost nothing
// more. Where it holds an older build's, the host's files are fetched again. Only this build is
// kept: a host that lacks some of its files, moves them, rewrites them or holds an upload caught
// halfway leaves nothing kept, and the browser tries again at a later visit.
self.addEventListener("install", event => event.waitUntil((async () => {
  let [responses, whole] = await fetchAll("default");
  if (!whole)
    [responses, whole] = await fetchAll("reload");
  if (!whole)
    throw new Error("Zorvanel's files here are not all of build " + BUILD);
  const cache = await caches.open(CACHE);
  await Promise.all(FILES.map((file, i) => cache.put(file, responses[i])));
})()));

// A new build waits until a page that has all its own files (at its first frame) lets it in:
// no page then runs one build's page with another's game. A page whose host did not give it
// the worker asks whether the host still serves the game.
self.addEventListener("message", event => {
  if (event.data === "take over")
    self.skipWaiting();
  else if (event.data === "still served?")
    event.waitUntil(withdrawnByHost());
});

// The build that takes over deletes the caches of the builds before it, in its folder only.
self.addEventListener("activate", event => event.waitUntil(caches.keys().then(names =>
  Promise.all(names.filter(name => name.startsWith(PREFIX) && name !== CACHE)
    .map(name => caches.delete(name))))));

// A host that took the game down answers that it has no worker here: this one goes then, with
// its folder's caches, and the next visit gets whatever the host serves. A host that does not
// answer (offline, or down) leaves the game kept.
async function withdrawnByHost() {
  const answer = await fetch("service-worker.js", {method: "HEAD", cache: "no-store"})
    .catch(() => null);
  if (!answer || (answer.status !== 404 && answer.status !== 410))
    return;
  const names = await caches.keys();
  await Promise.all(names.filter(name => name.startsWith(PREFIX)).map(name => caches.delete(name)));
  self.registration.unregister();  // which waits for this event's end: not waited for here
}

// The kept files come from the cache (the folder itself is its index.html, and a host's query
// is left out); anything else, and a file the cache has lost, from the network. Matching never
// opens the cache, which would make it anew once the host has taken the game down.
self.addEventListener("fetch", event => {
  const url = new URL(event.request.url);
  url.search = url.hash = "";
  const scope = self.registration.scope;
  const file = url.href === scope ? "index.html" : url.href.slice(scope.length);
  if (event.request.method !== "GET" || !url.href.startsWith(scope) || !FILES.includes(file))
    return;
  event.respondWith(caches.match(file, {cacheName: CACHE})
    .then(kept => kept || fetch(event.request)));
});
