// The text kept in the browser's IndexedDB between visits, so that a reload or
// a closed tab loses nothing: the text, the text from before the last run, and
// the file it came from. Long texts are written a piece at a time, each in its
// own step, and the record that names the pieces last, so that a visit cut
// short keeps the draft before.
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

async function readPieces(db, keys) {
  const pieces = [];
  for (const key of keys) {
    const piece = await inStore(db, 'readonly', store => store.get(key));
    if (typeof piece !== 'string') throw new Error('draft piece missing');
    pieces.push(piece);
  }
  return pieces.join('');
}

// {text, revertText (or null), dirty, file} as last stored, or null (none, or
// storage switched off).
export async function loadDraft() {
  let db;
  try {
    db = await openDatabase();
    const record = await inStore(db, 'readonly', store => store.get(RECORD));
    if (!record || !Array.isArray(record.text)) return null;
    return {
      text: await readPieces(db, record.text),
      revertText: Array.isArray(record.revert) ? await readPieces(db, record.revert) : null,
      dirty: record.dirty === true, file: record.file || null
    };
  } catch (e) {
    return null;
  } finally {
    if (db) db.close();
  }
}

// `text` and `revert`: iterables of string pieces.
async function storeDraft(draft) {
  const db = await openDatabase();
  try {
    const generation = String(Date.now());
    const writePieces = async (name, pieces) => {
      const keys = [];
      for (const piece of pieces) {
        const key = `${generation}:${name}:${keys.length}`;
        await inStore(db, 'readwrite', store => store.put(piece, key));
        keys.push(key);
      }
      return keys;
    };
    const record = {
      text: await writePieces('text', draft.text),
      revert: draft.revert ? await writePieces('revert', draft.revert) : null,
      dirty: draft.dirty, file: draft.file
    };
    await inStore(db, 'readwrite', store => store.put(record, RECORD));
    const keys = await inStore(db, 'readonly', store => store.getAllKeys());
    const old = keys.filter(k => k !== RECORD && !String(k).startsWith(generation + ':'));
    if (old.length) await inStore(db, 'readwrite', store => { old.forEach(k => store.delete(k)); return null; });
  } finally {
    db.close();
  }
}

// Writes the draft `collect()` gives a moment after the last change, so that
// typing does not copy a long text on every key. `collect` gives
// {text, revert: iterables of string pieces, taken as they are written, dirty, file}.
export class DraftKeeper {
  constructor(collect, onStored, delayMs = 800) {
    this.collect = collect;
    this.onStored = onStored;
    this.delayMs = delayMs;
    this.timer = 0;
    this.writing = Promise.resolve();
  }

  changed() {
    clearTimeout(this.timer);
    this.timer = setTimeout(() => this.flush(), this.delayMs);
  }

  flush() {
    clearTimeout(this.timer);
    this.timer = 0;
    const draft = this.collect();
    this.writing = this.writing.then(() => storeDraft(draft)).then(this.onStored, () => { /* storage off */ });
    return this.writing;
  }
}
