// The one editor that holds the SQL text before and after a run: line numbers,
// undo across runs, its own search (Ctrl+F), reserved words in bold as mark
// decorations. Only the lines in view are drawn, so a long text is cheap to show.
import { Annotation, EditorState, Prec, RangeSetBuilder, StateEffect, StateField, Text } from '@codemirror/state';
import { Decoration, EditorView, drawSelection, highlightActiveLine, keymap, lineNumbers } from '@codemirror/view';
import { defaultKeymap, history, historyKeymap } from '@codemirror/commands';
import { search, searchKeymap } from '@codemirror/search';

// Work is cut into slices of about this many milliseconds, so that the page
// answers keys and clicks (中断, Esc) while a long result is prepared.
const SLICE_MS = 12;

const boldMark = Decoration.mark({ class: 'kw' });
const setBold = StateEffect.define();

// The bold words: replaced whole by a run, moved along with the user's edits.
const boldField = StateField.define({
  create: () => Decoration.none,
  update(bold, tr) {
    for (const e of tr.effects) if (e.is(setBold)) return e.value;
    return tr.docChanged ? bold.map(tr.changes) : bold;
  },
  provide: field => EditorView.decorations.from(field)
});

// Marks the page's own changes (a run's result, an opened file, a revert),
// which go through while the user's edits are held back during a run.
const fromPage = Annotation.define();

function yieldToPage() {
  return new Promise(resolve => setTimeout(resolve, 0));
}

// Resolves after `step()` has returned false, calling it in time slices;
// rejects with 'stopped' when `stopped()` turns true between slices.
async function inSlices(step, stopped) {
  for (;;) {
    const end = performance.now() + SLICE_MS;
    while (performance.now() < end) if (!step()) return;
    await yieldToPage();
    if (stopped()) throw new Error('stopped');
  }
}

// A CodeMirror document built from an LF string a slice at a time.
async function documentOf(text, stopped) {
  const LINES_PER_STEP = 20000;
  let doc = Text.empty;
  let pos = 0;
  let first = true;
  await inSlices(() => {
    const lines = [];
    while (lines.length < LINES_PER_STEP) {
      const lf = text.indexOf('\n', pos);
      if (lf < 0) {
        lines.push(text.slice(pos));
        pos = text.length + 1;
        break;
      }
      lines.push(text.slice(pos, lf));
      pos = lf + 1;
    }
    // Each step after the first starts on a new line: the leading empty line
    // puts the line break between the pieces.
    doc = first ? Text.of(lines) : doc.append(Text.of(['', ...lines]));
    first = false;
    return pos <= text.length;
  }, stopped);
  return doc;
}

// The bold spans [start, end, start, end ...] (sorted, UTF-16 offsets) as one
// decoration set, built a slice at a time.
async function boldSetOf(spans, stopped) {
  const builder = new RangeSetBuilder();
  const SPANS_PER_STEP = 50000;
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
    this.locked = false;
    const pageKeys = Prec.highest(keymap.of([
      { key: 'Mod-g', run: () => { keys.run(); return true; } },
      { key: 'Mod-b', run: () => { keys.revert(); return true; } },
      { key: 'Mod-s', run: () => { keys.save(); return true; } },
      { key: 'Mod-o', run: () => { keys.open(); return true; } },
      { key: 'Escape', run: () => keys.cancel() }
    ]));
    const heldDuringRun = EditorState.transactionFilter.of(
      tr => (this.locked && tr.docChanged && !tr.annotation(fromPage) ? [] : tr));
    this.view = new EditorView({
      parent,
      state: EditorState.create({
        doc: '',
        extensions: [
          pageKeys, lineNumbers(), history(), drawSelection(), highlightActiveLine(), search({ top: true }),
          keymap.of([...searchKeymap, ...historyKeymap, ...defaultKeymap]), boldField, heldDuringRun,
          EditorState.tabSize.of(8),
          EditorView.contentAttributes.of({ 'aria-label': 'SQL', spellcheck: 'false', autocorrect: 'off',
                                            autocapitalize: 'off' }),
          EditorView.updateListener.of(update => { if (update.docChanged) onChange(update); })
        ]
      })
    });
  }

  get doc() { return this.view.state.doc; }
  text() { return this.view.state.doc.toString(); }

  // While locked the user's edits are refused; the page's own go through.
  lock(on) {
    this.locked = on;
    this.view.contentDOM.setAttribute('aria-readonly', String(on));
  }

  // Puts `text` (and its bold spans) in place of the whole document as one
  // undoable step; the cursor goes to the top. Builds in slices and throws
  // 'stopped' when `stopped()` turns true meanwhile, leaving the text as it was.
  async replace(text, bold, stopped = () => false) {
    const doc = await documentOf(text, stopped);
    const set = bold && bold.length ? await boldSetOf(bold, stopped) : Decoration.none;
    this.replaceWith(doc, set);
  }

  replaceWith(doc, bold = Decoration.none) {
    this.view.dispatch({
      changes: { from: 0, to: this.view.state.doc.length, insert: doc },
      effects: [setBold.of(bold), EditorView.scrollIntoView(0)],
      selection: { anchor: 0 },
      annotations: fromPage.of(true)
    });
  }

  // The bold spans as [start, end] pairs in document offsets.
  boldSpans() {
    const out = [];
    for (let c = this.view.state.field(boldField).iter(); c.value; c.next()) out.push([c.from, c.to]);
    return out;
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

