import { inSlices } from './slices.js';

// The format core in a worker. The worker is started from the source text of
// kelvraWorkerMain (kelvra-core.js), so a page opened from disk needs no
// second script file for it.
export class CoreWorker {
  constructor() {
    /* global kelvraWorkerMain */
    // Null when kelvra-core.js did not load: start() then fails.
    this.url = typeof kelvraWorkerMain === 'function' ? URL.createObjectURL(
      new Blob(['(' + kelvraWorkerMain.toString() + ')();'], { type: 'text/javascript' })) : null;
    this.worker = null;
    this.ready = false; // set by the page once the worker has answered
    this.nextId = 1;
    this.pending = new Map();
    this.onStage = null;
    this.onWarm = null;
  }

  start() {
    if (!this.url) return Promise.reject(new Error('kelvra-core.js がありません'));
    this.worker = new Worker(this.url);
    this.pending.clear();
    return new Promise((resolve, reject) => {
      this.worker.onmessage = event => {
        const m = event.data;
        if (m.ready) resolve(m.catalogue);
        else if (m.failed) reject(new Error(m.failed));
        else if (m.warm) { if (this.onWarm) this.onWarm(); }
        else if (m.stage !== undefined) { if (this.onStage) this.onStage(m.stage, m.total); }
        else this.answer(m);
      };
      this.worker.onerror = event => reject(new Error(event.message));
    });
  }

  answer(m) {
    const done = this.pending.get(m.id);
    this.pending.delete(m.id);
    if (done) done(m);
  }

  // Sends a request; `transfer` lists buffers handed over rather than copied.
  request(message, transfer = []) {
    message.id = this.nextId++;
    return new Promise(resolve => {
      this.pending.set(message.id, resolve);
      this.worker.postMessage(message, transfer);
    });
  }

  // Hands a long text over in pieces (any iterable of strings), letting the
  // page answer in between; the next request without a text of its own takes
  // it. Rejects with 'stopped' once `stopped()` turns true; the pieces go to
  // the worker of the start only, never to one that replaced it meanwhile.
  sendPieces(pieces, stopped) {
    const worker = this.worker;
    const next = pieces[Symbol.iterator]();
    return inSlices(() => {
      const piece = next.next();
      if (!piece.done) worker.postMessage({ op: 'piece', text: piece.value });
      return !piece.done;
    }, () => stopped() || worker !== this.worker);
  }

  // Stops whatever the worker is doing; a fresh worker takes its place.
  restart() {
    this.worker.terminate();
    return this.start();
  }
}
