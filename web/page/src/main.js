// The page: one editor for the SQL text and its formatted result, the
// formatting options, files opened and saved, the reserved-word table. The
// format runs in a worker so that the page keeps answering during a long run.
import { SqlEditor, piecesOf } from './editor.js';
import { CoreWorker } from './core.js';
import { DraftKeeper, loadDraft } from './draft.js';
import { FilePlace, NEW_FILE_FORMAT, describeFormat } from './files.js';
import { KeywordTable } from './keywords.js';
import { ask } from './ask.js';
import { describeDifference } from './meaning.js';
import { clipboardTexts, putOnClipboard } from './clipboard.js';

const $ = id => document.getElementById(id);
const ui = {
  run: $('runButton'), cancel: $('cancelButton'), stageBar: $('stageBar'), revert: $('revertButton'),
  copy: $('copyButton'), open: $('openButton'), save: $('saveButton'), fileInput: $('fileInput'),
  options: $('options'), lfSp: $('optLfSp'), commaAfter: $('optCommaAfter'), commaBefore: $('optCommaBefore'),
  indent: $('optIndent'), bold: $('optBold'), simple: $('optSimple'), keepMeaning: $('optKeepMeaning'),
  dialect: $('optDialect'),
  message: $('message'), messageCaption: $('messageCaption'), messageText: $('messageText'),
  messagePlace: $('messagePlace'), messageClose: $('messageClose'), fileName: $('fileName'),
  statusMode: $('statusMode'), statusText: $('statusText'), askDialog: $('askDialog'), keywords: $('keywordButton')
};

// The editor's questions about files, worded as the desktop program asks them.
const QUESTIONS = {
  unsaved: name => '保存されていない変更があります。\n' + `変更を破棄して ${name} を開きますか？`,
  undecodable: (name, count) => `${name} には文字として読めないバイトが ${count} 箇所あります。\n` +
    '読めない部分を「\uFFFD」に置き換えて開きますか？\n（置き換えた部分は保存すると元に戻りません）',
  notText: name => `${name} はテキストファイルではありません（NUL バイトを含むか、UTF-16 のファイルです）。\n` +
    'テキストとして開きますか？\n（読めない部分は「\uFFFD」に置き換わり、保存すると元に戻りません）',
  notInShiftJis: (count, chars) => `次の文字は Shift-JIS で保存できません（${count} 箇所）：\n${chars}\n\n` +
    '「はい」で UTF-8 として保存します。「いいえ」で置き換えて Shift-JIS のまま保存します。',
  recoded: (count, chars) => `次の文字は、このファイルの中で２種類のコードで書かれています（${count} 箇所）：\n${chars}\n\n` +
    '保存するとすべて同じコードで書き込まれます。保存しますか？',
  mixedLineEnds: written => 'このファイルには種類の違う改行が混在しています。\n' +
    `保存するとすべての改行を ${written} にそろえます。保存しますか？`
};

// ---- Stored choices --------------------------------------------------------

function storedItem(key) {
  return {
    read() { try { return JSON.parse(localStorage.getItem(key) || 'null'); } catch (e) { return null; } },
    write(value) { try { localStorage.setItem(key, JSON.stringify(value)); } catch (e) { /* storage off */ } }
  };
}
const storedOptions = storedItem('kelvra.options');

function currentOptions() {
  return {
    indent: Number(ui.indent.value), commaBefore: ui.commaBefore.checked, lineBreaksSeparate: ui.lfSp.checked,
    bold: ui.bold.checked, simpleMode: ui.simple.checked, keepMeaning: ui.keepMeaning.checked,
    dialect: ui.dialect.value
  };
}

// Stored values that are not what the control can show give the default.
function showOptions(o) {
  o = o && typeof o === 'object' ? o : {};
  ui.indent.value = Number.isInteger(o.indent) && o.indent >= 1 && o.indent <= 10 ? String(o.indent) : '8';
  ui.commaBefore.checked = o.commaBefore === true;
  ui.commaAfter.checked = !ui.commaBefore.checked;
  ui.lfSp.checked = o.lineBreaksSeparate === true;
  ui.bold.checked = o.bold !== false;
  ui.simple.checked = o.simpleMode === true;
  ui.keepMeaning.checked = o.keepMeaning !== false;
  const dialects = Array.from(ui.dialect.options, option => option.value);
  ui.dialect.value = dialects.includes(o.dialect) ? o.dialect : 'any';
}

function showMode() {
  ui.statusMode.textContent = ui.simple.checked ? '簡易モード' : '標準モード';
}

// ---- State -----------------------------------------------------------------

const core = new CoreWorker();
const files = new FilePlace(ui.fileInput);
let running = false;
let runNumber = 0;
let revertDoc = null;  // the document from before the last run
let file = null;       // {name, format, handle} of the text's file, null for a new text
let cleanDoc = null;   // the document as last opened or saved
const keywords = new KeywordTable(core, storedItem('kelvra.keywords'), () => running);

const editor = new SqlEditor($('editor'), {
  run: () => runFormat(), revert: () => revert(), save: () => saveFile(), open: () => openFile(),
  cancel: () => cancelFormat()
}, () => { showButtons(); drafts.changed(); });

const drafts = new DraftKeeper(() => ({
  text: editor.doc, revert: revertDoc, dirty: isDirty(),
  file: file && { name: file.name, format: file.format }
}), () => { document.body.dataset.drafts = String(Number(document.body.dataset.drafts || 0) + 1); });

// Any change since the last open or save counts (documents are immutable, so
// the same document means no change; comparing texts would cost a long text's time).
function isDirty() {
  const doc = editor.doc;
  return cleanDoc === null ? doc.length > 0 : doc !== cleanDoc;
}

function status(text) {
  ui.statusText.textContent = text;
}

function showButtons() {
  ui.run.disabled = running || !core.ready;
  ui.revert.disabled = running || revertDoc === null;
  ui.copy.disabled = running || editor.doc.length === 0;
  ui.open.disabled = running || !core.ready;
  ui.save.disabled = running || !core.ready;
}

function setRunning(on) {
  running = on;
  document.body.dataset.state = on ? 'running' : 'idle';
  ui.cancel.hidden = !on;
  ui.stageBar.hidden = !on;
  ui.stageBar.value = 0;
  editor.lock(on);
  Array.prototype.forEach.call(ui.options.elements, e => { e.disabled = on; });
  keywords.busy(on);
  showButtons();
}

// Runs ended so far, for scripts that drive the page.
function countRun() {
  document.body.dataset.runs = String(Number(document.body.dataset.runs || 0) + 1);
}

function formatSeconds(ms) {
  return (ms / 1000).toFixed(ms < 10000 ? 2 : 1);
}

// ---- Format run ------------------------------------------------------------

async function runFormat() {
  if (running || ui.run.disabled) return;
  hideMessage();
  const before = editor.doc;
  const id = ++runNumber;
  const stopped = () => !running || id !== runNumber;
  setRunning(true);
  status('整形しています...');
  const started = performance.now();
  const options = currentOptions();
  try {
    await core.sendPieces(piecesOf(before), stopped);
  } catch (e) {
    return; // cancelled while the text went over
  }
  const reply = await core.request({ op: 'format', options, states: keywords.states });
  if (stopped()) return;
  const r = reply.result;
  if (r.end === 'normal') {
    performance.mark('kelvra-result-arrived');
    try {
      await editor.replace(r.text, r.bold, stopped);
    } catch (e) {
      return; // cancelled while the result was prepared: the text stays
    }
    revertDoc = before;
    drafts.changed();
    performance.mark('kelvra-result-shown');
    status('整形しました（' + formatSeconds(performance.now() - started) + ' 秒）');
    showMeaning(r.meaning, before);
  } else {
    showFailure(r);
  }
  $('editor').dataset.coreMs = String(Math.round(r.milliseconds || 0));
  setRunning(false);
  if (r.end !== 'normal') markPlace(r);
  countRun();
}

// Answers at once; the worker is replaced, since it cannot be interrupted.
function cancelFormat() {
  if (!running) return false;
  setRunning(false);
  core.ready = false;
  showButtons();
  status('中断しました');
  core.restart().then(() => { core.ready = true; showButtons(); });
  countRun();
  return true;
}

function showMessage(kind, caption, text, place) {
  ui.message.className = 'message ' + kind;
  ui.messageCaption.textContent = caption;
  ui.messageText.textContent = text;
  ui.messagePlace.textContent = place || '';
  ui.message.hidden = false;
}

function hideMessage() { ui.message.hidden = true; }

function showFailure(r) {
  if (r.end === 'cancelled') return;
  showMessage(r.icon === 'error' ? 'error' : 'warning', r.caption || 'エラー',
    r.message || '整形処理でエラーが発生しました', r.line ? '（' + r.line + ' 行 ' + r.column + ' 文字目）' : '');
  status('整形できませんでした。テキストは変わっていません');
}

// The meaning check's word on the run: places where more than letter case and
// blanks changed are shown with the first of them.
function showMeaning(meaning, before) {
  if (!meaning || !meaning.count) return;
  const what = describeDifference(meaning, before);
  const place = meaning.line ? '（整形前の ' + meaning.line + ' 行 ' + meaning.column + ' 文字目' +
    (what ? ': ' + what : '') + '）' : '';
  showMessage('warning', '確認', '整形で意味の変わった箇所が ' + meaning.count + ' 箇所あります', place);
  status('整形しました。意味の変わった箇所が ' + meaning.count + ' 箇所あります（整形前に戻す: Ctrl+B）');
}

// Selects the unmatched quote or comment opening and brings it into view.
function markPlace(r) {
  if (r.highlightStart === undefined) return;
  editor.select(r.highlightStart, r.highlightEnd);
}

// ---- Revert and copy ---------------------------------------------------------

async function revert() {
  if (running || revertDoc === null) return;
  if (!window.confirm('整形前に戻しますか？')) return;
  editor.replaceWith(revertDoc);
  status('整形前のテキストに戻しました');
}

// The text, with the bold words as HTML too. A long text takes a moment: the
// button waits meanwhile.
async function copyText() {
  ui.copy.disabled = true;
  try {
    const texts = await clipboardTexts(editor.doc, editor.boldCursor());
    if (!putOnClipboard(texts)) await navigator.clipboard.writeText(texts.plain);
    status('整形結果をコピーしました');
  } catch (e) {
    status('コピーできませんでした。テキストを選択して Ctrl+C でコピーしてください');
  } finally {
    showButtons();
  }
}

// ---- Files -------------------------------------------------------------------

function openFile() {
  if (running || !core.ready) return;
  files.pick(openPicked).catch(cannotOpen);
}

function cannotOpen(e) {
  status('ファイルを開けませんでした: ' + e.message);
}

// Opens a file picked, dropped or handed to the installed page (handle: where
// it can be saved back, when the browser says); failures go to the status line.
function openPicked(picked, handle = null) {
  return readFile(picked, handle).catch(cannotOpen);
}

// The text goes only when the user says so. The undo history goes with it:
// Ctrl+Z must not bring another file's text back under this file's name,
// encoding and line ends, where Ctrl+S would write it.
async function readFile(picked, handle) {
  await startup;
  if (running) return;
  const bytes = await picked.arrayBuffer();
  const reply = await core.request({ op: 'decode', bytes }, [bytes]);
  const decoded = reply.file;
  if (!decoded) { status('ファイルを開けませんでした: ' + (reply.detail || '')); return; }
  const questions = [];
  if (isDirty()) questions.push(QUESTIONS.unsaved(picked.name));
  if (decoded.problem === 'notText') questions.push(QUESTIONS.notText(picked.name));
  else if (decoded.problem !== 'none') questions.push(QUESTIONS.undecodable(picked.name, decoded.badBytes));
  for (const question of questions)
    if (await ask(ui.askDialog, question) !== 'ok') { status('開くのをやめました'); return; }
  await editor.replace(decoded.text, null);
  editor.forgetHistory();
  hideMessage(); // it spoke of the text that went
  file = { name: picked.name, format: decoded.format, handle };
  cleanDoc = editor.doc;
  revertDoc = null;
  showFile();
  showButtons();
  drafts.changed();
  status(picked.name + ' を開きました（' + describeFormat(decoded.format) + '）');
}

// The document goes over in pieces, as for a run, so that no step copies it whole.
async function encode(doc, format) {
  await core.sendPieces(piecesOf(doc), () => false);
  const reply = await core.request({ op: 'encode', format });
  if (!reply.file) throw new Error(reply.detail || 'encode');
  return reply.file;
}

// The bytes to write in the file's own format (a Blob), after the editor's
// questions about characters that would change; null when the user declined.
async function bytesToSave(doc, format) {
  let encoded = await encode(doc, format);
  if (encoded.lossy.count) {
    const answer = await ask(ui.askDialog, QUESTIONS.notInShiftJis(encoded.lossy.count, encoded.lossy.characters),
      ['yes', 'no', 'cancel']);
    if (answer === 'cancel') return null;
    if (answer === 'yes') {
      format = { ...format, encoding: 'utf8', byteOrderMark: true };
      encoded = await encode(doc, format);
    }
  }
  if (encoded.recoded.count &&
      await ask(ui.askDialog, QUESTIONS.recoded(encoded.recoded.count, encoded.recoded.characters)) !== 'ok')
    return null;
  if (format.mixedLineEnds &&
      await ask(ui.askDialog, QUESTIONS.mixedLineEnds({ crlf: 'CR+LF', lf: 'LF', cr: 'CR' }[format.lineEnd])) !== 'ok')
    return null;
  return encoded.bytes;
}

async function saveFile() {
  if (running || !core.ready) return;
  const doc = editor.doc;
  const name = file ? file.name : 'kelvra.sql';
  const bytes = await bytesToSave(doc, file ? file.format : NEW_FILE_FORMAT);
  if (!bytes) { status('保存をやめました'); return; }
  const handle = await files.save(name, bytes, file && file.handle);
  if (handle === undefined) { status('保存をやめました'); return; }
  // The file now holds what was written: its format is read back from the bytes.
  const written = await core.request({ op: 'formatOf', blob: bytes });
  file = { name: handle ? handle.name : name, format: written.format, handle };
  cleanDoc = doc;
  showFile();
  drafts.changed();
  status(file.name + ' を保存しました（' + describeFormat(file.format) + '）');
  document.body.dataset.saves = String(Number(document.body.dataset.saves || 0) + 1);
}

function showFile() {
  ui.fileName.textContent = file ? file.name + '（' + describeFormat(file.format) + '）' : '';
}

// ---- Start ---------------------------------------------------------------------

// Without the core nothing that needs it can work: those buttons say why.
function coreLost(e) {
  if (!document.body.dataset.missing) status('整形機能を読み込めませんでした: ' + e.message);
  for (const b of [ui.open, ui.save, ui.run, ui.keywords]) {
    b.disabled = true;
    b.title = '整形機能を読み込めなかったため使えません';
  }
}

async function restoreDraft() {
  const draft = await loadDraft();
  if (!draft) return;
  if (draft.revert !== null) {
    await editor.replace(draft.revert, null);
    revertDoc = editor.doc;
  }
  await editor.replace(draft.text, null);
  file = draft.file && draft.file.format ? { ...draft.file, handle: null } : null;
  cleanDoc = draft.dirty ? null : editor.doc;
  showFile();
  showButtons();
  if (editor.doc.length || revertDoc) status('前回のテキストを戻しました');
}

function onPageKey(event) {
  if (event.defaultPrevented || !event.ctrlKey || event.altKey || event.metaKey) {
    if (event.key === 'Escape' && cancelFormat()) event.preventDefault();
    return;
  }
  const key = event.key.toLowerCase();
  const inField = event.target.matches && event.target.matches('input, select, textarea');
  const action = { g: runFormat, b: revert, s: saveFile, o: openFile }[key];
  if (action) { event.preventDefault(); action(); }
  // Select all means the text, not the page around it.
  else if (key === 'a' && !inField) { event.preventDefault(); editor.selectAll(); }
}

function wire() {
  ui.run.addEventListener('click', runFormat);
  ui.cancel.addEventListener('click', cancelFormat);
  ui.revert.addEventListener('click', revert);
  ui.copy.addEventListener('click', copyText);
  ui.open.addEventListener('click', openFile);
  ui.save.addEventListener('click', saveFile);
  ui.fileInput.addEventListener('change', () => { if (ui.fileInput.files[0]) openPicked(ui.fileInput.files[0]); });
  ui.messageClose.addEventListener('click', hideMessage);
  ui.options.addEventListener('change', () => { storedOptions.write(currentOptions()); showMode(); });
  document.addEventListener('keydown', onPageKey);
  // A file dropped anywhere opens; nothing else is dropped into the page.
  document.addEventListener('dragover', event => { event.preventDefault(); }, true);
  document.addEventListener('drop', async event => {
    event.preventDefault();
    event.stopPropagation();
    if (running) return;
    const dropped = await files.dropped(event.dataTransfer);
    if (dropped) openPicked(dropped.file, dropped.handle);
  }, true);
  window.addEventListener('beforeunload', event => {
    drafts.flush();
    if (isDirty()) { event.preventDefault(); event.returnValue = ''; }
  });
  document.addEventListener('visibilitychange', () => { if (document.hidden) drafts.flush(); });
  // A few updates a second: each one costs the browser a frame.
  let lastStageShown = 0;
  core.onStage = (done, total) => {
    const now = performance.now();
    if (now - lastStageShown < 200 && done < total) return;
    lastStageShown = now;
    ui.stageBar.max = total;
    ui.stageBar.value = done;
  };
  core.onWarm = () => { document.body.dataset.warm = 'true'; };
  // The installed page is handed the .sql files opened with it.
  if (window.launchQueue) {
    window.launchQueue.setConsumer(params => {
      const [handle] = params.files || [];
      if (handle && handle.kind === 'file') handle.getFile().then(f => openPicked(f, handle), cannotOpen);
    });
  }
}

function registerServiceWorker() {
  if (!('serviceWorker' in navigator) || !/^https?:$/.test(location.protocol)) return;
  navigator.serviceWorker.register('kelvra-sw.js').catch(() => { /* the page works without it */ });
}

// For scripts that drive the page (tests, benchmarks): what the editor holds.
window.kelvraPage = {
  text: () => editor.text(),
  boldSpans: () => editor.boldSpans(),
  selectedText: () => editor.selectedText(),
  selection: () => { const r = editor.view.state.selection.main; return [r.from, r.to]; }
};

showOptions(storedOptions.read());
showMode();
wire();
setRunning(false);
registerServiceWorker();
// Files opened meanwhile wait for the core and the draft.
const startup = Promise.all([core.start(), restoreDraft()]).then(([catalogue]) => {
  keywords.load(catalogue);
  keywords.wire();
  core.ready = true;
  showButtons();
  if (ui.statusText.textContent === '準備しています...') status('準備ができました');
  document.body.dataset.ready = 'true';
});
startup.catch(coreLost);
