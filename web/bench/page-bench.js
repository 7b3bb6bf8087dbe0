// Times the page against kelvra-format on the same text, side by side, for
// texts of several sizes made by repeating one SQL file, and prints one table.
// The page's run goes from the Ctrl+G key press to the result in the editor,
// ready to scroll, select and copy. While it runs, a timer asks to be called
// every 10 ms (its worst lateness is noted, and for comparison its lateness
// over 2 s with the page idle) and the browser's long tasks are collected.
// Then runs are cancelled with Esc and with the 中断 button at several
// moments, and the time from the key or click to the page's answer
// (中断しました) is taken. After the runs, the result is copied (結果をコピー)
// and saved (Ctrl+S, as a download) and the longest task of each is noted.
// Run by hand after `make web` and a build of
// kelvra-format:
//
//   node web/bench/page-bench.js [--trace] [SQL file] [runs] [sizes in MB, e.g. 1,5,20]
//
// --trace records the runs with the browser's tracing and lists what the
// longest main-thread tasks of each size spent their time on.
// Environment: KELVRA_FORMAT (default build/bin/kelvra-format), KELVRA_WEB_SITE
// (the built page, default build-web/site; another build to compare). Both sides
// format with line breaks as separators (--line-breaks-separate, the page's
// 改行は区切りと見なす), so that neither refuses nor warns about joined words.
'use strict';
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { spawnSync } = require('node:child_process');
const { openPage, pasteText: paste } = require('../test/browser');

const root = path.resolve(__dirname, '../..');
const args = process.argv.slice(2);
const trace = args[0] === '--trace' ? Boolean(args.shift()) : false;
const input = args[0] || path.resolve(root, '../shared/bench/mixed_1mb.sql');
const runs = Number(args[1] || 3);
const sizes = (args[2] || '1,5,20').split(',').map(Number);
const kelvraFormat = process.env.KELVRA_FORMAT || path.join(root, 'build/bin/kelvra-format');
const FORMAT_ARGS = ['--line-breaks-separate'];

const median = values => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const best = values => Math.min(...values);
const worst = values => Math.max(...values);

// The input repeated (whole lines) until it holds at least `mb` megabytes.
function textOfSize(base, mb) {
  const want = mb * 1024 * 1024;
  const parts = [];
  for (let length = 0; length < want; length += base.length) parts.push(base);
  return parts.join('');
}

// Wall and processor time (user + system, from /usr/bin/time) of one run.
function runKelvraFormat(file) {
  const t0 = process.hrtime.bigint();
  const r = spawnSync('/usr/bin/time', ['-f', '%U %S', kelvraFormat, ...FORMAT_ARGS, file],
                      { stdio: ['ignore', 'ignore', 'pipe'], encoding: 'utf8' });
  const wall = Number(process.hrtime.bigint() - t0) / 1e6;
  if (r.status !== 0) throw new Error(`kelvra-format failed: ${r.stderr || r.error}`);
  const [user, system] = r.stderr.trim().split('\n').pop().split(' ').map(Number);
  return { wall, cpu: (user + system) * 1000 };
}

// In the page: notes the Ctrl+G key press, runs a 10 ms timer until the run
// has ended, and gives the times once it has.
function watchRun() {
  const body = document.body;
  const before = Number(body.dataset.runs || 0);
  window.benchRun = new Promise(resolve => {
    let pressed = null, timerLate = 0, expected = performance.now() + 10;
    document.addEventListener('keydown', e => { pressed = e.timeStamp; }, { capture: true, once: true });
    const tick = () => {
      const now = performance.now();
      timerLate = Math.max(timerLate, now - expected);
      expected = now + 10;
      if (Number(body.dataset.runs || 0) === before) { setTimeout(tick, 10); return; }
      resolve({
        total: now - pressed, timerLate, core: Number(document.getElementById('editor').dataset.coreMs),
        // Entries come late: those of the paste before the run are left out.
        longest: Math.max(0, ...window.longTasks.filter(t => t.start >= pressed).map(t => t.duration))
      });
    };
    setTimeout(tick, 10);
  });
}

// The main thread's busy time so far (ms), as the browser counts it.
async function mainThreadBusy(cdp) {
  const { metrics } = await cdp.send('Performance.getMetrics');
  return 1000 * metrics.find(m => m.name === 'TaskDuration').value;
}

// The timer's worst lateness over `ms` with the page idle: what the machine's
// load alone costs, to read the lateness during runs against.
function idleLateness(ms) {
  return new Promise(resolve => {
    const end = performance.now() + ms;
    let late = 0, expected = performance.now() + 10;
    const tick = () => {
      const now = performance.now();
      late = Math.max(late, now - expected);
      expected = now + 10;
      if (now < end) setTimeout(tick, 10);
      else resolve(late);
    };
    setTimeout(tick, 10);
  });
}

async function timedRun(page, cdp) {
  await page.evaluate(watchRun);
  const busy0 = await mainThreadBusy(cdp);
  await page.keyboard.press('Control+g');
  const r = await page.evaluate(() => window.benchRun);
  r.busy = await mainThreadBusy(cdp) - busy0;
  return r;
}

// Starts a run, cancels it after `afterMs` with Esc or a click on 中断, and
// gives the time from the key press or click to 中断しました in the status
// line; null when the run had ended before.
async function cancelLatency(page, text, afterMs, how) {
  await page.evaluate(() => {
    window.cancelAsked = window.cancelledAt = null;
    const note = e => { if (e.key === 'Escape' || e.target.id === 'cancelButton') window.cancelAsked = e.timeStamp; };
    document.addEventListener('keydown', note, { capture: true });
    document.addEventListener('mousedown', note, { capture: true });
    const status = document.getElementById('statusText');
    const seen = new MutationObserver(() => {
      if (status.textContent === '中断しました') { window.cancelledAt = performance.now(); seen.disconnect(); }
    });
    seen.observe(status, { childList: true, characterData: true, subtree: true });
  });
  await page.keyboard.press('Control+g');
  await page.waitForTimeout(afterMs);
  if (how === 'Esc') await page.keyboard.press('Escape');
  else await page.click('#cancelButton', { force: true, timeout: 5000 }).catch(() => {});
  await page.waitForFunction(() => document.body.dataset.state === 'idle', null, { timeout: 120000 });
  const ms = await page.evaluate(() => (window.cancelledAt !== null && window.cancelAsked !== null
    ? window.cancelledAt - window.cancelAsked : null));
  await page.waitForSelector('#runButton:not([disabled])', { timeout: 30000 });
  if (ms === null) await paste(page, text);
  return ms;
}

// The longest task (ms, 0 under 50) from `act()` until `done` holds in the page.
async function longestTaskOf(page, act, done, arg = null) {
  const since = await page.evaluate(() => performance.now());
  await act();
  await page.waitForFunction(done, arg, { timeout: 120000 });
  await page.waitForTimeout(200); // entries come late
  return page.evaluate(s => Math.max(0, ...window.longTasks.filter(t => t.start >= s).map(t => t.duration)), since);
}

// 結果をコピー, until the status says it is done.
function timedCopy(page) {
  return longestTaskOf(page, async () => {
    await page.evaluate(() => { document.getElementById('statusText').textContent = ''; });
    await page.click('#copyButton');
  }, () => /コピー/.test(document.getElementById('statusText').textContent));
}

// Ctrl+S as a download (the page has no file pickers here), answering はい
// (UTF-8) should a character not go into Shift-JIS.
async function timedSave(page) {
  const saves = Number(await page.$eval('body', b => b.dataset.saves || 0));
  const download = page.waitForEvent('download', { timeout: 120000 });
  const longest = await longestTaskOf(page, async () => {
    await page.focus('.cm-content');
    await page.keyboard.press('Control+s');
    page.waitForSelector('#askDialog[open]', { timeout: 120000 })
      .then(() => page.click('#askDialog button[value=yes]')).catch(() => {});
  }, n => Number(document.body.dataset.saves || 0) > n, saves);
  await (await download).delete();
  return longest;
}

// ---- Tracing ----------------------------------------------------------------

async function traced(cdp, work) {
  const events = [];
  const onData = d => events.push(...d.value);
  cdp.on('Tracing.dataCollected', onData);
  await cdp.send('Tracing.start', {
    transferMode: 'ReportEvents',
    traceConfig: { includedCategories: ['devtools.timeline', 'v8', 'v8.execute', 'blink', 'disabled-by-default-devtools.timeline'] }
  });
  await work();
  const done = new Promise(resolve => cdp.once('Tracing.tracingComplete', resolve));
  await cdp.send('Tracing.end');
  await done;
  cdp.off('Tracing.dataCollected', onData);
  return events;
}

// The main thread's longest tasks in a trace, each with the time of the kinds
// of work inside it (each event's own time, less that of events inside it).
function longestTasks(events, count = 5) {
  const main = events.find(e => e.name === 'thread_name' && e.args.name === 'CrRendererMain');
  const mine = events.filter(e => e.pid === main.pid && e.tid === main.tid && e.ph === 'X' && e.dur)
    .sort((a, b) => a.ts - b.ts || b.dur - a.dur);
  const tasks = mine.filter(e => e.name === 'RunTask').sort((a, b) => b.dur - a.dur).slice(0, count);
  return tasks.map(task => {
    const own = new Map();
    const stack = [];
    for (const e of mine) {
      if (e.ts < task.ts || e.ts + e.dur > task.ts + task.dur) continue;
      while (stack.length && e.ts >= stack[stack.length - 1].ts + stack[stack.length - 1].dur) stack.pop();
      const name = e.name === 'FunctionCall' && e.args.data ? `${e.name} ${e.args.data.functionName || '?'}` : e.name;
      own.set(name, (own.get(name) || 0) + e.dur);
      if (stack.length) {
        const parent = stack[stack.length - 1];
        own.set(parent.label, own.get(parent.label) - e.dur);
      }
      stack.push({ ts: e.ts, dur: e.dur, label: name });
    }
    const parts = [...own].filter(([, us]) => us >= 2000).sort((a, b) => b[1] - a[1])
      .map(([name, us]) => `${name} ${(us / 1000).toFixed(0)}`);
    return { ms: task.dur / 1000, text: `${(task.dur / 1000).toFixed(0)} ms: ${parts.join(', ')}` };
  });
}

// ---- The run ------------------------------------------------------------------

async function measureSize(page, cdp, base, mb) {
  const text = textOfSize(base, mb);
  const file = path.join(os.tmpdir(), `kelvra-bench-${mb}mb.sql`);
  fs.writeFileSync(file, text);
  await page.waitForTimeout(1500); // drafts of the size before written
  const idleLate = await page.evaluate(idleLateness, 2000);
  const native = [], results = [];
  let tasks = [];
  for (let i = 0; i < runs; i++) {
    native.push(runKelvraFormat(file));
    await paste(page, text);
    await page.evaluate(() => new Promise(r => requestAnimationFrame(() => setTimeout(r, 50))));
    if (trace) {
      const events = await traced(cdp, async () => { results.push(await timedRun(page, cdp)); });
      tasks = [...tasks, ...longestTasks(events)].sort((a, b) => b.ms - a.ms).slice(0, 5);
    } else {
      results.push(await timedRun(page, cdp));
    }
  }
  fs.rmSync(file);
  const copy = [], save = [];
  for (let i = 0; i < runs; i++) {
    const each = [[copy, () => timedCopy(page)], [save, () => timedSave(page)]];
    for (const [into, act] of each) {
      if (!trace) { into.push(await act()); continue; }
      const events = await traced(cdp, async () => { into.push(await act()); });
      tasks = [...tasks, ...longestTasks(events)].sort((a, b) => b.ms - a.ms).slice(0, 5);
    }
  }
  await paste(page, text);
  const cancels = { Esc: [], 中断: [] };
  for (const fraction of [0.1, 0.4, 0.7, 0.9])
    for (const how of Object.keys(cancels))
      cancels[how].push(await cancelLatency(page, text, fraction * median(results.map(r => r.total)), how));
  const of = key => results.map(r => r[key]);
  return {
    mb, native: native.map(n => n.wall), nativeCpu: best(native.map(n => n.cpu)), page: of('total'),
    copy: worst(copy), save: worst(save), busy: best(of('busy')), core: median(of('core')), longest: worst(of('longest')), late: worst(of('timerLate')), idleLate,
    esc: worst(cancels.Esc.filter(v => v !== null)), stop: worst(cancels['中断'].filter(v => v !== null)), tasks
  };
}

function printTable(rows) {
  const ms = v => v.toFixed(0).padStart(6);
  console.log(`input: ${path.basename(input)} repeated; ${runs} runs of each, side by side; options ${FORMAT_ARGS.join(' ')}`);
  console.log('  size | kelvra-format best/median (cpu) | page best/median  | ratio best/median | ' +
              'main thread busy | core in worker | longest task | timer late (idle) | Esc | 中断 | longest in copy / save');
  for (const r of rows) {
    console.log(`${String(r.mb).padStart(3)} MB | ${ms(best(r.native))} / ${ms(median(r.native))} ms (${ms(r.nativeCpu)}) | ` +
                `${ms(best(r.page))} / ${ms(median(r.page))} ms | ` +
                `${(best(r.page) / best(r.native)).toFixed(2)}x / ${(median(r.page) / median(r.native)).toFixed(2)}x | ` +
                `${ms(r.busy)} ms | ${ms(r.core)} ms | ${r.longest ? ms(r.longest) : '   <50'} ms | ${ms(r.late)} (${ms(r.idleLate)}) ms | ${ms(r.esc)} ms | ${ms(r.stop)} ms | ${ms(r.copy)} / ${ms(r.save)} ms`);
  }
  for (const r of rows.filter(row => row.tasks.length)) {
    console.log(`\nlongest main-thread tasks of the ${r.mb} MB runs, copies and saves (own time in ms of what they held):`);
    r.tasks.forEach(t => console.log('  ' + t.text));
  }
}

(async () => {
  const base = fs.readFileSync(input, 'utf8').replace(/\r\n?/g, '\n');
  // No file pickers: a save is a download.
  const { page, close } = await openPage(undefined, {
    initScript: () => { delete window.showOpenFilePicker; delete window.showSaveFilePicker; }
  });
  await page.context().grantPermissions(['clipboard-read', 'clipboard-write']);
  await page.waitForSelector('body[data-warm=true]');
  const cdp = await page.context().newCDPSession(page);
  await cdp.send('Performance.enable');
  await page.check('#optLfSp');
  await page.evaluate(() => {
    window.longTasks = [];
    new PerformanceObserver(list => list.getEntries().forEach(
      e => window.longTasks.push({ start: e.startTime, duration: Math.round(e.duration) })))
      .observe({ entryTypes: ['longtask'] }); // tasks of 50 ms and more
  });
  const loadBefore = os.loadavg();
  const rows = [];
  for (const mb of sizes) rows.push(await measureSize(page, cdp, base, mb));
  await close();
  printTable(rows);
  console.log(`load average: ${loadBefore.map(v => v.toFixed(1)).join(' ')} before, ${os.loadavg().map(v => v.toFixed(1)).join(' ')} after`);
})().catch(e => { console.error(e); process.exit(1); });
