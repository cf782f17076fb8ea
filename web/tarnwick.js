// tarnwick's platform layer in the browser: data into the virtual file system, frames onto
// the canvas, the soundtrack through Web Audio as the clock, and the deterministic test mode.
"use strict";

(function () {
  const W = 320, H = 240;
  const params = new URLSearchParams(location.search);
  const testMode = params.has("test");
  const canvas = document.getElementById("screen");
  const stage = document.getElementById("stage");
  const card = document.getElementById("card");
  const replayButton = document.getElementById("replay");
  const noticeBox = document.getElementById("notice");
  const ctx2d = canvas.getContext("2d", { alpha: false });
  let core = null;

  // Test mode keeps every console error and warning, and every uncaught error, for the test.
  const consoleProblems = [];
  if (testMode) {
    for (const level of ["error", "warn"]) {
      const original = console[level].bind(console);
      console[level] = (...args) => {
        consoleProblems.push(args.map(String).join(" "));
        original(...args);
      };
    }
    window.addEventListener("error", (e) => {
      consoleProblems.push("error: " + (e.message || (e.target && (e.target.src || e.target.href))));
    }, true);
    window.addEventListener("unhandledrejection", (e) => {
      consoleProblems.push("unhandled rejection: " + e.reason);
    });
  }

  // ---- notices: a line on the console and on the page; the presentation goes on ----------
  const noticeLines = [];
  function notice(text, isError = true) {
    (isError ? console.error : console.warn)("tarnwick: " + text);
    if (noticeLines.length === 6) noticeLines.push("…");
    if (noticeLines.length < 6) noticeLines.push(text);
    noticeBox.textContent = noticeLines.join("\n");
    noticeBox.hidden = false;
  }

  // ---- picture: integer scale, crisp pixels, black bars ------------------------------------
  function fit() {
    const dpr = window.devicePixelRatio || 1;
    const k = Math.max(1, Math.floor(Math.min(stage.clientWidth * dpr / W,
                                              stage.clientHeight * dpr / H)));
    canvas.style.width = (W * k / dpr) + "px";
    canvas.style.height = (H * k / dpr) + "px";
  }
  window.addEventListener("resize", fit);
  document.addEventListener("fullscreenchange", fit);
  fit();

  let image = null;
  function blit() {
    const buffer = core.HEAPU8.buffer;
    if (!image || image.data.buffer !== buffer) {
      image = new ImageData(new Uint8ClampedArray(buffer, core._tw_rgba(), W * H * 4), W, H);
    }
    ctx2d.putImageData(image, 0, 0);
  }

  function toggleFullscreen() {
    if (document.fullscreenElement) document.exitFullscreen();
    else if (stage.requestFullscreen) stage.requestFullscreen().catch(() => {});
  }
  document.getElementById("fullscreen").addEventListener("click", toggleFullscreen);
  stage.addEventListener("dblclick", toggleFullscreen);
  document.addEventListener("keydown", (e) => {
    if (e.key === "Escape" && document.fullscreenElement) document.exitFullscreen();
  });

  // ---- WebAssembly SIMD: the core needs it ---------------------------------------------------
  function simdSupported() {
    if (params.has("nosimd")) return false; // lets the notice be seen without such a browser
    try {
      // (func (result v128) i32.const 0 i8x16.splat i8x16.popcnt)
      return typeof WebAssembly === "object" && WebAssembly.validate(new Uint8Array([
        0, 97, 115, 109, 1, 0, 0, 0, 1, 5, 1, 96, 0, 1, 123, 3, 2, 1, 0, 10, 10, 1, 8, 0, 65, 0,
        253, 15, 253, 98, 11]));
    } catch (e) {
      return false;
    }
  }

  // ---- data: each forged file is served gzipped and inflated into the file system ----------
  async function fetchBytes(url, gzipped) {
    const response = await fetch(url);
    if (!response.ok) throw new Error("HTTP " + response.status);
    if (!gzipped) return new Uint8Array(await response.arrayBuffer());
    const stream = response.body.pipeThrough(new DecompressionStream("gzip"));
    return new Uint8Array(await new Response(stream).arrayBuffer());
  }

  async function loadData() {
    core.FS.mkdir("data");
    let names = [];
    try {
      const text = new TextDecoder().decode(await fetchBytes("data/files.txt", false));
      names = text.split("\n").map((s) => s.trim()).filter((s) => s && !s.includes("/"));
    } catch (e) {
      notice("cannot read the list of data files (data/files.txt: " + e.message + ")");
    }
    await Promise.all(names.map(async (name) => {
      try {
        core.FS.writeFile("data/" + name, await fetchBytes("data/" + name + ".gz", true));
      } catch (e) {
        notice("cannot load data/" + name + " (" + e.message + "); the presentation goes on");
      }
    }));
    try {
      core.FS.writeFile("tarnwick.syncs", await fetchBytes("tarnwick.syncs", false));
    } catch (e) {
      notice("cannot load the sync list tarnwick.syncs (" + e.message + ")");
    }
  }

  // ---- sound: Web Audio plays the soundtrack and is the demo clock -------------------------
  let audio = null;      // AudioContext
  let track = null;      // decoded AudioBuffer, or null (then a silent clock)
  let source = null;
  let startedAt = 0;     // audio-context time of demo time 0
  let silentStart = 0;   // performance.now() of demo time 0 without sound

  // Decoded ahead of the click on an offline context (no output, so no autoplay warning);
  // the live context is made on the click, when the browser allows sound.
  async function prepareSound() {
    try {
      const bytes = await fetchBytes("tarnwick.ogg", false);
      track = await new OfflineAudioContext(2, 1, 48000).decodeAudioData(bytes.buffer);
    } catch (e) {
      track = null;
      notice("cannot play the soundtrack tarnwick.ogg (" + (e.message || e) +
             "); the picture runs without sound");
    }
  }

  // Seconds of the soundtrack being heard now: the context's output timestamp carried
  // forward to this moment, so that output latency is accounted for.
  function soundClock() {
    if (!track) return (performance.now() - silentStart) / 1000;
    let t = audio.currentTime - (audio.outputLatency || audio.baseLatency || 0);
    if (audio.getOutputTimestamp) {
      const ts = audio.getOutputTimestamp();
      if (ts.contextTime > 0) t = ts.contextTime + (performance.now() - ts.performanceTime) / 1000;
    }
    return t - startedAt;
  }

  async function startSound() {
    if (!track) {
      silentStart = performance.now();
      return;
    }
    if (!audio) audio = new AudioContext({ latencyHint: "playback" });
    await audio.resume();
    source = audio.createBufferSource();
    source.buffer = track;
    source.connect(audio.destination);
    startedAt = audio.currentTime + 0.1;
    source.start(startedAt);
  }

  function stopSound() {
    if (source) {
      try { source.stop(); } catch (e) { /* already stopped */ }
      source = null;
    }
  }

  // ---- the live presentation ------------------------------------------------------------
  let lastTime = -1;
  let liveReported = false;
  function frameLoop() {
    const t = soundClock();
    // Before the sound starts, or when the clock has not moved, the canvas keeps its frame.
    if (t > 0 && t > lastTime) {
      lastTime = t;
      const ended = core._tw_frame(t) !== 0;
      blit();
      if (ended) {
        stopSound();
        replayButton.hidden = false;
        return;
      }
      // ?autostart&report=1: after five seconds of sound and a few frames, tell the test
      // where the clock is (a busy machine can stall the audio clock for seconds at first).
      if (params.has("report") && !liveReported && t >= 5 && core._tw_frame_count() > 10) {
        liveReported = true;
        fetch("/result", { method: "POST", body: JSON.stringify({
          live: true, sound: !!track, clockSeconds: t, demoSeconds: core._tw_demo_time(),
          frames: core._tw_frame_count(), notices: noticeLines.slice() }) });
      }
    }
    requestAnimationFrame(frameLoop);
  }

  let soundReady = null; // the promise of prepareSound
  async function play() {
    card.querySelector("span").textContent = "loading the sound…";
    await soundReady;
    card.hidden = true;
    replayButton.hidden = true;
    core._tw_start(0);
    lastTime = -1;
    await startSound();
    requestAnimationFrame(frameLoop);
  }

  function showTitle() {
    if (core._tw_title_picture()) blit();
    card.hidden = false;
    card.addEventListener("click", play, { once: true });
    // ?autostart plays without the click where the browser allows it (a kiosk, a check).
    if (params.has("autostart")) card.click();
  }
  replayButton.addEventListener("click", () => {
    stopSound();
    play();
  });

  // ---- test mode: a fixed clock, frame hashes handed back -------------------------------
  // ?test[&fps=60][&frames=a,b,...][&to=SECONDS][&report=1]: runs the timeline at 1/fps steps
  // as fast as it can, records the hash of each listed frame (frame k shows demo time k/fps),
  // then shows the results in the title and window.tarnwickResult and, with report, POSTs
  // them to /result.
  function runTest() {
    const fps = parseInt(params.get("fps") || "60", 10);
    const wanted = new Set((params.get("frames") || "").split(",").filter(Boolean).map(Number));
    const to = parseFloat(params.get("to") || "177");
    const hashes = {};
    core._tw_start(fps);
    const wallStart = performance.now();
    let running = true;
    function chunk() {
      const until = performance.now() + 40;
      while (running && performance.now() < until) {
        const ended = core._tw_frame(0) !== 0;
        const n = core._tw_frame_count();
        if (wanted.has(n)) hashes[n] = core.UTF8ToString(core._tw_frame_hash());
        if (ended || core._tw_demo_time() >= to) running = false;
      }
      blit();
      if (running) {
        setTimeout(chunk, 0);
        return;
      }
      const wall = (performance.now() - wallStart) / 1000;
      const result = { fps, frames: core._tw_frame_count(), demoSeconds: core._tw_demo_time(),
                       wallSeconds: wall, hashes, notices: noticeLines.slice(),
                       console: consoleProblems.slice() };
      window.tarnwickResult = result;
      document.title = "tarnwick test done";
      if (params.has("report")) {
        fetch("/result", { method: "POST", body: JSON.stringify(result) });
      }
    }
    chunk();
  }

  // ---- start-up --------------------------------------------------------------------------
  async function main() {
    if (!simdSupported()) {
      notice("this browser cannot run WebAssembly SIMD, which tarnwick needs; " +
             "try a current Chromium, Firefox or Safari");
      return;
    }
    // The core's reports: standard error holds load problems; standard output holds load
    // problems too, besides the SIV reader's size lines, which only go to the console.
    const printErr = (text) => { if (text.trim()) notice(text.trim()); };
    const print = (text) => {
      if (/^\s*(len|tmplen): \d+\s*$/.test(text) || !text.trim()) console.log(text);
      else notice(text.trim());
    };
    core = await createTarnwick({ print, printErr });
    if (!testMode) soundReady = prepareSound();
    await loadData();
    if (testMode) {
      runTest();
      return;
    }
    showTitle();
  }

  main().catch((e) => notice("cannot start: " + (e && e.message ? e.message : e)));
})();
