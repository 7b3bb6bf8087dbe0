// The result for the clipboard: plain text and HTML with the reserved words in
// bold, for pasting into editors and mail alike. Both are built a slice at a
// time, then handed over in a copy event, where the browser takes the HTML as
// it is; the asynchronous clipboard would parse a long text's HTML again in
// one step that holds the page for seconds.
import { escapeHtml } from './html.js';
import { inSlices } from './slices.js';

// `doc`'s text, and as HTML in <pre> with the spans of `bold` (a range
// cursor: value, from, to, next()) in <b>.
export async function clipboardTexts(doc, bold) {
  const SPANS_PER_STEP = 1000;
  const LINES_PER_STEP = 5000;
  const html = ['<pre>'], plain = [];
  let at = 0;
  await inSlices(() => {
    const parts = [];
    for (let n = 0; n < SPANS_PER_STEP && bold.value; n++, bold.next()) {
      parts.push(escapeHtml(doc.sliceString(at, bold.from)), '<b>', escapeHtml(doc.sliceString(bold.from, bold.to)), '</b>');
      at = bold.to;
    }
    html.push(parts.join(''));
    return bold.value !== null;
  });
  html.push(escapeHtml(doc.sliceString(at)), '</pre>');
  let line = 1;
  await inSlices(() => {
    const last = Math.min(doc.lines, line + LINES_PER_STEP - 1);
    plain.push(doc.sliceString(doc.line(line).from, doc.line(last).to), last < doc.lines ? '\n' : '');
    line = last + 1;
    return line <= doc.lines;
  });
  return { plain: plain.join(''), html: html.join('') };
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
