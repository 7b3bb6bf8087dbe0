// The text kept in the browser's IndexedDB between visits, so that a reload or
// a closed tab loses nothing: the text, the text from before the last run, and
// the file it came from.
const DATABASE = 'kelvra';
const STORE = 'draft';
const KEY = 'current';

function openDatabase() {
  return new Promise((resolve, reject) => {
    const request = indexedDB.open(DATABASE, 1);
    request.onupgradeneeded = () => request.result.createObjectStore(STORE);
    request.onsuccess = () => resolve(request.result);
    request.onerror = () => reject(request.error);
  });
}

function inStore(mode, use) {
  return openDatabase().then(db => new Promise((resolve, reject) => {
    const tx = db.transaction(STORE, mode);
    const request = use(tx.objectStore(STORE));
    tx.oncomplete = () => { db.close(); resolve(request.result); };
    tx.onerror = tx.onabort = () => { db.close(); reject(tx.error); };
  }));
}

// The stored draft, or null (none, or storage switched off).
export function loadDraft() {
  return inStore('readonly', store => store.get(KEY)).then(d => d || null, () => null);
}

export function storeDraft(draft) {
  return inStore('readwrite', store => store.put(draft, KEY)).catch(() => { /* storage off: kept for this visit */ });
}

// Writes the draft `collect()` gives a moment after the last change, so that
// typing does not copy a long text on every key.
export class DraftKeeper {
  constructor(collect, delayMs = 800) {
    this.collect = collect;
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
    this.writing = this.writing.then(() => storeDraft(this.collect()));
    return this.writing;
  }
}
