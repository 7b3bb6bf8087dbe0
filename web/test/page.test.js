// The page in a real browser: texts go in through the editor by paste, options
// through the controls, and results are read back from the editor.
'use strict';
const { test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const { openPage, pasteText, formatText, SITE } = require('./browser');
const golden = require('./golden');

if (!fs.existsSync(SITE + '/index.html')) {
  test('page', { skip: 'the page is not built (make web)' }, () => {});
  return;
}

let session;
before(async () => {
  session = await openPage();
  await session.page.context().grantPermissions(['clipboard-read', 'clipboard-write']);
});
after(async () => { if (session) await session.close(); });

// ---- Driving the page --------------------------------------------------------

async function setOptions(page, o) {
  await page.selectOption('#optIndent', String(o.indent));
  await page.check(o.commaBefore ? '#optCommaBefore' : '#optCommaAfter');
  await page.setChecked('#optLfSp', o.lineBreaksSeparate);
  await page.setChecked('#optBold', o.bold);
  await page.setChecked('#optSimple', o.simpleMode);
  await page.setChecked('#optKeepMeaning', o.keepMeaning);
  await page.selectOption('#optDialect', o.dialect || 'any');
}

async function putText(page, text) {
  await pasteText(page, text);
  assert.equal(await page.evaluate(() => window.kelvraPage.text()), text);
}

async function runs(page) {
  return Number(await page.$eval('body', b => b.dataset.runs || 0));
}

const format = (page, how = 'key') => formatText(page, how === 'key' ? null : '#runButton');

// What the editor holds: the text, the bold words' ranges in it, the selection,
// and the message shown above it.
async function shown(page) {
  return page.evaluate(() => {
    const message = document.getElementById('message');
    return {
      text: window.kelvraPage.text(), spans: window.kelvraPage.boldSpans(),
      selection: window.kelvraPage.selectedText(),
      message: message.hidden ? null : document.getElementById('messageText').textContent
    };
  });
}

// ---- Corpus against the expected results -------------------------------------

// The expected results are those of the base rules alone (意味を保つ off).
// KELVRA_WEB_FULL=1 (make test-web-full) checks every corpus file under every
// set; otherwise a sample under two sets keeps the run short.
const FULL = process.env.KELVRA_WEB_FULL === '1';
const ALL_OPTION_SETS = {
  defaults: { indent: 8, commaBefore: false, lineBreaksSeparate: false, bold: true, simpleMode: false, keepMeaning: false },
  'comma-before-indent4-lfsp':
    { indent: 4, commaBefore: true, lineBreaksSeparate: true, bold: true, simpleMode: false, keepMeaning: false },
  'simple-indent2': { indent: 2, commaBefore: false, lineBreaksSeparate: false, bold: true, simpleMode: true, keepMeaning: false }
};
const OPTION_SETS = FULL ? ALL_OPTION_SETS
  : { defaults: ALL_OPTION_SETS.defaults, 'comma-before-indent4-lfsp': ALL_OPTION_SETS['comma-before-indent4-lfsp'] };

// Every file with non-ASCII text (UTF-8 or code page 932), every tenth of the
// rest, and the refused ones; small enough to keep the run short. All files
// in the full run.
function chosenFiles() {
  const files = [];
  let plain = 0;
  for (const file of golden.corpusFiles()) {
    const bytes = fs.readFileSync(golden.CORPUS + '/' + file);
    if (FULL) {
      if (Object.keys(OPTION_SETS).some(set => golden.expected(set, file))) files.push(file);
      continue;
    }
    if (bytes.length > 100000) continue;
    const hasResults = Object.keys(OPTION_SETS).every(set => golden.expected(set, file));
    if (!hasResults) continue;
    const refused = Object.keys(OPTION_SETS).some(set => golden.expected(set, file).refused);
    const nonAscii = bytes.some(b => b > 0x7f);
    if (nonAscii || refused || (bytes.length < 40000 && plain++ % 10 === 0)) files.push(file);
  }
  return files;
}

for (const [set, options] of Object.entries(OPTION_SETS)) {
  test(`corpus formatted as expected under ${set}`, { skip: !golden.available() && `no ${golden.SHARED}` }, async t => {
    const { page } = session;
    await setOptions(page, options);
    const files = chosenFiles();
    assert.ok(files.length >= 20, `only ${files.length} corpus files chosen`);
    for (const file of files) {
      await t.test(file, async () => {
        const input = golden.decode(fs.readFileSync(golden.CORPUS + '/' + file)).replace(/\r\n?/g, '\n');
        const want = golden.expected(set, file);
        if (!want) return;
        await putText(page, input);
        await format(page);
        const got = await shown(page);
        if (want.refused) {
          assert.equal(got.message, want.message);
          assert.equal(got.text, input, 'a refused text stays as it was');
          assert.match(got.selection, /^('|"|\/\*)$/, 'the unmatched opening is selected');
          return;
        }
        // The base rules may change what the SQL means; the page then says so, and the text is still theirs.
        assert.ok(got.message === null || /^整形で意味の変わった箇所が \d+ 箇所あります/.test(got.message), got.message);
        assert.equal(got.text.replace(/\n/g, '\r\n'), want.text);
        assert.deepEqual(golden.toByteSpans(got.text, got.spans), want.bold);
      });
    }
  });
}

// ---- The rest of the page -----------------------------------------------------

const SAMPLE = "select a.id, b.name, nvl(b.qty, 0) qty from orders a, items b " +
               "where a.id = b.id and b.qty > 10 order by a.id;";

test('a worked example comes out as worked by hand, with the button', async () => {
  const { page } = session;
  await setOptions(page, OPTION_SETS.defaults);
  await putText(page, SAMPLE);
  await format(page, 'button');
  const got = await shown(page);
  const e = ' '.repeat(8);
  assert.equal(got.text, ['SELECT ', e + 'A.ID , ', e + 'B.NAME , ', e + 'NVL ( B.QTY , 0 ) QTY ', 'FROM ',
    e + 'ORDERS A , ', e + 'ITEMS B ', 'WHERE ', e + 'A.ID = B.ID ', e + 'AND B.QTY > 10 ', 'ORDER BY ',
    e + 'A.ID ; ', ' '.repeat(9)].join('\n'));
  assert.deepEqual(got.spans.map(([s, end]) => got.text.slice(s, end)),
    ['SELECT', 'NVL', 'FROM', 'WHERE', 'AND', 'ORDER BY']);
  // The bold words are drawn bold on the screen too.
  assert.deepEqual(await page.$$eval('.cm-content .kw', spans => spans.map(s => s.textContent)),
    ['SELECT', 'NVL', 'FROM', 'WHERE', 'AND', 'ORDER BY']);
});

test('without emphasis nothing is bold; simple mode shows in the status bar', async () => {
  const { page } = session;
  await setOptions(page, { ...OPTION_SETS.defaults, bold: false, simpleMode: true });
  assert.equal(await page.textContent('#statusMode'), '簡易モード');
  await putText(page, SAMPLE);
  await format(page);
  const got = await shown(page);
  assert.ok(got.text.startsWith('SELECT \n'));
  assert.deepEqual(got.spans, []);
  await setOptions(page, OPTION_SETS.defaults);
  assert.equal(await page.textContent('#statusMode'), '標準モード');
});

test('整形前に戻す and Ctrl+B put the text from before the run back', async () => {
  const { page } = session;
  await setOptions(page, OPTION_SETS.defaults);
  page.once('dialog', d => { assert.equal(d.message(), '整形前に戻しますか？'); d.dismiss(); });
  await putText(page, SAMPLE);
  await format(page);
  await page.click('#revertButton'); // answered no: nothing changes
  assert.ok((await shown(page)).text.startsWith('SELECT'), 'the result still shows');
  page.once('dialog', d => d.accept());
  await page.keyboard.press('Control+b');
  await page.waitForFunction(t => window.kelvraPage.text() === t, SAMPLE);
  assert.deepEqual((await shown(page)).spans, []);
});

test('a multi-byte text keeps its place marks: the unmatched quote after Japanese text is selected', async () => {
  const { page } = session;
  const text = "select '日本語' a, -- 注釈 😀\nb from t where c = 'open";
  await putText(page, text);
  await format(page);
  const got = await shown(page);
  assert.equal(got.message, '対になる文字列（\'）が見つかりません');
  assert.equal(got.text, text);
  assert.equal(got.selection, "'");
  const place = await page.textContent('#messagePlace');
  assert.equal(place, '（2 行 20 文字目）');
  assert.deepEqual(await page.evaluate(() => window.kelvraPage.selection()),
    [text.lastIndexOf("'"), text.lastIndexOf("'") + 1]);
});

test('中断 stops a long run; the text stays and the next run works', async () => {
  const { page } = session;
  const long = (SAMPLE + '\n').repeat(Math.ceil(6000000 / SAMPLE.length));
  await putText(page, long);
  const before = await runs(page);
  await page.keyboard.press('Control+g');
  await page.waitForSelector('#cancelButton:not([hidden])');
  await page.focus('.cm-content');
  await page.keyboard.type('x'); // refused while the run lasts
  assert.equal(await page.$eval('.cm-content', e => e.getAttribute('aria-readonly')), 'true');
  await page.click('#cancelButton');
  await page.waitForFunction(n => Number(document.body.dataset.runs) > n, before);
  assert.equal(await page.textContent('#statusText'), '中断しました');
  assert.equal(await page.evaluate(() => window.kelvraPage.text()), long);
  assert.equal(await page.$eval('.cm-content', e => e.getAttribute('aria-readonly')), 'false');
  await page.waitForSelector('#runButton:not([disabled])');
  await putText(page, SAMPLE);
  await format(page);
  assert.ok((await shown(page)).text.startsWith('SELECT \n'));
});

test('options are kept when the page is opened again', async () => {
  const { page } = session;
  const kept = {
    indent: 3, commaBefore: true, lineBreaksSeparate: true, bold: false, simpleMode: true, keepMeaning: true,
    dialect: 'postgresql'
  };
  await setOptions(page, kept);
  await page.reload();
  await page.waitForSelector('body[data-ready=true]');
  assert.deepEqual(await page.evaluate(() => ({
    indent: Number(document.getElementById('optIndent').value),
    commaBefore: document.getElementById('optCommaBefore').checked,
    lineBreaksSeparate: document.getElementById('optLfSp').checked,
    bold: document.getElementById('optBold').checked,
    simpleMode: document.getElementById('optSimple').checked,
    keepMeaning: document.getElementById('optKeepMeaning').checked,
    dialect: document.getElementById('optDialect').value
  })), kept);
  assert.equal(await page.textContent('#statusMode'), '簡易モード');
  // A stored dialect the page does not offer shows as every reading kept.
  await page.evaluate(() => localStorage.setItem('kelvra.options', JSON.stringify({ dialect: 'db2' })));
  await page.reload();
  await page.waitForSelector('body[data-ready=true]');
  assert.equal(await page.$eval('#optDialect', e => e.value), 'any');
  await setOptions(page, OPTION_SETS.defaults);
});

// The HTML as the clipboard gives it back: its text unescaped and the spans
// in <b>, to compare with the editor's.
function textAndSpansOf(html) {
  const inner = html.slice(html.indexOf('<pre>') + 5, html.lastIndexOf('</pre>'));
  const unescape = t => t.replace(/&lt;/g, '<').replace(/&gt;/g, '>').replace(/&amp;/g, '&');
  let text = '';
  const spans = [];
  for (const [i, part] of inner.split(/<\/?b>/).entries()) {
    const start = text.length;
    text += unescape(part);
    if (i % 2 === 1) spans.push([start, text.length]);
  }
  return { text, spans };
}

test('結果をコピー puts the result on the clipboard, as text and as HTML with the bold words', async () => {
  const { page } = session;
  await setOptions(page, OPTION_SETS.defaults);
  // Long enough for several slices of lines and of bold words, with characters HTML escapes.
  await putText(page, "select a, '<&>' from t where b < 1 and c > 2;\n".repeat(1500));
  await format(page);
  await page.evaluate(() => navigator.clipboard.writeText(''));
  await page.click('#copyButton');
  await page.waitForFunction(() => document.getElementById('statusText').textContent === '整形結果をコピーしました');
  const want = await shown(page);
  assert.ok(want.spans.length > 3000);
  assert.equal(await page.evaluate(() => navigator.clipboard.readText()), want.text);
  const html = await page.evaluate(async () => {
    const [item] = await navigator.clipboard.read();
    return (await item.getType('text/html')).text();
  });
  assert.deepEqual(textAndSpansOf(html), { text: want.text, spans: want.spans });
});

test('the bold words come back with every undo and redo, and 結果をコピー copies them', async () => {
  const { page } = session;
  await setOptions(page, OPTION_SETS.defaults);
  await putText(page, SAMPLE);
  await format(page);
  const result = await shown(page);
  assert.ok(result.spans.length > 0);
  const spans = async () => (await shown(page)).spans;
  const steps = [
    ['Control+z', []], ['Control+y', result.spans],
    ['Control+b', []], ['Control+z', result.spans],
    ['Control+a Delete', []], ['Control+z', result.spans]
  ];
  await page.focus('.cm-content');
  for (const [keys, want] of steps) {
    if (keys === 'Control+b') page.once('dialog', d => d.accept());
    for (const key of keys.split(' ')) await page.keyboard.press(key);
    await page.waitForFunction(n => window.kelvraPage.boldSpans().length === n, want.length);
    assert.deepEqual(await spans(), want, `after ${keys}`);
  }
  await page.click('#copyButton');
  await page.waitForFunction(() => document.getElementById('statusText').textContent === '整形結果をコピーしました');
  const html = await page.evaluate(async () => {
    const [item] = await navigator.clipboard.read();
    return (await item.getType('text/html')).text();
  });
  assert.deepEqual(textAndSpansOf(html), { text: result.text, spans: result.spans });
});

// The meaning notice names the place and the tokens in the page's own words,
// in the text before the run (a byte-order mark in front counts as a character).
const MEANING_NOTICES = [
  { text: 'select a, b\nfrom t', place: '（整形前の 1 行 12 文字目: 「b」と「from」の間の改行がなくなり、つながります）' },
  { text: '\uFEFFselect a, b\nfrom t', place: '（整形前の 1 行 12 文字目: 「b」と「from」の間の改行がなくなり、つながります）' },
  { text: 'select "a"\n"b" from t', place: '（整形前の 1 行 11 文字目: 「"a"」と「"b"」が一つのリテラルになります）' },
  { text: 'select a -- note\nfrom t', simpleMode: true,
    place: '（整形前の 1 行 17 文字目: 「from」がコメント「-- note」に入ります）' },
  { text: "select 'abc' from t", simpleMode: true, place: "（整形前の 1 行 8 文字目: リテラル「'abc'」が変わります）" }
];

test('the meaning notice says where and what in Japanese', async t => {
  const { page } = session;
  for (const c of MEANING_NOTICES) {
    await t.test(JSON.stringify(c.text), async () => {
      await setOptions(page, { ...OPTION_SETS.defaults, simpleMode: c.simpleMode === true });
      await putText(page, c.text);
      await format(page);
      assert.equal((await shown(page)).message, '整形で意味の変わった箇所が 1 箇所あります');
      assert.equal(await page.textContent('#messagePlace'), c.place);
    });
  }
  await setOptions(page, OPTION_SETS.defaults);
});

// ---- The reserved-word table -------------------------------------------------

const LISTS = { yoyaku: '#listYoyaku', kansu: '#listKansu' };

function entry(page, list, text) {
  return page.locator(`${LISTS[list]} li`).filter({ has: page.locator('label', { hasText: new RegExp(`^\\s*${text}$`) }) });
}

async function keywordState(page, list, text) {
  return entry(page, list, text).locator('input').evaluate(b => b.indeterminate ? 'gray' : b.checked ? 'on' : 'off');
}

// One user action on the table, then the wait for its answer from the worker.
async function onTable(page, act) {
  const before = Number(await page.$eval('body', b => b.dataset.keywordChanges || 0));
  await act();
  await page.waitForFunction(n => Number(document.body.dataset.keywordChanges || 0) > n, before);
}

async function showTab(page, list) {
  if (await page.isHidden('#keywordPanel')) await page.click('#keywordButton');
  await page.click(list === 'yoyaku' ? '#tabYoyaku' : '#tabKansu');
}

async function clickEntry(page, list, text) {
  await showTab(page, list);
  await onTable(page, () => entry(page, list, text).locator('input').click());
}

test('reserved-word table: a function follows its reserved word through off, gray and on', async () => {
  const { page } = session;
  assert.equal(await keywordState(page, 'kansu', 'NVL'), 'on');
  await clickEntry(page, 'yoyaku', 'NVL');
  assert.equal(await keywordState(page, 'yoyaku', 'NVL'), 'off');
  assert.equal(await keywordState(page, 'kansu', 'NVL'), 'gray');
  await clickEntry(page, 'kansu', 'NVL'); // gray goes off
  assert.equal(await keywordState(page, 'kansu', 'NVL'), 'off');
  await clickEntry(page, 'kansu', 'NVL'); // on again, but gray while the word is off
  assert.equal(await keywordState(page, 'kansu', 'NVL'), 'gray');
  await clickEntry(page, 'yoyaku', 'NVL');
  assert.equal(await keywordState(page, 'kansu', 'NVL'), 'on');
  // MONTH_BETWEEN has no reserved word: all three states in turn.
  const seen = [];
  for (let i = 0; i < 3; i++) {
    await clickEntry(page, 'kansu', 'MONTH_BETWEEN');
    seen.push(await keywordState(page, 'kansu', 'MONTH_BETWEEN'));
  }
  assert.deepEqual(seen, ['off', 'gray', 'on']);
});

test('reserved-word table: 全て解除 then 全てチェック brings back every function that was on', async () => {
  const { page } = session;
  await clickEntry(page, 'kansu', 'ABS'); // off: stays off throughout
  await showTab(page, 'yoyaku');
  await onTable(page, () => page.click('#yoyakuAllUnCheck'));
  assert.equal(await keywordState(page, 'yoyaku', 'SELECT'), 'off');
  assert.equal(await keywordState(page, 'kansu', 'NVL'), 'gray');
  assert.equal(await keywordState(page, 'kansu', 'ABS'), 'off');
  await onTable(page, () => page.click('#yoyakuAllCheck'));
  assert.equal(await keywordState(page, 'kansu', 'NVL'), 'on');
  assert.equal(await keywordState(page, 'kansu', 'ABS'), 'off');
  await showTab(page, 'kansu');
  await onTable(page, () => page.click('#kansuAllCheck'));
  assert.equal(await keywordState(page, 'kansu', 'ABS'), 'on');
});

test('reserved words switched off in the table format as expected, and stay off after a reload',
  { skip: !golden.available() && `no ${golden.SHARED}` }, async t => {
    const { page } = session;
    await setOptions(page, OPTION_SETS.defaults);
    for (const word of ['GROUP BY', 'ORDER BY', 'SELECT', 'NVL']) await clickEntry(page, 'yoyaku', word);
    await page.reload();
    await page.waitForSelector('body[data-ready=true]');
    assert.equal(await keywordState(page, 'yoyaku', 'SELECT'), 'off');
    assert.equal(await keywordState(page, 'kansu', 'NVL'), 'gray');
    const files = chosenFiles().filter(f => golden.expected('keywords-off', f)).slice(0, FULL ? undefined : 12);
    for (const file of files) {
      await t.test(file, async () => {
        const input = golden.decode(fs.readFileSync(golden.CORPUS + '/' + file)).replace(/\r\n?/g, '\n');
        const want = golden.expected('keywords-off', file);
        await putText(page, input);
        await format(page);
        const got = await shown(page);
        if (want.refused) {
          assert.equal(got.message, want.message);
          return;
        }
        assert.equal(got.text.replace(/\n/g, '\r\n'), want.text);
        assert.deepEqual(golden.toByteSpans(got.text, got.spans), want.bold);
      });
    }
    await showTab(page, 'yoyaku');
    await onTable(page, () => page.click('#yoyakuAllCheck'));
  });

test('the page made no script errors', () => {
  assert.deepEqual(session.errors, []);
});
