// The text kept in the browser's IndexedDB between visits, so that a reload or
// a closed tab loses nothing: the text, the text from before the last run, and
// the file it came from. Long texts are written a few pieces at a time, each
// step short, and the record that names the pieces last, so that a visit cut
// short keeps the draft before. A text stored already is not written again.
//
// Each tab keeps a draft of its own, so two tabs never write over each other's
// text: a record under the draft's name, and pieces under [name, generation,
// index]. A tab finds its draft again after a reload (the name is in the tab's
// session storage); a new tab takes over the latest draft that no open tab
// holds (a Web Lock, held while the tab lives, marks a draft as held), so a
// closed tab's text comes back in the next one.
import { piecesOf } from './editor.js';

const DATABASE = 'kelvra';
const STORE = 'draft';
const LEGACY = 'current'; // the one draft of earlier versions, its pieces under string keys
const TAB_KEY = 'kelvra.draft';

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

// ---- Which draft is this tab's -------------------------------------------------

// Records are named by strings without ":"; the pieces of earlier versions had one.
const isRecordKey = key => typeof key === 'string' && !key.includes(':');

// Holds the lock of draft `name` for as long as the tab lives; false when
// another tab holds it. Without the Locks API every draft counts as free.
function claim(name) {
  if (!navigator.locks) return Promise.resolve(true);
  return new Promise(resolve => {
    navigator.locks.request('kelvra-draft:' + name, { ifAvailable: true }, lock => {
      resolve(lock !== null);
      return lock ? new Promise(() => { /* held until the tab goes */ }) : null;
    }).catch(() => resolve(true));
  });
}

function rememberedName() {
  try { return sessionStorage.getItem(TAB_KEY); } catch (e) { return null; }
}

function remember(name) {
  try { sessionStorage.setItem(TAB_KEY, name); } catch (e) { /* storage off: a new draft each visit */ }
}

// Its own draft after a reload, else the latest one nobody holds, else a new
// one. A duplicated tab inherits the session storage but not the lock, and so
// takes another draft.
async function chooseDraft(db) {
  const own = rememberedName();
  if (own && await claim(own)) return own;
  const keys = await inStore(db, 'readonly', store => store.getAllKeys());
  const records = [];
  for (const key of keys.filter(isRecordKey)) {
    const record = await inStore(db, 'readonly', store => store.get(key));
    records.push({ name: key, stored: (record && record.stored) || 0 });
  }
  records.sort((a, b) => b.stored - a.stored);
  for (const { name } of records) if (await claim(name)) return name;
  const fresh = 'tab-' + Date.now().toString(36) + '-' + Math.random().toString(36).slice(2, 8);
  await claim(fresh);
  return fresh;
}

let draftName = null; // a promise of this tab's draft name, chosen once

function nameOfThisTab() {
  if (!draftName) {
    draftName = (async () => {
      const db = await openDatabase();
      try {
        const name = await chooseDraft(db);
        remember(name);
        return name;
      } finally {
        db.close();
      }
    })();
  }
  return draftName;
}

// ---- Pieces ----------------------------------------------------------------------

// Each text is stored as pieces under [name, generation, index], a few pieces
// per step; the record names the generation and the number of its pieces.
const PIECES_PER_STEP = 16;
let lastGeneration = 0;

function newGeneration() {
  lastGeneration = Math.max(Date.now(), lastGeneration + 1);
  return lastGeneration;
}

function isPieceList(ref) {
  return ref !== null && typeof ref === 'object' && Number.isInteger(ref.generation) && Number.isInteger(ref.count);
}

async function readPieces(db, name, { generation, count }) {
  const pieces = [];
  while (pieces.length < count) {
    const last = Math.min(count, pieces.length + PIECES_PER_STEP) - 1;
    const range = IDBKeyRange.bound([name, generation, pieces.length], [name, generation, last]);
    const some = await inStore(db, 'readonly', store => store.getAll(range));
    if (some.length !== last + 1 - pieces.length || some.some(piece => typeof piece !== 'string'))
      throw new Error('draft piece missing');
    pieces.push(...some);
  }
  return pieces;
}

// The draft of earlier versions: a list of string keys, one piece each.
async function readLegacyPieces(db, keys) {
  const pieces = [];
  for (const key of keys) {
    const piece = await inStore(db, 'readonly', store => store.get(key));
    if (typeof piece !== 'string') throw new Error('draft piece missing');
    pieces.push(piece);
  }
  return pieces;
}

function readText(db, name, ref) {
  if (isPieceList(ref)) return readPieces(db, name, ref);
  if (Array.isArray(ref)) return readLegacyPieces(db, ref);
  return null;
}

async function writePieces(db, name, pieces) {
  const generation = newGeneration();
  const next = pieces[Symbol.iterator]();
  let count = 0, done = false;
  while (!done) {
    await inStore(db, 'readwrite', store => {
      for (let n = 0; n < PIECES_PER_STEP && !done; n++) {
        const piece = next.next();
        if (piece.done) done = true;
        else store.put(piece.value, [name, generation, count++]);
      }
      return null;
    });
  }
  return { generation, count };
}

// Deletes the pieces of draft `name` of every generation but `kept`, in a few
// key ranges rather than one request per piece. Numbers sort below arrays, so
// [name, []] is above every piece of the draft.
function deletePiecesBut(store, name, kept) {
  let from = [name], open = false;
  for (const generation of [...new Set(kept)].sort((a, b) => a - b)) {
    store.delete(IDBKeyRange.bound(from, [name, generation], open, true));
    from = [name, generation, Infinity];
    open = true;
  }
  store.delete(IDBKeyRange.bound(from, [name, []], open, true));
  if (name === LEGACY) store.delete(IDBKeyRange.bound('0:', '9;')); // the earlier versions' pieces
  return null;
}

// ---- Loading and storing ---------------------------------------------------------

// {text, revert (or null): arrays of string pieces, dirty, file} as last
// stored, or null (none, or storage switched off).
export async function loadDraft() {
  let db;
  try {
    const name = await nameOfThisTab();
    db = await openDatabase();
    const record = await inStore(db, 'readonly', store => store.get(name));
    const text = record ? await readText(db, name, record.text) : null;
    if (!text) return null;
    return {
      text,
      revert: await readText(db, name, record.revert),
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
// written again. Gives the new record's [document, where] pairs. An empty
// text with nothing to go back to leaves no draft behind.
async function storeDraft(draft, stored) {
  const name = await nameOfThisTab();
  const db = await openDatabase();
  try {
    if (!draft.revert && draft.text.length === 0) {
      await inStore(db, 'readwrite', store => { store.delete(name); return deletePiecesBut(store, name, []); });
      return [];
    }
    const place = async doc => {
      const known = stored.find(([d]) => d === doc);
      return known ? known[1] : writePieces(db, name, piecesOf(doc));
    };
    const text = await place(draft.text);
    const revert = !draft.revert ? null : draft.revert === draft.text ? text : await place(draft.revert);
    const record = { text, revert, dirty: draft.dirty, file: draft.file, stored: Date.now() };
    await inStore(db, 'readwrite', store => store.put(record, name));
    const kept = revert ? [text.generation, revert.generation] : [text.generation];
    await inStore(db, 'readwrite', store => deletePiecesBut(store, name, kept));
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
