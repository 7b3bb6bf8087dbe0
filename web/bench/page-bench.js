// Times the page on a large text in headless Chromium, against kelvra-format
// on the same text, and probes how late the page's own timers and frames come
// while the worker formats. Run by hand after `make web` and a build of
// kelvra-format:
//
//   node web/bench/page-bench.js [SQL file] [runs]
//
// Environment: KELVRA_FORMAT (default build/bin/kelvra-format).
'use strict';
const fs = require('node:fs');
const path = require('node:path');
const { execFileSync } = require('node:child_process');
const { openPage } = require('../test/browser');

const root = path.resolve(__dirname, '../..');
const input = process.argv[2] || path.resolve(root, '../shared/bench/mixed_1mb.sql');
const runs = Number(process.argv[3] || 5);
const kelvraFormat = process.env.KELVRA_FORMAT || path.join(root, 'build/bin/kelvra-format');

function median(values) {
  const s = [...values].sort((a, b) => a - b);
  return s[Math.floor(s.length / 2)];
}

function timeKelvraFormat() {
  const times = [];
  for (let i = 0; i < runs; i++) {
    const t0 = process.hrtime.bigint();
    execFileSync(kelvraFormat, [input], { stdio: ['ignore', 'ignore', 'inherit'], maxBuffer: 1 << 28 });
    times.push(Number(process.hrtime.bigint() - t0) / 1e6);
  }
  return times;
}

// One run started with the button. While it runs, a timer asks to be called
// every 10 ms and every frame is noted; the largest delay of each is kept.
// The run ends when the whole result is on the screen (the frame after its
// last block); its first screen shows earlier.
function timedRun() {
  return new Promise(resolve => {
    const body = document.body;
    const before = Number(body.dataset.runs || 0);
    let timerLate = 0, frameGap = 0, lastFrame = performance.now(), expected = performance.now() + 10;
    let done = false;
    const tick = () => {
      const now = performance.now();
      timerLate = Math.max(timerLate, now - expected);
      expected = now + 10;
      if (!done) setTimeout(tick, 10);
    };
    const frame = now => {
      frameGap = Math.max(frameGap, now - lastFrame);
      lastFrame = now;
      if (!done) requestAnimationFrame(frame);
    };
    setTimeout(tick, 10);
    requestAnimationFrame(frame);
    performance.clearMarks();
    const t0 = performance.now();
    document.getElementById('runButton').click();
    const wait = () => {
      if (Number(body.dataset.runs || 0) === before) { setTimeout(wait, 1); return; }
      requestAnimationFrame(() => setTimeout(() => {
        done = true;
        const result = document.getElementById('result');
        const shown = performance.getEntriesByName('kelvra-result-shown')[0];
        resolve({
          total: performance.now() - t0,
          firstScreen: shown.startTime - t0,
          core: Number(result.dataset.coreMs),
          timerLate, frameGap,
          length: result.textContent.length
        });
      }, 0));
    };
    wait();
  });
}

(async () => {
  const text = fs.readFileSync(input, 'utf8').replace(/\r\n?/g, '\n');
  const native = timeKelvraFormat();
  const { page, close } = await openPage();
  await page.waitForSelector('body[data-warm=true]');
  await page.evaluate(() => {
    window.longTasks = [];
    new PerformanceObserver(list => list.getEntries().forEach(e => window.longTasks.push(Math.round(e.duration))))
      .observe({ entryTypes: ['longtask'] });
  });
  const results = [];
  for (let i = 0; i < runs; i++) {
    // The text goes in as a user's paste would leave it: in the editable text area, laid out.
    if (await page.isVisible('#editButton')) await page.click('#editButton');
    await page.$eval('#source', (e, t) => { e.value = t; }, text);
    await page.evaluate(() => new Promise(r => requestAnimationFrame(() => setTimeout(r, 50))));
    await page.evaluate(() => { window.longTasks = []; });
    const r = await page.evaluate(timedRun);
    r.longTasks = await page.evaluate(() => window.longTasks);
    results.push(r);
  }
  await close();

  const first = results[0];
  const later = results.slice(1);
  const show = ms => ms.toFixed(0) + ' ms';
  const stats = values => `median ${show(median(values))}, best ${show(Math.min(...values))}`;
  const nativeMs = median(native), nativeBest = Math.min(...native);
  const total = later.map(r => r.total), core = later.map(r => r.core);
  console.log(`input: ${path.basename(input)}, ${fs.statSync(input).size} bytes, ${runs} runs`);
  console.log(`kelvra-format (whole process): ${stats(native)} [${native.map(show).join(', ')}]`);
  console.log(`page, first run: ${show(first.total)} to the result on screen, core ${show(first.core)} in the worker`);
  console.log(`page, later runs, to the result on screen: ${stats(total)} [${total.map(show).join(', ')}]`);
  console.log(`page, later runs, core in the worker: ${stats(core)}`);
  console.log(`page, first screen of the result: first run ${show(first.firstScreen)}, ` +
              `later runs ${stats(later.map(r => r.firstScreen))}`);
  console.log(`ratio to kelvra-format: first run ${(first.total / nativeMs).toFixed(1)}x, ` +
              `later runs ${(median(total) / nativeMs).toFixed(1)}x by medians, ` +
              `${(Math.min(...total) / nativeBest).toFixed(1)}x by best times`);
  console.log('long tasks on the main thread per run (ms): ' + results.map(r => '[' + r.longTasks.join(' ') + ']').join(' '));
  console.log(`while running: timer late by at most ${show(Math.max(...results.map(r => r.timerLate)))}, ` +
              `longest frame gap ${show(Math.max(...results.map(r => r.frameGap)))}`);
})();
