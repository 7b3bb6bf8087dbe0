// The corpus and the expected results written by a separate implementation,
// and the conversions between the page's text (LF line ends, UTF-16 offsets)
// and theirs (CR LF line ends, UTF-8 byte offsets).
'use strict';
const fs = require('node:fs');
const path = require('node:path');

const SHARED = process.env.KELVRA_SHARED || path.resolve(__dirname, '../../../shared');
const CORPUS = path.join(SHARED, 'corpus');
const GOLDEN = path.join(SHARED, 'golden');

function available() {
  return fs.existsSync(CORPUS) && fs.existsSync(GOLDEN);
}

function corpusFiles() {
  const out = [];
  const walk = dir => {
    for (const e of fs.readdirSync(dir, { withFileTypes: true })) {
      const p = path.join(dir, e.name);
      if (e.isDirectory()) walk(p);
      else if (e.name.endsWith('.sql')) out.push(path.relative(CORPUS, p));
    }
  };
  walk(CORPUS);
  return out.sort();
}

// The text as the page is given it: UTF-8, or code page 932 when the bytes are
// not valid UTF-8 (the browser's shift_jis decoder is code page 932).
function decode(bytes) {
  try {
    return new TextDecoder('utf-8', { fatal: true }).decode(bytes);
  } catch {
    return new TextDecoder('shift_jis', { fatal: true }).decode(bytes);
  }
}

// Expected result of one file under one option set: {text, bold} or {refused, message}.
function expected(set, file) {
  const base = path.join(GOLDEN, set, file);
  if (fs.existsSync(base + '.refused')) {
    const [kind, message] = fs.readFileSync(base + '.refused', 'utf8').split(/\r?\n/);
    return { refused: kind, message };
  }
  if (!fs.existsSync(base + '.out')) return null;
  const bold = fs.readFileSync(base + '.bold', 'utf8').split('\n').filter(Boolean)
    .map(line => line.split(' ').map(Number));
  return { text: fs.readFileSync(base + '.out', 'utf8'), bold };
}

// [start, end] pairs in UTF-16 units of an LF text, as [offset, length] pairs
// in UTF-8 bytes of the same text with CR LF line ends.
function toByteSpans(lfText, spans) {
  const bounds = spans.flat();
  const out = [];
  let unit = 0, bytes = 0;
  for (const b of bounds) {
    for (; unit < b; unit++) {
      const c = lfText.charCodeAt(unit);
      if (c === 10) bytes += 2;
      else if (c < 0x80) bytes += 1;
      else if (c < 0x800) bytes += 2;
      else if (c >= 0xd800 && c < 0xdc00) { bytes += 4; unit++; }
      else bytes += 3;
    }
    out.push(bytes);
  }
  const pairs = [];
  for (let i = 0; i < out.length; i += 2) pairs.push([out[i], out[i + 1] - out[i]]);
  return pairs;
}

module.exports = { available, corpusFiles, decode, expected, toByteSpans, CORPUS, SHARED };
