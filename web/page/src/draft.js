// The text kept in the browser's IndexedDB between visits, so that a reload or
// a closed tab loses nothing: the text, the text from before the last run, and
// the file it came from. Long texts are written a piece at a time, each in its
// own step, and the record that names the pieces last, so that a visit cut
// short keeps the draft before.
//
// Each tab keeps a draft of its own: two tabs never write over each other's
// text. A tab finds its draft again after a reload (its name is in the tab's
// session storage); a new tab takes over the latest draft that no open tab
// holds (a Web Lock, held while the tab lives, marks a draft as held), so a
// closed tab's text comes back in the next one.
const DATABASE = 'kelvra';
const STORE = 'draft';
const LEGACY = 'current'; // the one draft of earlier versions; its pieces have no owner prefix
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

async function readPieces(db, keys) {
  const pieces = [];
  for (const key of keys) {
    const piece = await inStore(db, 'readonly', store => store.get(key));
    if (typeof piece !== 'string') throw new Error('draft piece missing');
    pieces.push(piece);
  }
  return pieces.join('');
}

// Records are named without ":", the pieces with it.
const isRecordKey = key => typeof key === 'string' && !key.includes(':');
// The pieces a draft owns: "<name>:<generation>:…" (and "<generation>:…" for the legacy draft).
const ownsPiece = (name, key) => String(key).startsWith(name + ':') || (name === LEGACY && /^\d+:/.test(String(key)));

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

// The draft of this tab: its own after a reload, else the latest one nobody
// holds, else a new one. A duplicated tab inherits the session storage but
// not the lock, and so takes another draft.
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
      let db;
      try {
        db = await openDatabase();
        const name = await chooseDraft(db);
        remember(name);
        return name;
      } finally {
        if (db) db.close();
      }
    })();
  }
  return draftName;
}

// {text, revertText (or null), dirty, file} as last stored, or null (none, or
// storage switched off).
export async function loadDraft() {
  let db;
  try {
    const name = await nameOfThisTab();
    db = await openDatabase();
    const record = await inStore(db, 'readonly', store => store.get(name));
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

// `text` and `revert`: iterables of string pieces. An empty text with nothing
// to revert to leaves no draft behind.
async function storeDraft(draft) {
  const name = await nameOfThisTab();
  const db = await openDatabase();
  try {
    const generation = name + ':' + String(Date.now());
    let textLength = 0;
    const writePieces = async (part, pieces) => {
      const keys = [];
      for (const piece of pieces) {
        const key = `${generation}:${part}:${keys.length}`;
        await inStore(db, 'readwrite', store => store.put(piece, key));
        keys.push(key);
        if (part === 'text') textLength += piece.length;
      }
      return keys;
    };
    const text = await writePieces('text', draft.text);
    const revert = draft.revert ? await writePieces('revert', draft.revert) : null;
    const empty = revert === null && textLength === 0;
    if (empty) await inStore(db, 'readwrite', store => store.delete(name));
    else await inStore(db, 'readwrite', store => store.put({ text, revert, dirty: draft.dirty, file: draft.file, stored: Date.now() }, name));
    const keys = await inStore(db, 'readonly', store => store.getAllKeys());
    const old = keys.filter(k => !isRecordKey(k) && ownsPiece(name, k) && (empty || !String(k).startsWith(generation + ':')));
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
