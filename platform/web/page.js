// Zorvanel's page at work: loads the game, hands it keys, taps and clicks, says what it shows.
  "use strict";
  const statusLine = document.getElementById("status");
  const alertLine = document.getElementById("alert");
  const shownLine = document.getElementById("shown");
  const canvas = document.getElementById("canvas");
  const controls = document.getElementById("controls");
  const spinButton = document.getElementById("spin");
  const quitButton = document.getElementById("quit");
  const againButton = document.getElementById("again");
  // The page's parts, packed gzipped (platform/web/pack.py): the game's script, its wasm, and
  // the pictures with the font. Served, the page fetches each pack as it is and compiles the
  // wasm while it streams in; from disk, or in a frame whose origin is opaque, where it may
  // fetch nothing, it runs the game's script itself and the scripts that hold the other packs
  // in base64.
  const served = /^https?:$/.test(location.protocol) && self.origin !== "null";
  const GAME = [served ? "zorvanel-game.bin" : "zorvanel.js", "the game itself"];
  const WASM = [served ? "zorvanel-wasm.bin" : "zorvanel-wasm.js", "the game itself"];
  const DATA = [served ? "zorvanel-data.bin" : "zorvanel-data.js", "its pictures and font"];
  // The game's SDL listens for keys here; the page hands it the keys that are the game's.
  const gameKeys = new EventTarget();
  const framed = window.parent !== window;  // inside a host's page, which may keep the keys
  let loading = true, running = true, failed = false, lastLine = "", unopened = "";
  let score = "";  // the game's score line, as a sentence

  // A failure is an alert, said at once; anything else is said once it changes, politely.
  function say(text, failure) {
    const [line, other] = failure ? [alertLine, statusLine] : [statusLine, alertLine];
    if (line.textContent !== text)
      line.textContent = text;
    other.textContent = "";
    canvas.className = running && Module.frames ? "" : "idle";
  }

  // What the status line says while the game runs: what the reels show and the score, or in a
  // host's frame without the keys, how to give them to the game.
  function sayPlaying() {
    if (running && Module.frames)
      say(framed && !document.hasFocus() ? "Click or tap the game to play it with keys."
        : shownLine.textContent);
  }
  window.addEventListener("focus", sayPlaying);
  window.addEventListener("blur", sayPlaying);

  function cannotLoad(file, what, how) {
    cannotPlay("Zorvanel could not load: " + file + ", " + what + ", " + how + ".");
  }
  function cannotPlay(why) {
    Module.noInitialRun = true;  // the game does not start without all its parts
    if (failed)
      return;
    running = false;
    failed = true;
    spinButton.hidden = quitButton.hidden = true;
    say(why, true);
  }

  // The largest whole number of device pixels per game pixel at which the game, its controls
  // and the status line fit in the window; how to play and the points come below, by scrolling.
  function fit() {
    const ratio = window.devicePixelRatio || 1;
    const style = getComputedStyle(document.body);
    const game = canvas.getBoundingClientRect();
    const below = statusLine.getBoundingClientRect().bottom - game.bottom;
    const width = document.documentElement.clientWidth - parseFloat(style.paddingLeft)
      - parseFloat(style.paddingRight);
    const height = window.innerHeight - (game.top + window.scrollY) - below
      - parseFloat(style.paddingBottom);
    const room = Math.min(width / 430, height / 240);
    const pixels = Math.max(1, Math.floor(room * ratio + 1e-6));
    document.documentElement.style.setProperty("--scale", pixels / ratio);
  }
  // Moved to a screen of another density, the page may not be resized: watch the density too.
  function fitAndWatch() {
    fit();
    matchMedia("(resolution: " + (window.devicePixelRatio || 1) + "dppx)")
      .addEventListener("change", fitAndWatch, {once: true});
  }
  fitAndWatch();
  document.documentElement.className = "";  // fitted: the page shows, and stays in place
  window.addEventListener("resize", fit);

  // Keys go to the game once it shows, and do nothing to the page (no scrolling), except Tab,
  // which moves between the controls, Enter or Space on a control, which presses it, and the
  // browser's own: a key with Ctrl, Alt or Meta held (but those keys' own presses, which spin as
  // on the desktop, and AltGr's characters), and the keys of BROWSER_KEYS.
  // Until the first frame every key is the browser's, while the page says the game is loading.
  // A key held down spins once, as on the desktop.
  const BROWSER_KEYS = [  // by the key's name, or how it starts
    /^F\d+$/,  // help, find again, the address bar, caret browsing, the menu bar...
    /^ContextMenu$/,
    /^(Browser|Launch)/,  // back, home, search; the mail app, the calculator
    /^(Audio|Microphone|Media)/,  // volume, mute, play, the next track
    /^(Power|WakeUp|Standby|Hibernate|LogOff|Eject|PrintScreen|Brightness)/,  // the system's
  ];
  const MODIFIERS = ["Control", "Alt", "Meta", "Shift", "AltGraph", "OS"];
  function pageKey(event) {
    return event.key === "Tab" || BROWSER_KEYS.some(kept => kept.test(event.key)) ||
      (event.target instanceof HTMLButtonElement && (event.key === "Enter" || event.key === " ")) ||
      ((event.ctrlKey || event.altKey || event.metaKey) && !MODIFIERS.includes(event.key) &&
       !event.getModifierState("AltGraph"));
  }
  for (const type of ["keydown", "keyup"]) {
    document.addEventListener(type, function (event) {
      if (!running || !Module.frames || pageKey(event))
        return;
      event.preventDefault();
      if (!event.repeat)
        gameKeys.dispatchEvent(new KeyboardEvent(type, {key: event.key, code: event.code,
          keyCode: event.keyCode, location: event.location, shiftKey: event.shiftKey,
          ctrlKey: event.ctrlKey, altKey: event.altKey, metaKey: event.metaKey}));
    });
  }

  // A tap, a click or a control is a key for the game, whose own rules then decide.
  function pressForGame(key, code, keyCode) {
    for (const type of ["keydown", "keyup"])
      gameKeys.dispatchEvent(new KeyboardEvent(type, {key: key, code: code, keyCode: keyCode}));
  }
  canvas.addEventListener("pointerdown", function (event) {
    canvas.focus({preventScroll: true});  // and so the keys, inside a host's frame
    if (running && event.isPrimary && event.button === 0)
      pressForGame(" ", "Space", 32);
  });
  spinButton.addEventListener("click", () => pressForGame(" ", "Space", 32));
  quitButton.addEventListener("click", () => pressForGame("q", "KeyQ", 81));
  againButton.addEventListener("click", () => location.reload());
  for (const element of [canvas, controls])
    element.addEventListener("contextmenu", event => event.preventDefault());

  function gameOver(code) {
    running = false;
    document.body.dataset.status = code;
    spinButton.hidden = quitButton.hidden = true;
    if (failed)
      return;
    if (code === 0) {
      againButton.hidden = false;
      say("Game over. " + score + " Thanks for playing!");
      againButton.focus({preventScroll: true});
      return;
    }
    // What failed, from the file the game could not open, or else from its own last line.
    const why = unopened ? unopened + " is missing or broken"
      : lastLine ? lastLine.replace(/^Unable to /, "unable to ")
      : "it ended with status " + code;
    say("Zorvanel " + (Module.frames ? "has stopped" : "could not start") + ": " + why + ".",
      true);
  }

  // A fault in the game stops it; the page says so rather than playing on silently. While the
  // scripts load, the loader names the one that failed.
  window.addEventListener("error", function (event) {
    if (loading || !running)
      return;
    running = false;
    say("Zorvanel has stopped: " + event.message, true);
  });

  // Once the game shows, the page becomes an app to install, and its service worker keeps the
  // page's files, so that it plays again without the network; a newer build's worker, waiting,
  // is let in now that this page has all its files. From disk (where the browser would refuse
  // the manifest, saying so), in a sandboxed frame (an opaque origin), or where the browser
  // allows no service worker, the page plays as it always has, without a word.
  function keepForOffline() {
    if (!/^https?:$/.test(location.protocol))
      return;
    const manifest = document.createElement("link");
    manifest.rel = "manifest";
    manifest.href = "manifest.webmanifest";
    document.head.appendChild(manifest);
    let workers;
    try {
      workers = self.origin !== "null" && navigator.serviceWorker;
    } catch (error) {
      return;  // refused by the browser's settings
    }
    if (!workers)
      return;
    const letIn = worker => worker && worker.postMessage("take over");
    const whenInstalled = worker => worker && worker.addEventListener("statechange",
      () => worker.state === "installed" && letIn(worker));
    workers.register("service-worker.js").then(function (registration) {
      letIn(registration.waiting);
      whenInstalled(registration.installing);
      registration.addEventListener("updatefound", () => whenInstalled(registration.installing));
      if (workers.controller)  // the host may have a newer build, or have taken the game down
        return registration.update().catch(() => workers.controller.postMessage("still served?"));
    }).catch(() => {});  // not kept (offline, or refused): this visit plays all the same
  }

  var Module = {
    canvas: canvas,
    keyboardListeningElement: gameKeys,
    print: function (line) {
      console.log(line);
      if (line !== "SDL_Quit called (and ignored)")  // the browser's SDL, on the game's way out
        lastLine = line;
    },
    // The wasm, compiled while the game's script loads, is started with the script's imports.
    instantiateWasm: function (imports, started) {
      wasm.then(module => WebAssembly.instantiate(module, imports).then(
        instance => started(instance, module), unloadable(WASM)), () => {});  // said below
      return {};  // its exports come to started
    },
    // The pictures and the font go into the game's files before it starts; the browser decodes
    // the pictures, which is how the browser's SDL reads them.
    preRun: [function () {
      if (failed)
        return;  // and the game does not start
      Module.addRunDependency(DATA[0]);
      files.then(function (all) {
        for (const [name, bytes] of all) {
          Module.addRunDependency(name);
          Module.FS_createPreloadedFile("/", name, bytes, true, false,
            () => Module.removeRunDependency(name),
            () => Module.removeRunDependency(name));  // the game finds the picture missing
        }
        Module.removeRunDependency(DATA[0]);
      }, () => {});  // said where it failed
    }],
    // The game's reels, by their symbols' names, and its score line, when either changes.
    gameShows: function (names, scoreLine) {
      score = scoreLine.replace(/:\s*/, " ") + ".";
      shownLine.textContent = names.join(", ") + ". " + score;
      sayPlaying();
    },
    gameCouldNotOpen: function (file) {
      unopened = unopened || file;
    },
    framePresented: function () {
      Module.frames = (Module.frames || 0) + 1;
      if (Module.frames === 1) {
        Module.firstFrameAt = performance.now();
        spinButton.disabled = quitButton.disabled = false;
        sayPlaying();  // and the game shows in full
        keepForOffline();
      }
    },
    onExit: gameOver,
    onAbort: function (what) {
      if (!Module.frames)  // the game would not start
        cannotLoad(GAME[0], GAME[1], "is broken");
      else if (running)
        say("Zorvanel has stopped: " + what, true);
      running = false;
    },
  };

  // Runs one of the page's scripts; fails, saying how, when it is missing.
  function run(file) {
    return new Promise(function (ran, fails) {
      const script = document.createElement("script");
      script.src = file;
      script.onload = ran;
      script.onerror = () => fails("is missing");
      document.body.appendChild(script);
    });
  }

  // A pack's bytes as they unzip (a stream, or all at once where fflate unzips), or a failure
  // that says how the pack is missing or broken.
  function unpacked([file]) {
    const packed = served
      ? fetch(file).then(response => response.ok ? response : Promise.reject("is missing"),
                         () => Promise.reject("is missing"))
      : run(file).then(function () {
          const text = (self.zorvanelPacks || {})[file.replace(/[.]js$/, "")];
          if (typeof text !== "string")
            throw "is broken";
          return new Response(Uint8Array.from(atob(text), c => c.charCodeAt(0)));
        });
    return packed.then(response => inflater ? Promise.all([inflater, response.arrayBuffer()])
      .then(([fflate, bytes]) => fflate.gunzipSync(new Uint8Array(bytes)))
      : response.body.pipeThrough(new DecompressionStream("gzip")))
      .catch(how => Promise.reject(typeof how === "string" ? how : "is broken"));
  }
  // What to do when a part cannot load: say so, naming it.
  function unloadable([file, what]) {
    return how => cannotLoad(file, what, typeof how === "string" ? how : "is broken");
  }

  // A browser without WebAssembly or the promises and text this page uses cannot play, nor one
  // that does not know the page's policy's 'wasm-unsafe-eval' (before 2022), which refuses to
  // compile or start any wasm, as an empty module shows; one without DecompressionStream (before
  // 2023 in Firefox and Safari) plays with fflate's inflater, which only it fetches.
  const INFLATER = ["fflate.js", "what unzips the game in this browser"];
  const TOO_OLD = "This browser is too old for Zorvanel: a browser from 2022 or later plays it.";
  function compiles() {
    try {
      const empty = new WebAssembly.Module(new Uint8Array([0, 97, 115, 109, 1, 0, 0, 0]));
      return !!new WebAssembly.Instance(empty);
    } catch (refused) {
      return false;
    }
  }
  const tooOld = !self.WebAssembly || !Promise.allSettled || !self.TextDecoder || !compiles();
  const inflater = tooOld || "DecompressionStream" in self ? null
    : run(INFLATER[0]).then(() => self.fflate || Promise.reject(TOO_OLD));
  if (tooOld)
    cannotPlay(TOO_OLD);
  else if (inflater)
    inflater.catch(how => how === TOO_OLD ? cannotPlay(how) : unloadable(INFLATER)(how));

  const wasm = unpacked(WASM).then(function (stream) {
    const response = new Response(stream, {headers: {"Content-Type": "application/wasm"}});
    return WebAssembly.compileStreaming ? WebAssembly.compileStreaming(response)
      : response.arrayBuffer().then(bytes => WebAssembly.compile(bytes));
  });
  // The pictures and the font, by name, from the pack's index line.
  const files = unpacked(DATA).then(stream => new Response(stream).arrayBuffer())
    .then(function (buffer) {
      const bytes = new Uint8Array(buffer);
      const end = bytes.indexOf(10);
      let at = end + 1;
      const all = JSON.parse(new TextDecoder().decode(bytes.subarray(0, end)))
        .map(([name, size]) => [name, bytes.subarray(at, at += size)]);
      if (end < 0 || at !== bytes.length)
        throw "is broken";
      return all;
    });
  const game = (served ? unpacked(GAME).then(stream => new Response(stream).text())
    .then(text => run(URL.createObjectURL(new Blob([text], {type: "text/javascript"}))))
    : run(GAME[0])).then(() => "FS_createPreloadedFile" in Module || Promise.reject("is broken"));
  wasm.catch(unloadable(WASM));
  files.catch(unloadable(DATA));
  game.catch(unloadable(GAME));
  Promise.allSettled([wasm, files, game]).then(() => loading = false);
