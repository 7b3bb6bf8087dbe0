// The page as an editor: files opened through the file input and saved as
// downloads (bytes compared), the draft kept across a reload, the page served
// over http and reloaded offline, keys, and stored junk.
'use strict';
const { test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const http = require('node:http');
const os = require('node:os');
const path = require('node:path');
const { openPage, pasteText, formatText, SITE } = require('./browser');

if (!fs.existsSync(SITE + '/index.html')) {
  test('editor', { skip: 'the page is not built (make web)' }, () => {});
  return;
}

// Without the File System Access API the page falls back on the file input
// and downloads, which a script can drive. The launch queue of an installed
// page is one the test hands files to (kelvraLaunch).
const NO_PICKERS = () => {
  delete window.showOpenFilePicker;
  delete window.showSaveFilePicker;
  Object.defineProperty(window, 'launchQueue', {
    configurable: true, value: { setConsumer: consumer => { window.kelvraLaunch = consumer; } }
  });
};

let session;
before(async () => {
  session = await openPage(undefined, { initScript: NO_PICKERS });
  await session.page.context().grantPermissions(['clipboard-read', 'clipboard-write']);
});
after(async () => { if (session) await session.close(); });

const text = page => page.evaluate(() => window.kelvraPage.text());
const runs = async page => Number(await page.$eval('body', b => b.dataset.runs || 0));

async function putText(page, t) {
  await pasteText(page, t);
  assert.equal(await text(page), t);
}

const format = page => formatText(page);

// Answers the page's questions in turn; gives the questions asked.
async function answer(page, answers) {
  const questions = [];
  for (const a of answers) {
    await page.waitForSelector('#askDialog[open]');
    questions.push(await page.textContent('#askDialog .ask-text'));
    await page.click(`#askDialog button[value=${a}]`);
  }
  return questions;
}

const opened = (page, name) =>
  page.waitForFunction(n => document.getElementById('statusText').textContent.startsWith(n + ' を開きました'), name);

// Opens `bytes` as the file `name` through the file input, answering the
// page's questions on the way with `answers`; gives the questions asked.
async function openBytes(page, name, bytes, answers = []) {
  await page.setInputFiles('#fileInput', { name, mimeType: 'text/plain', buffer: Buffer.from(bytes) });
  const questions = await answer(page, answers);
  if (!answers.includes('cancel')) await opened(page, name);
  return questions;
}

// Saves with Ctrl+S, answering the page's questions in turn; gives the bytes
// of the download and the questions asked.
async function saveBytes(page, answers = []) {
  const download = page.waitForEvent('download');
  await page.keyboard.press('Control+s');
  const questions = await answer(page, answers);
  const file = await download;
  return { bytes: fs.readFileSync(await file.path()), name: file.suggestedFilename(), questions };
}

const sjis = bytes => new TextDecoder('shift_jis').decode(bytes);

// ---- Files ---------------------------------------------------------------------

// 表 and ソ end in 0x5C, ｶﾅ are half-width: the bytes that trip a codec up.
const SJIS_FILE = Buffer.concat([
  Buffer.from("select '"), Buffer.from([0x95, 0x5c, 0x83, 0x5c]), Buffer.from("' a, b -- "),
  Buffer.from([0xb6, 0xc5]), Buffer.from('\r\nfrom t;\r\n')
]);
const SJIS_TEXT = "select '表ソ' a, b -- ｶﾅ\nfrom t;\n";

const ROUND_TRIPS = [
  { name: 'shift-jis.sql', bytes: SJIS_FILE, text: SJIS_TEXT, status: 'Shift-JIS, CR+LF' },
  { name: 'utf8-bom-lf.sql', bytes: Buffer.from('\uFEFFselect \'日本語\' x\nfrom t;\n'),
    text: "select '日本語' x\nfrom t;\n", status: 'UTF-8 (BOM), LF' },
  { name: 'utf8-cr.sql', bytes: Buffer.from("select 'é' x\rfrom t;\r"), text: "select 'é' x\nfrom t;\n", status: 'UTF-8, CR' }
];
// Long enough to go to the worker in several pieces, a surrogate pair across the first cut.
const LONG_TEXT = `${'x'.repeat(32767)}😀\n` + "select 'データ' from t;\n".repeat(3000);
ROUND_TRIPS.push({ name: 'utf8-long.sql', bytes: Buffer.from(LONG_TEXT.replace(/\n/g, '\r\n')), text: LONG_TEXT,
                   status: 'UTF-8, CR+LF' });

test('a file opened and saved unchanged gives its own bytes back', async t => {
  const { page } = session;
  for (const c of ROUND_TRIPS) {
    await t.test(c.name, async () => {
      await openBytes(page, c.name, c.bytes);
      assert.equal(await text(page), c.text);
      assert.match(await page.textContent('#statusText'), new RegExp(c.status.replace(/[()+]/g, '\\$&')));
      const saved = await saveBytes(page);
      assert.equal(saved.name, c.name);
      assert.deepEqual(saved.questions, []);
      assert.ok(saved.bytes.equals(c.bytes), `saved ${saved.bytes.toString('hex')}`);
    });
  }
});

test('an empty text formats to nothing and saves as an empty file', async () => {
  const { page } = session;
  await openBytes(page, 'empty.sql', Buffer.alloc(0));
  await format(page);
  assert.match(await page.textContent('#statusText'), /^整形しました/);
  assert.equal(await text(page), '');
  const saved = await saveBytes(page);
  assert.equal(saved.bytes.length, 0);
});

test('a formatted Shift-JIS file is saved in Shift-JIS with CR LF', async () => {
  const { page } = session;
  await openBytes(page, 'shift-jis.sql', SJIS_FILE);
  await format(page);
  const result = await text(page);
  assert.ok(result.includes("'表ソ'") && result.startsWith('SELECT'));
  const saved = await saveBytes(page);
  assert.equal(sjis(saved.bytes), result.replace(/\n/g, '\r\n'));
});

test('a character Shift-JIS cannot hold: はい saves UTF-8, キャンセル saves nothing', async () => {
  const { page } = session;
  await openBytes(page, 'shift-jis.sql', SJIS_FILE);
  await page.focus('.cm-content');
  await page.keyboard.press('Control+End');
  await page.keyboard.insertText('-- 😀');
  const want = SJIS_TEXT + '-- 😀';
  // Cancelled: no download, the status says so.
  await page.keyboard.press('Control+s');
  await page.waitForSelector('#askDialog[open]');
  assert.match(await page.textContent('#askDialog .ask-text'), /Shift-JIS で保存できません（1 箇所）：\n😀/);
  await page.click('#askDialog button[value=cancel]');
  await page.waitForFunction(() => document.getElementById('statusText').textContent === '保存をやめました');
  const saved = await saveBytes(page, ['yes']);
  assert.ok(saved.bytes.equals(Buffer.from('\uFEFF' + want.replace(/\n/g, '\r\n'))));
  assert.match(await page.textContent('#fileName'), /UTF-8 \(BOM\), CR\+LF/);
});

test('a file with line ends of two kinds asks before they are made one', async () => {
  const { page } = session;
  await openBytes(page, 'mixed.sql', Buffer.from('select a\r\nfrom t\nwhere b = 1;\r\n'));
  const saved = await saveBytes(page, ['ok']);
  assert.match(saved.questions[0], /種類の違う改行が混在しています。\n保存するとすべての改行を CR\+LF にそろえます/);
  assert.ok(saved.bytes.equals(Buffer.from('select a\r\nfrom t\r\nwhere b = 1;\r\n')));
});

test('files that are not clean text are opened only when the user says so', async t => {
  const { page } = session;
  const cases = [
    { name: 'nul.sql', bytes: Buffer.from('select\0 a from t'), says: /テキストファイルではありません/ },
    { name: 'mixed.sql', bytes: Buffer.concat([Buffer.from("select '日本語' a, '"), Buffer.from([0x95, 0x5c]),
      Buffer.from("' b from t")]), says: /文字として読めないバイトが 1 箇所あります/ }
  ];
  for (const c of cases) {
    await t.test(c.name, async () => {
      await putText(page, 'kept');
      const [, question] = await openBytes(page, c.name, c.bytes, ['ok', 'cancel']);
      assert.match(question, c.says);
      await page.waitForFunction(() => document.getElementById('statusText').textContent === '開くのをやめました');
      assert.equal(await text(page), 'kept');
      await openBytes(page, c.name, c.bytes, ['ok', 'ok']);
      assert.ok((await text(page)).includes('\uFFFD'), 'what did not decode shows as U+FFFD');
    });
  }
});

test('a UTF-16 file with its byte-order mark opens decoded and saves back as it was', async () => {
  const { page } = session;
  const bytes = Buffer.from('\uFEFFselect 日本 from t;\r\n', 'utf16le');
  await openBytes(page, 'utf16.sql', bytes);
  assert.equal(await text(page), 'select 日本 from t;\n');
  const saved = await saveBytes(page);
  assert.ok(saved.bytes.equals(bytes), saved.bytes.toString('hex'));
});

test('a file dropped on the page opens', async () => {
  const { page } = session;
  const drop = await page.evaluateHandle(bytes => {
    const data = new DataTransfer();
    data.items.add(new File([new Uint8Array(bytes)], 'dropped.sql'));
    return data;
  }, [...SJIS_FILE]);
  await page.dispatchEvent('.cm-content', 'drop', { dataTransfer: drop });
  await page.waitForFunction(() => document.getElementById('statusText').textContent.startsWith('dropped.sql を開きました'));
  assert.equal(await text(page), SJIS_TEXT);
});

// Over unsaved text every way of opening asks first; the text undone after an
// open must never be saved under the opened file's name.
const OPENINGS = {
  'the file input': (page, name, bytes) =>
    page.setInputFiles('#fileInput', { name, mimeType: 'text/plain', buffer: Buffer.from(bytes) }),
  'a drop': async (page, name, bytes) => {
    const drop = await page.evaluateHandle(([n, b]) => {
      const data = new DataTransfer();
      data.items.add(new File([new Uint8Array(b)], n));
      return data;
    }, [name, [...bytes]]);
    await page.dispatchEvent('.cm-content', 'drop', { dataTransfer: drop });
  },
  // The installed page is handed a file handle, which it saves back to.
  'the launch queue': (page, name, bytes) => page.evaluate(([n, b]) => {
    const handle = {
      kind: 'file', name: n, getFile: async () => new File([new Uint8Array(b)], n),
      createWritable: async () => ({
        write: async d => { window.kelvraWritten = [...new Uint8Array(d instanceof Blob ? await d.arrayBuffer() : d)]; },
        close: async () => {}
      })
    };
    window.kelvraLaunch({ files: [handle] });
  }, [name, [...bytes]])
};

test('opening over unsaved text asks first, and Ctrl+Z cannot bring the old text back under the new name', async t => {
  const { page } = session;
  for (const [way, open] of Object.entries(OPENINGS)) {
    await t.test(way, async () => {
      // A refused run leaves the text unsaved and a message about it.
      await putText(page, "select 'unsaved from t");
      await format(page);
      await open(page, 'B.sql', SJIS_FILE);
      const [question] = await answer(page, ['cancel']);
      assert.equal(question, '保存されていない変更があります。\n変更を破棄して B.sql を開きますか？');
      await page.waitForFunction(() => document.getElementById('statusText').textContent === '開くのをやめました');
      assert.equal(await text(page), "select 'unsaved from t");
      await open(page, 'B.sql', SJIS_FILE);
      await answer(page, ['ok']);
      await opened(page, 'B.sql');
      assert.equal(await text(page), SJIS_TEXT);
      assert.match(await page.textContent('#fileName'), /^B\.sql（Shift-JIS, CR\+LF）$/);
      assert.ok(await page.isHidden('#message'), 'the message about the text before is gone');
      await page.focus('.cm-content');
      await page.keyboard.press('Control+z');
      assert.equal(await text(page), SJIS_TEXT);
      if (way === 'the launch queue') {
        await page.keyboard.press('Control+s');
        await page.waitForFunction(() => window.kelvraWritten);
        assert.ok(Buffer.from(await page.evaluate(() => window.kelvraWritten)).equals(SJIS_FILE));
      } else {
        assert.ok((await saveBytes(page)).bytes.equals(SJIS_FILE));
      }
    });
  }
  // Text that is saved opens over without a question.
  await openBytes(page, 'C.sql', Buffer.from('select c from t;'));
  assert.equal(await text(page), 'select c from t;');
});

// ---- Text the formatter refuses or treats specially -------------------------------

test('NUL is refused and a leading byte-order mark does not hide the first word', async t => {
  const { page } = session;
  await t.test('NUL', async () => {
    const input = 'select a,\nb\0 from t';
    await putText(page, input);
    await format(page);
    assert.equal(await text(page), input);
    assert.equal(await page.textContent('#messageText'), 'NUL 文字を含むテキストは整形できません');
    assert.equal(await page.textContent('#messagePlace'), '（2 行 2 文字目）');
    assert.equal(await page.evaluate(() => window.kelvraPage.selectedText()), '\0');
  });
  await t.test('BOM', async () => {
    await putText(page, '\uFEFFselect a from t');
    await format(page);
    const result = await text(page);
    assert.ok(result.startsWith('\uFEFFSELECT \n'), JSON.stringify(result.slice(0, 12)));
    const bold = await page.evaluate(() => window.kelvraPage.boldSpans());
    assert.deepEqual(bold.map(([s, e]) => result.slice(s, e)), ['SELECT', 'FROM']);
  });
});

// Long tasks (start, end) from now on, and when the next copy event began.
function watchTasks(page) {
  return page.evaluate(() => {
    window.longTasks = [];
    new PerformanceObserver(list => list.getEntries().forEach(
      e => window.longTasks.push({ start: e.startTime, end: e.startTime + e.duration }))).observe({ entryTypes: ['longtask'] });
    window.copyAt = null;
    window.addEventListener('copy', () => { window.copyAt = performance.now(); }, { capture: true, once: true });
    return performance.now();
  });
}

// Generous for a loaded machine (a full garbage collection alone can take
// 80 ms); a step over the whole text takes several times this at 20 MB.
const LONGEST_TASK_MS = 100;

test('copying and saving a 20 MB text leave no long task on the page', async () => {
  const { page } = session;
  const line = 'select a, "b" from t where x < 1 and y > 2 -- & c\n';
  const big = line.repeat(Math.ceil(20 * 1024 * 1024 / line.length));
  await pasteText(page, big);

  // Copy: the texts are made in slices; the browser's own write to the
  // clipboard, in the task of the copy event, is one step the page cannot cut.
  let since = await watchTasks(page);
  await page.click('#copyButton');
  await page.waitForFunction(() => document.getElementById('statusText').textContent === '整形結果をコピーしました',
                             null, { timeout: 120000 });
  const copy = await page.evaluate(s => window.longTasks.filter(t => t.start >= s && t.end <= window.copyAt)
    .map(t => Math.round(t.end - t.start)), since);
  assert.ok(copy.every(ms => ms < LONGEST_TASK_MS), `tasks before the copy event: ${copy} ms`);
  assert.equal(await page.evaluate(async () => (await navigator.clipboard.readText()).length), big.length);

  // Save: the bytes are made and handed to the download off the page's thread.
  since = await watchTasks(page);
  const saved = await saveBytes(page);
  await page.waitForTimeout(300); // entries come late
  const save = await page.evaluate(s => window.longTasks.filter(t => t.start >= s).map(t => Math.round(t.end - t.start)), since);
  assert.ok(save.every(ms => ms < LONGEST_TASK_MS), `tasks of the save: ${save} ms`);
  assert.equal(saved.bytes.length, big.length + big.length / line.length); // CR LF
});

// ---- Keys ---------------------------------------------------------------------------

test('Ctrl+A selects the text only, wherever the focus is, and Ctrl+C copies just that', async () => {
  const { page } = session;
  const input = 'select a from t;\nselect b from u;';
  await putText(page, input);
  await page.click('#statusMode'); // focus leaves the editor
  await page.keyboard.press('Control+a');
  assert.deepEqual(await page.evaluate(() => window.kelvraPage.selection()), [0, input.length]);
  assert.equal(await page.evaluate(() => window.getSelection().toString().includes('整形実行')), false);
  await page.evaluate(() => navigator.clipboard.writeText(''));
  await page.keyboard.press('Control+c');
  assert.equal(await page.evaluate(() => navigator.clipboard.readText()), input);
});

test('Ctrl+F opens the editor\'s own search, in Japanese, which finds in the text', async () => {
  const { page } = session;
  await putText(page, 'select a from t;\nselect b from u;');
  await page.focus('.cm-content');
  await page.keyboard.press('Control+f');
  await page.waitForSelector('.cm-search input[name=search]:focus');
  // The panel speaks Japanese: no English caption, label or placeholder.
  const panel = await page.$eval('.cm-search', p => [p.innerText,
    ...[...p.querySelectorAll('[placeholder], [aria-label]')].map(e => e.placeholder || e.getAttribute('aria-label'))]);
  assert.deepEqual(panel.filter(t => /[A-Za-z]/.test(t)), [], panel.join(' | '));
  assert.match(panel[0], /次へ[\s\S]*前へ[\s\S]*すべて[\s\S]*大文字と小文字を区別[\s\S]*正規表現[\s\S]*単語単位[\s\S]*置換[\s\S]*すべて置換/);
  await page.keyboard.type('from u');
  await page.keyboard.press('Enter');
  assert.equal(await page.evaluate(() => window.kelvraPage.selectedText()), 'from u');
  await page.keyboard.press('Escape');
  await page.waitForSelector('.cm-search', { state: 'detached' });
});

test('Esc cancels a long run at any moment; the next run formats only its own text; Ctrl+Z undoes a run', async t => {
  const { page } = session;
  const line = "select a.id, nvl(b.qty, 0) from orders a, items b where a.id = b.id;\n";
  const long = line.repeat(Math.ceil(3000000 / line.length));
  const moments = {
    'while the text goes to the worker': async () => {},
    'while the worker formats': () => page.waitForSelector('#cancelButton:not([hidden])')
  };
  for (const [moment, wait] of Object.entries(moments)) {
    await t.test(moment, async () => {
      await putText(page, long);
      const n = await runs(page);
      await page.keyboard.press('Control+g');
      await wait();
      await page.keyboard.press('Escape');
      await page.waitForFunction(k => Number(document.body.dataset.runs) > k, n);
      assert.equal(await page.textContent('#statusText'), '中断しました');
      assert.equal(await text(page), long);
      await page.waitForSelector('#runButton:not([disabled])');
      await putText(page, line);
      await format(page);
      const result = await text(page);
      assert.equal(result.split('SELECT').length, 2, 'one statement: nothing left over from the cancelled run');
      await page.focus('.cm-content');
      await page.keyboard.press('Control+z');
      assert.equal(await text(page), line);
    });
  }
});

// A long pasted text is built in slices by the page rather than by the editor.
test('a long text pasted over a selection reads as pasted, CR LF and CR as line breaks, and undoes in one step', async () => {
  const { page } = session;
  await putText(page, 'select 1;\nselect 2;\n');
  const line = "select a, 'データ😀' from t;";
  const pasted = `${line}\r\n`.repeat(20000) + `${line}\r${line}\n`.repeat(10000) + 'end';
  await page.evaluate(t => navigator.clipboard.writeText(t), pasted);
  await page.focus('.cm-content');
  await page.keyboard.press('Control+End');
  await page.keyboard.press('Shift+ArrowUp'); // the second line
  assert.deepEqual(await page.evaluate(() => window.kelvraPage.selection()), [10, 20]);
  await page.keyboard.press('Control+v');
  const want = 'select 1;\n' + pasted.replace(/\r\n?/g, '\n');
  await page.waitForFunction(n => window.kelvraPage.text().length === n, want.length);
  assert.equal(await text(page), want);
  assert.deepEqual(await page.evaluate(() => window.kelvraPage.selection()), [want.length, want.length]);
  await page.keyboard.press('Control+z');
  assert.equal(await text(page), 'select 1;\nselect 2;\n');
});

// ---- Stored state ---------------------------------------------------------------------

// Does `work` and waits until the page has stored its draft once more.
async function draftStored(page, work = async () => {}) {
  const drafts = Number(await page.$eval('body', b => b.dataset.drafts || 0));
  await work();
  await page.waitForFunction(k => Number(document.body.dataset.drafts || 0) > k, drafts);
}

async function reloaded(page) {
  page.once('dialog', d => d.accept()); // the unsaved text: leave anyway
  await page.reload();
  await page.waitForSelector('body[data-ready=true]');
}

test('the text and the text before the run come back after a reload', async () => {
  const { page } = session;
  const input = 'select a from t -- 下書き';
  await putText(page, input);
  await format(page);
  const result = await text(page);
  await draftStored(page);
  await reloaded(page);
  assert.equal(await text(page), result);
  page.once('dialog', d => d.accept());
  await page.keyboard.press('Control+b');
  await page.waitForFunction(v => window.kelvraPage.text() === v, input);
});

test('each tab keeps a draft of its own, and a closed tab\'s comes back in the next', async () => {
  const { page, context } = session;
  const first = 'select first_tab from t', second = 'select second_tab from t';
  await putText(page, first);
  await draftStored(page);
  const other = await context.newPage();
  await other.goto(page.url());
  await other.waitForSelector('body[data-ready=true]');
  assert.equal(await text(other), '', 'the first tab holds its draft');
  await putText(other, second);
  await draftStored(other);
  await reloaded(other);
  assert.equal(await text(other), second);
  await reloaded(page);
  assert.equal(await text(page), first);
  await other.close();
  const next = await context.newPage();
  await next.goto(page.url());
  await next.waitForSelector('body[data-ready=true]');
  assert.equal(await text(next), second, 'the closed tab\'s text');
  await next.close();
});

// Long texts are stored in pieces, and a text stored already (the one before
// the run) is kept rather than written again when the other one changes.
test('a long text and the one before the run come back whole after edits and a reload', async () => {
  const { page } = session;
  const drafted = work => draftStored(page, work);
  const line = "select a, 'データ😀' from t where b = 1;\n";
  // A surrogate pair across the first boundary between pieces, and lines across the others.
  const head = 'x'.repeat(32767);
  const input = `select ${head}😀 from t;\n` + line.repeat(4000);
  await drafted(() => putText(page, input));
  await drafted(() => format(page));
  const result = await text(page);
  assert.notEqual(result, input);
  await drafted(async () => {
    await page.focus('.cm-content');
    await page.keyboard.press('Control+End');
    await page.keyboard.type('-- 追記');
  });
  await reloaded(page);
  assert.equal(await text(page), result + '-- 追記');
  page.once('dialog', d => d.accept());
  await page.keyboard.press('Control+b');
  await page.waitForFunction(n => window.kelvraPage.text().length === n, input.length);
  assert.equal(await text(page), input);
});

// The one draft of the page's earlier version (string keys, one per piece)
// comes back after an update.
test('a draft stored by the earlier version of the page comes back', async () => {
  const { page, close } = await openPage(undefined, { url: 'file://' + path.join(SITE, 'kelvra.css'), ready: false });
  try {
    await page.evaluate(() => new Promise((resolve, reject) => {
      const request = indexedDB.open('kelvra', 1);
      request.onupgradeneeded = () => request.result.createObjectStore('draft');
      request.onerror = () => reject(request.error);
      request.onsuccess = () => {
        const tx = request.result.transaction('draft', 'readwrite');
        const store = tx.objectStore('draft');
        store.put('select old', '1700000000000:text:0');
        store.put('_draft from t', '1700000000000:text:1');
        store.put({ text: ['1700000000000:text:0', '1700000000000:text:1'], revert: null, dirty: true, file: null }, 'current');
        tx.oncomplete = () => resolve();
        tx.onerror = () => reject(tx.error);
      };
    }));
    await page.goto('file://' + path.join(SITE, 'index.html'));
    await page.waitForSelector('body[data-ready=true]');
    assert.equal(await text(page), 'select old_draft from t');
  } finally {
    await close();
  }
});

test('closing with unsaved text asks first', async () => {
  const { page } = session;
  await putText(page, 'select unsaved from t');
  const asked = new Promise(resolve => page.once('dialog', d => { resolve(d.type()); d.dismiss(); }));
  await page.close({ runBeforeUnload: true });
  assert.equal(await asked, 'beforeunload');
  assert.equal(page.isClosed(), false);
});

test('junk in the stored options shows the default in each control', async t => {
  const { page } = session;
  const controls = () => page.evaluate(() => ({
    indent: document.getElementById('optIndent').value,
    bold: document.getElementById('optBold').checked,
    commaBefore: document.getElementById('optCommaBefore').checked,
    keepMeaning: document.getElementById('optKeepMeaning').checked
  }));
  const cases = [
    ['{"indent":3.5}', { indent: '8', bold: true, commaBefore: false, keepMeaning: true }],
    ['{"indent":12,"bold":false,"keepMeaning":false}', { indent: '8', bold: false, commaBefore: false, keepMeaning: false }],
    ['{"indent":"4","commaBefore":"yes"}', { indent: '8', bold: true, commaBefore: false, keepMeaning: true }],
    ['[1,2', { indent: '8', bold: true, commaBefore: false, keepMeaning: true }],
    ['{"indent":3,"commaBefore":true}', { indent: '3', bold: true, commaBefore: true, keepMeaning: true }]
  ];
  for (const [stored, want] of cases) {
    await t.test(stored, async () => {
      await page.evaluate(v => localStorage.setItem('kelvra.options', v), stored);
      page.once('dialog', d => d.accept());
      await page.reload();
      await page.waitForSelector('body[data-ready=true]');
      assert.deepEqual(await controls(), want);
    });
  }
  await page.evaluate(() => localStorage.removeItem('kelvra.options'));
});

// Buttons that need the core are disabled and say why, whether the page's
// files are missing or the core does not start.
const CORE_FAILS = () => {
  window.Worker = class {
    constructor() { setTimeout(() => this.onmessage({ data: { failed: 'no WebAssembly' } })); }
    postMessage() {}
    terminate() {}
  };
};
const WITHOUT_CORE = {
  'index.html alone': { copied: ['index.html'], missing: ['kelvra.css', 'kelvra-core.js', 'kelvra-page.js'],
                        why: 'ページのファイルが見つからないため使えません' },
  'without kelvra-core.js': { copied: ['index.html', 'kelvra.css', 'kelvra-page.js'], missing: ['kelvra-core.js'],
                              why: '整形機能を読み込めなかったため使えません' },
  'with a core that fails to start': { copied: null, missing: [], initScript: CORE_FAILS,
                                       why: '整形機能を読み込めなかったため使えません' }
};

test('without its neighbour files or its core, the page says so and its buttons are disabled', async t => {
  for (const [name, c] of Object.entries(WITHOUT_CORE)) {
    await t.test(name, async () => {
      const lone = fs.mkdtempSync(path.join(os.tmpdir(), 'kelvra-lone-'));
      for (const f of c.copied || []) fs.copyFileSync(path.join(SITE, f), path.join(lone, f));
      const url = 'file://' + path.join(c.copied ? lone : SITE, 'index.html');
      const { page, close } = await openPage(undefined, { url, ready: false, initScript: c.initScript });
      try {
        if (c.missing.length) {
          await page.waitForFunction(n => n.every(f => (document.body.dataset.missing || '').split(' ').includes(f)), c.missing);
          const said = await page.textContent('#statusText');
          for (const f of c.missing) assert.ok(said.includes(f), said);
        } else {
          await page.waitForFunction(() => document.getElementById('statusText').textContent.startsWith('整形機能を読み込めませんでした'));
        }
        await page.waitForFunction(w => document.getElementById('openButton').title === w, c.why, { timeout: 5000 });
        for (const id of ['openButton', 'saveButton', 'runButton', 'keywordButton']) {
          const b = await page.$eval('#' + id, e => ({ disabled: e.disabled, title: e.title }));
          assert.deepEqual(b, { disabled: true, title: c.why }, id);
        }
      } finally {
        await close();
        fs.rmSync(lone, { recursive: true, force: true });
      }
    });
  }
});

test('at 390 px every control is on the screen whole, the editor sits between bar and status line, and a long status ends in an ellipsis', async () => {
  const { page, close } = await openPage({ width: 390, height: 844 });
  try {
    const boxes = await page.evaluate(() => {
      const box = e => { const r = e.getBoundingClientRect(); return { id: e.id || e.textContent.trim(), left: r.left, right: r.right, top: r.top, bottom: r.bottom }; };
      return {
        controls: [...document.querySelectorAll('.toolbar button:not([hidden]), .options label')].map(box),
        editor: box(document.getElementById('editor')), status: box(document.querySelector('.status')),
        scrolled: document.scrollingElement.scrollTop
      };
    });
    for (const c of boxes.controls) {
      assert.ok(c.left >= 0 && c.right <= 390, `${c.id} reaches ${c.left}..${c.right}`);
      assert.ok(c.bottom <= boxes.editor.top, `${c.id} overlaps the editor`);
    }
    assert.ok(boxes.editor.bottom <= boxes.status.top && boxes.status.bottom <= 844);
    assert.ok(boxes.editor.bottom - boxes.editor.top > 300, 'the editor keeps most of the height');
    assert.equal(boxes.scrolled, 0);
    // A status longer than the line is cut with an ellipsis, inside the line.
    await page.$eval('#statusText', e => { e.textContent = 'とても長いファイル名のSQLファイル.sql を開きました（UTF-8 (BOM), CR+LF）'; });
    const cut = await page.$eval('#statusText', e => ({
      overflow: getComputedStyle(e).textOverflow, right: e.getBoundingClientRect().right, cut: e.scrollWidth > e.clientWidth
    }));
    assert.deepEqual(cut, { overflow: 'ellipsis', right: cut.right, cut: true });
    assert.ok(cut.right <= boxes.status.right, `the status text reaches ${cut.right}`);
  } finally {
    await close();
  }
});

// ---- Served over http: installable and offline ---------------------------------------------

const TYPES = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.svg': 'image/svg+xml',
                '.png': 'image/png', '.webmanifest': 'application/manifest+json' };

function serveSite() {
  const server = http.createServer((req, res) => {
    const name = decodeURIComponent(new URL(req.url, 'http://x').pathname).replace(/^\/$/, '/index.html');
    const file = path.join(SITE, path.normalize(name));
    if (!file.startsWith(SITE) || !fs.existsSync(file)) { res.writeHead(404); res.end(); return; }
    res.writeHead(200, { 'content-type': TYPES[path.extname(file)] || 'application/octet-stream' });
    res.end(fs.readFileSync(file));
  });
  return new Promise(resolve => server.listen(0, '127.0.0.1', () => resolve(server)));
}

test('served over http the page is installable, and reloads and formats with the server gone', async () => {
  const server = await serveSite();
  const url = `http://localhost:${server.address().port}/index.html`;
  const { page, close } = await openPage(undefined, { url });
  try {
    await page.evaluate(() => navigator.serviceWorker.ready);
    await page.reload(); // now under the service worker
    await page.waitForSelector('body[data-ready=true]');
    assert.ok(await page.evaluate(() => Boolean(navigator.serviceWorker.controller)));
    const cdp = await page.context().newCDPSession(page);
    const { installabilityErrors } = await cdp.send('Page.getInstallabilityErrors');
    assert.deepEqual(installabilityErrors, []);
    server.closeAllConnections();
    await new Promise(resolve => server.close(resolve));
    await page.reload();
    await page.waitForSelector('body[data-ready=true]');
    await putTextBySetting(page, 'select a from t');
    await format(page);
    assert.ok((await text(page)).startsWith('SELECT \n'));
  } finally {
    await close();
    server.close();
  }
});

// Types the text into an empty editor (this page has no clipboard permission).
async function putTextBySetting(page, t) {
  await page.focus('.cm-content');
  await page.keyboard.press('Control+a');
  await page.keyboard.insertText(t);
  await page.waitForFunction(v => window.kelvraPage.text() === v, t);
}

test('the page made no script errors', () => {
  assert.deepEqual(session.errors, []);
});
