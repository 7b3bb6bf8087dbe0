// Long work on the page's thread cut into slices of about SLICE_MS, so that
// the page answers keys and clicks (中断, Esc) in between.
const SLICE_MS = 12;
// Timers wait behind messages: every so often a slice ends with a timer, so
// that the page's own timers run on time too.
const TIMER_EVERY_MS = 40;

// Lets pending events run. Mostly a message channel rather than a timer:
// timers that follow each other are held back to 4 ms apart.
const channel = new MessageChannel();
const waiting = [];
channel.port1.onmessage = () => waiting.shift()();
let lastTimer = 0;

export function yieldToPage() {
  return new Promise(resolve => {
    const now = performance.now();
    if (now - lastTimer >= TIMER_EVERY_MS) {
      lastTimer = now;
      setTimeout(resolve, 0);
      return;
    }
    waiting.push(resolve);
    channel.port2.postMessage(0);
  });
}

// Calls `step()` until it returns false; rejects with 'stopped' when
// `stopped()` turns true between slices.
export async function inSlices(step, stopped = () => false) {
  for (;;) {
    const end = performance.now() + SLICE_MS;
    while (performance.now() < end) if (!step()) return;
    await yieldToPage();
    if (stopped()) throw new Error('stopped');
  }
}
