// The one editor that holds the SQL text before and after a run: line numbers,
// undo across runs, its own search (Ctrl+F), reserved words in bold as mark
// decorations. Only the lines in view are drawn, so a long text is cheap to show.
import { Annotation, Compartment, EditorState, Prec, RangeSetBuilder, StateEffect, StateField, Text } from '@codemirror/state';
import { Decoration, EditorView, ViewPlugin, drawSelection, highlightActiveLine, keymap, lineNumbers } from '@codemirror/view';
import { defaultKeymap, history, historyKeymap, invertedEffects, isolateHistory } from '@codemirror/commands';
import { search, searchKeymap } from '@codemirror/search';
import { inSlices } from './slices.js';

const boldMark = Decoration.mark({ class: 'kw' });
const setBold = StateEffect.define({ map: (bold, changes) => bold.map(changes) });

// The bold words: replaced whole by a run, moved along with the user's edits.
// The last setBold of a transaction counts: an undo step made of several
// edits carries each one's bold, the earliest last.
const boldField = StateField.define({
  create: () => Decoration.none,
  update(bold, tr) {
    const set = tr.effects.filter(e => e.is(setBold));
    if (set.length) return set[set.length - 1].value;
    return tr.docChanged ? bold.map(tr.changes) : bold;
  }
});

// Every undo and redo step puts back the bold words it started from, so that
// a result undone and redone, or an edit over bold words undone, is bold again.
const boldInHistory = invertedEffects.of(tr => {
  const before = tr.startState.field(boldField);
  const changesBold = tr.effects.some(e => e.is(setBold)) || (tr.docChanged && before.size > 0);
  return changesBold ? [setBold.of(before)] : [];
});

// The editor's own texts (search panel, go to line, announcements) in Japanese.
const PHRASES = {
  Find: '検索', Replace: '置換', next: '次へ', previous: '前へ', all: 'すべて', 'match case': '大文字と小文字を区別',
  regexp: '正規表現', 'by word': '単語単位', replace: '置換', 'replace all': 'すべて置換', close: '閉じる',
  'current match': '現在の一致', 'on line': '行', 'replaced match on line $': '$ 行目の一致を置換しました',
  'replaced $ matches': '$ 箇所を置換しました', 'Go to line': '行番号', go: '移動',
  'Control character': '制御文字', 'Selection deleted': '選択範囲を削除しました'
};

// The editor is given the bold words in view only: it compares old and new
// decorations on each update, which over a whole long result costs more than
// a frame.
const boldInView = ViewPlugin.fromClass(class {
  constructor(view) {
    this.decorations = this.inView(view);
  }

  update(u) {
    if (u.docChanged || u.viewportChanged || u.startState.field(boldField) !== u.state.field(boldField))
      this.decorations = this.inView(u.view);
  }

  inView(view) {
    const builder = new RangeSetBuilder();
    let last = -1;
    for (const { from, to } of view.visibleRanges) {
      view.state.field(boldField).between(from, to, (start, end) => {
        if (start >= last) builder.add(start, end, boldMark);
        last = Math.max(last, end);
      });
    }
    return builder.finish();
  }
}, { decorations: plugin => plugin.decorations });

// While locked (during a run) the user's edits are refused; the page's own go
// through. The flag is part of the state, so locking costs one small update.
const setLocked = StateEffect.define();
const lockedField = StateField.define({
  create: () => false,
  update(locked, tr) {
    for (const e of tr.effects) if (e.is(setLocked)) return e.value;
    return locked;
  },
  provide: field => EditorView.contentAttributes.from(field, locked => ({ 'aria-readonly': String(locked) }))
});

// Marks the page's own changes (a run's result, an opened file, a revert),
// which go through while the user's edits are held back during a run.
const fromPage = Annotation.define();

// A CodeMirror document built from LF text given in pieces (strings; a line
// may run across pieces), a slice at a time.
async function documentOf(pieces, stopped) {
  const LINES_PER_STEP = 2000;
  let doc = null;
  let carry = '';     // the start of a line that the next piece continues
  let piece = 0, pos = 0;
  await inSlices(() => {
    const lines = [];
    while (lines.length < LINES_PER_STEP && piece < pieces.length) {
      const text = pieces[piece];
      const lf = text.indexOf('\n', pos);
      if (lf < 0) {
        carry += text.slice(pos);
        piece++;
        pos = 0;
        continue;
      }
      lines.push(carry + text.slice(pos, lf));
      carry = '';
      pos = lf + 1;
    }
    if (piece === pieces.length) lines.push(carry);
    // Each step after the first starts on a new line: the leading empty line
    // puts the line break between the steps.
    doc = doc === null ? Text.of(lines) : doc.append(Text.of(['', ...lines]));
    return piece < pieces.length;
  }, stopped);
  return doc;
}

// Long texts are handled in pieces of this many characters (UTF-8 bytes when
// decoding): at most 64 KB each, so that the browser makes them in its young
// heap, where a piece that is soon dropped costs next to nothing, and not as
// large objects, whose freeing in a full garbage collection holds the page.
const PIECE = 1 << 15;

// A document's text in pieces, each taken only when asked for, so that a long
// text is never copied in one step.
export function* piecesOf(doc, size = PIECE) {
  for (let from = 0; from < doc.length; from += size) yield doc.sliceString(from, Math.min(doc.length, from + size));
}

// UTF-8 bytes decoded in pieces, so that no single step holds the page long.
async function decodedPieces(bytes, stopped) {
  const decoder = new TextDecoder('utf-8', { ignoreBOM: true }); // a byte-order mark is the text's
  const pieces = [];
  let at = 0;
  await inSlices(() => {
    const end = Math.min(bytes.length, at + PIECE);
    pieces.push(decoder.decode(bytes.subarray(at, end), { stream: end < bytes.length }));
    at = end;
    return at < bytes.length;
  }, stopped);
  return pieces;
}

// A pasted text in pieces, its line breaks (CR LF, CR) made LF as the editor
// reads them; a CR LF is never cut between pieces.
async function pastedPieces(text, stopped) {
  const pieces = [];
  let at = 0;
  await inSlices(() => {
    let end = Math.min(text.length, at + PIECE);
    if (text.charCodeAt(end - 1) === 13 && end < text.length) end++;
    pieces.push(text.slice(at, end).replace(/\r\n?/g, '\n'));
    at = end;
    return at < text.length;
  }, stopped);
  return pieces;
}

// Pasted texts of this many characters or more are made into a document a
// slice at a time: the editor's own paste splits them in one step that holds
// the page for half a second at 20 MB.
const LONG_PASTE = 1 << 20;

// The bold spans [start, end, start, end ...] (sorted, UTF-16 offsets) as one
// decoration set, built a slice at a time.
async function boldSetOf(spans, stopped) {
  const builder = new RangeSetBuilder();
  const SPANS_PER_STEP = 5000;
  let i = 0;
  await inSlices(() => {
    const stop = Math.min(spans.length, i + 2 * SPANS_PER_STEP);
    for (; i < stop; i += 2) if (spans[i] < spans[i + 1]) builder.add(spans[i], spans[i + 1], boldMark);
    return i < spans.length;
  }, stopped);
  return builder.finish();
}

export class SqlEditor {
  // `keys`: {run, revert, cancel, save, open}, each returning true when it acted.
  constructor(parent, keys, onChange) {
    const pageKeys = Prec.highest(keymap.of([
      { key: 'Mod-g', run: () => { keys.run(); return true; } },
      { key: 'Mod-b', run: () => { keys.revert(); return true; } },
      { key: 'Mod-s', run: () => { keys.save(); return true; } },
      { key: 'Mod-o', run: () => { keys.open(); return true; } },
      { key: 'Escape', run: () => keys.cancel() }
    ]));
    this.history = new Compartment();
    const heldDuringRun = EditorState.transactionFilter.of(
      tr => (tr.startState.field(lockedField) && tr.docChanged && !tr.annotation(fromPage) ? [] : tr));
    this.view = new EditorView({
      parent,
      state: EditorState.create({
        doc: '',
        extensions: [
          pageKeys, lineNumbers(), this.history.of(history()), boldInHistory, drawSelection(), highlightActiveLine(),
          search({ top: true }),
          keymap.of([...searchKeymap, ...historyKeymap, ...defaultKeymap]), boldField, boldInView, lockedField, heldDuringRun,
          EditorState.tabSize.of(8), EditorState.phrases.of(PHRASES),
          EditorView.contentAttributes.of({ 'aria-label': 'SQL', spellcheck: 'false', autocorrect: 'off',
                                            autocapitalize: 'off' }),
          EditorView.updateListener.of(update => { if (update.docChanged) onChange(update); }),
          EditorView.domEventHandlers({ paste: event => this.pasteLong(event) })
        ]
      })
    });
  }

  // Takes a long text pasted (true) and puts it in place of the selection
  // once it is built; an edit meanwhile drops it.
  pasteLong(event) {
    const text = event.clipboardData ? event.clipboardData.getData('text/plain') : '';
    if (text.length < LONG_PASTE) return false;
    event.preventDefault();
    const start = this.view.state;
    const changed = () => this.view.state.doc !== start.doc;
    pastedPieces(text, changed).then(pieces => documentOf(pieces, changed)).then(doc => {
      const { from, to } = start.selection.main;
      this.view.dispatch({
        changes: { from, to, insert: doc }, selection: { anchor: from + doc.length }, scrollIntoView: true,
        userEvent: 'input.paste'
      });
    }, () => { /* the text changed meanwhile */ });
    return true;
  }

  get doc() { return this.view.state.doc; }
  text() { return this.view.state.doc.toString(); }

  lock(on) {
    this.view.dispatch({ effects: setLocked.of(on) });
  }

  // Puts the text (a string, an array of string pieces, or UTF-8 bytes) and
  // its bold spans in place of the whole document as one undoable step; the
  // cursor goes to the top. Builds in slices and throws 'stopped' when
  // `stopped()` turns true meanwhile, leaving the document as it was.
  async replace(text, bold, stopped = () => false) {
    const pieces = typeof text === 'string' ? [text] : Array.isArray(text) ? text : await decodedPieces(text, stopped);
    const doc = await documentOf(pieces, stopped);
    const set = bold && bold.length ? await boldSetOf(bold, stopped) : Decoration.none;
    this.replaceWith(doc, set);
  }

  replaceWith(doc, bold = Decoration.none) {
    this.view.dispatch({
      changes: { from: 0, to: this.view.state.doc.length, insert: doc },
      effects: [setBold.of(bold), EditorView.scrollIntoView(0)],
      selection: { anchor: 0 },
      // One undo step of its own, never merged with the typing just before.
      annotations: [fromPage.of(true), isolateHistory.of('full')]
    });
  }

  // Forgets every undo and redo step: what came before cannot come back.
  forgetHistory() {
    this.view.dispatch({ effects: this.history.reconfigure([]) });
    this.view.dispatch({ effects: this.history.reconfigure(history()) });
  }

  // The bold spans as [start, end] pairs in document offsets.
  boldSpans() {
    const out = [];
    for (let c = this.boldCursor(); c.value; c.next()) out.push([c.from, c.to]);
    return out;
  }

  // A cursor over the bold spans: value (null past the last), from, to, next().
  boldCursor() {
    return this.view.state.field(boldField).iter();
  }

  select(from, to) {
    this.view.dispatch({
      selection: { anchor: from, head: to },
      effects: EditorView.scrollIntoView(from, { y: 'center' })
    });
    this.view.focus();
  }

  selectAll() {
    this.view.dispatch({ selection: { anchor: 0, head: this.view.state.doc.length } });
    this.view.focus();
  }

  selectedText() {
    const r = this.view.state.selection.main;
    return this.view.state.sliceDoc(r.from, r.to);
  }

  focus() { this.view.focus(); }
}

