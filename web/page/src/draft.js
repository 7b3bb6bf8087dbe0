// The text kept in the browser's IndexedDB between visits, so that a reload or
// a closed tab loses nothing: the text, the text from before the last run, and
// the file it came from. Long texts are written a few pieces at a time, each
// step short, and the record that names the pieces last, so that a visit cut
// short keeps the draft before. A text stored already is not written again.
import { piecesOf } from './editor.js';

const DATABASE = 'kelvra';
const STORE = 'draft';
const RECORD = 'current';

function openDatabase() {
  return new Promise((resolve, reject) => {
    const request = indexedDB.open(DATABASE, 1);
    request.onupgradeneeded = () => request.result.createObjectStore(STORE);
    request.onsuccess = () => resolve(request.result);
    request.onerror = () => reject(request.error);
  });
}

function inStore(db, mode, use) {
  return new Promise((resolve, reject) => {
    const tx = db.transaction(STORE, mode);
    const request = use(tx.objectStore(STORE));
    tx.oncomplete = () => resolve(request && request.result);
    tx.onerror = tx.onabort = () => reject(tx.error);
  });
}

// Each text is stored as pieces under [generation, index], a few pieces per
// step; the record names the generation and the number of its pieces.
const PIECES_PER_STEP = 16;
let lastGeneration = 0;

function newGeneration() {
  lastGeneration = Math.max(Date.now(), lastGeneration + 1);
  return lastGeneration;
}

function isPieceList(ref) {
  return ref !== null && typeof ref === 'object' && Number.isInteger(ref.generation) && Number.isInteger(ref.count);
}

async function readPieces(db, { generation, count }) {
  const pieces = [];
  while (pieces.length < count) {
    const last = Math.min(count, pieces.length + PIECES_PER_STEP) - 1;
    const range = IDBKeyRange.bound([generation, pieces.length], [generation, last]);
    const some = await inStore(db, 'readonly', store => store.getAll(range));
    if (some.length !== last + 1 - pieces.length || some.some(piece => typeof piece !== 'string'))
      throw new Error('draft piece missing');
    pieces.push(...some);
  }
  return pieces;
}

async function writePieces(db, pieces) {
  const generation = newGeneration();
  const next = pieces[Symbol.iterator]();
  let count = 0, done = false;
  while (!done) {
    await inStore(db, 'readwrite', store => {
      for (let n = 0; n < PIECES_PER_STEP && !done; n++) {
        const piece = next.next();
        if (piece.done) done = true;
        else store.put(piece.value, [generation, count++]);
      }
      return null;
    });
  }
  return { generation, count };
}

// Deletes the pieces of every generation but `kept`, in a few key ranges
// rather than one request per piece.
function deletePiecesBut(store, kept) {
  let from = [], open = false; // [] is below every piece's key, `RECORD` below them all
  for (const generation of [...new Set(kept)].sort((a, b) => a - b)) {
    store.delete(IDBKeyRange.bound(from, [generation], open, true));
    from = [generation, Infinity];
    open = true;
  }
  store.delete(IDBKeyRange.lowerBound(from, open));
  return null;
}

// {text, revert (or null): arrays of string pieces, dirty, file} as last
// stored, or null (none, or storage switched off).
export async function loadDraft() {
  let db;
  try {
    db = await openDatabase();
    const record = await inStore(db, 'readonly', store => store.get(RECORD));
    if (!record || !isPieceList(record.text)) return null;
    return {
      text: await readPieces(db, record.text),
      revert: isPieceList(record.revert) ? await readPieces(db, record.revert) : null,
      dirty: record.dirty === true, file: record.file || null
    };
  } catch (e) {
    return null;
  } finally {
    if (db) db.close();
  }
}

// `draft.text`, `draft.revert` (or null): documents. A document stored before
// (`stored`: [document, where its pieces are] of the last record) is not
// written again. Gives the new record's [document, where] pairs.
async function storeDraft(draft, stored) {
  const db = await openDatabase();
  try {
    const place = async doc => {
      const known = stored.find(([d]) => d === doc);
      return known ? known[1] : writePieces(db, piecesOf(doc));
    };
    const text = await place(draft.text);
    const revert = !draft.revert ? null : draft.revert === draft.text ? text : await place(draft.revert);
    const record = { text, revert, dirty: draft.dirty, file: draft.file };
    await inStore(db, 'readwrite', store => store.put(record, RECORD));
    const kept = revert ? [text.generation, revert.generation] : [text.generation];
    await inStore(db, 'readwrite', store => deletePiecesBut(store, kept));
    return revert ? [[draft.text, text], [draft.revert, revert]] : [[draft.text, text]];
  } finally {
    db.close();
  }
}

// Writes the draft `collect()` gives a moment after the last change, so that
// typing does not copy a long text on every key. `collect` gives
// {text, revert (or null): documents, dirty, file}.
export class DraftKeeper {
  constructor(collect, onStored, delayMs = 800) {
    this.collect = collect;
    this.onStored = onStored;
    this.delayMs = delayMs;
    this.timer = 0;
    this.writing = Promise.resolve();
    this.stored = [];
  }

  changed() {
    clearTimeout(this.timer);
    this.timer = setTimeout(() => this.flush(), this.delayMs);
  }

  flush() {
    clearTimeout(this.timer);
    this.timer = 0;
    const draft = this.collect();
    this.writing = this.writing.then(() => storeDraft(draft, this.stored)).then(stored => {
      this.stored = stored;
      this.onStored();
    }, () => { /* storage off */ });
    return this.writing;
  }
}
