// The result for the clipboard: plain text and HTML with the reserved words in
// bold, for pasting into editors and mail alike. Both are built a slice at a
// time, then handed over in a copy event, where the browser takes the HTML as
// it is; the asynchronous clipboard would parse a long text's HTML again in
// one step that holds the page for seconds.
import { escapeHtml } from './html.js';
import { inSlices, yieldToPage } from './slices.js';
import { piecesOf } from './editor.js';

// Characters of text each step escapes or copies, at most (a bold word that
// runs past the end is taken whole).
const CHARS_PER_STEP = 1 << 15;

// A step that adds the next part of `doc` as HTML to `html`, the spans of
// `bold` (a range cursor: value, from, to, next()) in <b>; false at the end.
function htmlStep(doc, bold, html) {
  let at = 0;
  return () => {
    const parts = [];
    const stop = Math.min(doc.length, at + CHARS_PER_STEP);
    while (at < stop) {
      if (bold.value && bold.from < stop) {
        const from = Math.max(at, bold.from), to = Math.max(from, bold.to);
        parts.push(escapeHtml(doc.sliceString(at, from)), '<b>', escapeHtml(doc.sliceString(from, to)), '</b>');
        at = to;
        bold.next();
      } else {
        parts.push(escapeHtml(doc.sliceString(at, stop)));
        at = stop;
      }
    }
    html.push(parts.join(''));
    return at < doc.length;
  };
}

// `s` as one run of characters. The editor's pieces of text are strings
// joined from lines, which the engine keeps as trees until they are read:
// flattened here, a slice at a time, the final join is a plain copy.
function flat(s) {
  return (s + ' ').slice(0, -1);
}

// `doc`'s text, and as HTML in <pre> with the spans of `bold` in <b>.
export async function clipboardTexts(doc, bold) {
  const html = ['<pre>'], plain = [];
  await inSlices(htmlStep(doc, bold, html));
  html.push('</pre>');
  const pieces = piecesOf(doc, CHARS_PER_STEP);
  await inSlices(() => {
    const piece = pieces.next();
    if (!piece.done) plain.push(flat(piece.value));
    return !piece.done;
  });
  // Each text is made one string in a task of its own, apart from the
  // browser's writing them to the clipboard.
  const plainText = plain.join('');
  await yieldToPage();
  const htmlText = html.join('');
  await yieldToPage();
  return { plain: plainText, html: htmlText };
}

// Writes both texts through a copy event; false when the browser allowed
// none (no user action shortly before) or has no such command.
export function putOnClipboard({ plain, html }) {
  let written = false;
  const onCopy = event => {
    event.clipboardData.setData('text/plain', plain);
    event.clipboardData.setData('text/html', html);
    event.preventDefault();
    event.stopImmediatePropagation(); // the editor would put its selection there
    written = true;
  };
  window.addEventListener('copy', onCopy, { capture: true });
  try {
    document.execCommand('copy');
  } catch (e) {
    written = false;
  } finally {
    window.removeEventListener('copy', onCopy, { capture: true });
  }
  return written;
}
