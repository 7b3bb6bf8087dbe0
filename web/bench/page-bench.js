// Times the page against kelvra-format on the same text, side by side, for
// texts of several sizes made by repeating one SQL file. The page's time runs
// from the click on 整形実行 to the result in the editor, ready to scroll,
// select and copy. While it runs, a timer asks to be called every 10 ms and
// the longest main-thread task is noted; at the end a run is cancelled with
// Esc halfway and the time until the page has answered is taken.
// Run by hand after `make web` and a build of kelvra-format:
//
//   node web/bench/page-bench.js [SQL file] [runs] [sizes in MB, e.g. 1,5,20]
//
// Environment: KELVRA_FORMAT (default build/bin/kelvra-format). kelvra-format
// runs with --join-lines: the page's default options give the editor's result,
// which kelvra-format refuses where line breaks would join words.
'use strict';
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { execFileSync } = require('node:child_process');
const { openPage, pasteText: paste } = require('../test/browser');

const root = path.resolve(__dirname, '../..');
const input = process.argv[2] || path.resolve(root, '../shared/bench/mixed_1mb.sql');
const runs = Number(process.argv[3] || 3);
const sizes = (process.argv[4] || '1,5,20').split(',').map(Number);
const kelvraFormat = process.env.KELVRA_FORMAT || path.join(root, 'build/bin/kelvra-format');

function median(values) {
  const s = [...values].sort((a, b) => a - b);
  return s[Math.floor(s.length / 2)];
}

// The input repeated (whole lines) until it holds at least `mb` megabytes.
function textOfSize(base, mb) {
  const want = mb * 1024 * 1024;
  const parts = [];
  for (let length = 0; length < want; length += base.length) parts.push(base);
  return parts.join('');
}

function timeKelvraFormat(file) {
  const times = [];
  for (let i = 0; i < runs; i++) {
    const t0 = process.hrtime.bigint();
    execFileSync(kelvraFormat, ['--join-lines', file], { stdio: ['ignore', 'ignore', 'inherit'], maxBuffer: 1 << 30 });
    times.push(Number(process.hrtime.bigint() - t0) / 1e6);
  }
  return times;
}

// One run started with the button, in the page.
function timedRun() {
  return new Promise(resolve => {
    const body = document.body;
    const before = Number(body.dataset.runs || 0);
    let timerLate = 0, expected = performance.now() + 10, done = false;
    const tick = () => {
      const now = performance.now();
      timerLate = Math.max(timerLate, now - expected);
      expected = now + 10;
      if (!done) setTimeout(tick, 10);
    };
    setTimeout(tick, 10);
    const t0 = performance.now();
    document.getElementById('runButton').click();
    const wait = () => {
      if (Number(body.dataset.runs || 0) === before) { setTimeout(wait, 1); return; }
      done = true;
      resolve({
        total: performance.now() - t0,
        core: Number(document.getElementById('editor').dataset.coreMs),
        timerLate, length: window.kelvraPage.text().length,
        // Entries come late: those of the paste before the run are left out.
        longest: Math.max(0, ...window.longTasks.filter(t => t.start >= t0).map(t => t.duration))
      });
    };
    wait();
  });
}

// Starts a run, presses Esc after `afterMs`, and gives the time from the key
// press to the page's answer (中断しました in the status line).
async function cancelLatency(page, text, afterMs) {
  await page.evaluate(() => {
    window.escAt = window.cancelledAt = null;
    document.addEventListener('keydown', e => { if (e.key === 'Escape') window.escAt = e.timeStamp; }, { capture: true, once: true });
    const status = document.getElementById('statusText');
    const seen = new MutationObserver(() => {
      if (status.textContent === '中断しました') { window.cancelledAt = performance.now(); seen.disconnect(); }
    });
    seen.observe(status, { childList: true, characterData: true, subtree: true });
    document.getElementById('runButton').click();
  });
  await page.waitForTimeout(afterMs);
  await page.keyboard.press('Escape');
  await page.waitForFunction(() => document.body.dataset.state === 'idle');
  const ms = await page.evaluate(() => (window.cancelledAt !== null ? window.cancelledAt - window.escAt : null));
  // null: the run had ended before the key
  await page.waitForSelector('#runButton:not([disabled])');
  if (ms === null) await paste(page, text);
  return ms;
}

(async () => {
  const base = fs.readFileSync(input, 'utf8').replace(/\r\n?/g, '\n');
  const { page, close } = await openPage();
  await page.context().grantPermissions(['clipboard-read', 'clipboard-write']);
  await page.waitForSelector('body[data-warm=true]');
  await page.evaluate(() => {
    window.longTasks = [];
    new PerformanceObserver(list => list.getEntries().forEach(
      e => window.longTasks.push({ start: e.startTime, duration: Math.round(e.duration) })))
      .observe({ entryTypes: ['longtask'] });
  });
  const rows = [];
  for (const mb of sizes) {
    const text = textOfSize(base, mb);
    const file = path.join(os.tmpdir(), `kelvra-bench-${mb}mb.sql`);
    fs.writeFileSync(file, text);
    const native = timeKelvraFormat(file);
    const results = [];
    for (let i = 0; i < runs; i++) {
      await paste(page, text);
      await page.evaluate(() => new Promise(r => requestAnimationFrame(() => setTimeout(r, 50))));
      results.push(await page.evaluate(timedRun));
    }
    await paste(page, text);
    const cancel = [];
    for (const fraction of [0.1, 0.5, 0.8])
      cancel.push(await cancelLatency(page, text, fraction * median(results.map(r => r.total))));
    fs.rmSync(file);
    rows.push({ mb, bytes: Buffer.byteLength(text), native: median(native), page: median(results.map(r => r.total)),
                core: median(results.map(r => r.core)), longest: Math.max(...results.map(r => r.longest)),
                late: Math.max(...results.map(r => r.timerLate)), cancel: Math.max(...cancel.filter(v => v !== null)) });
  }
  await close();

  const ms = v => v.toFixed(0).padStart(7);
  console.log(`input: ${path.basename(input)} repeated; medians of ${runs} runs; page = click to result in the editor`);
  console.log('   size  kelvra-format     page  ratio  core in worker  longest task  timer late  Esc answered');
  for (const r of rows) {
    console.log(`${String(r.mb).padStart(4)} MB  ${ms(r.native)} ms  ${ms(r.page)} ms  ${(r.page / r.native).toFixed(2)}x` +
                `  ${ms(r.core)} ms      ${ms(r.longest)} ms  ${ms(r.late)} ms  ${ms(r.cancel)} ms`);
  }
})();
