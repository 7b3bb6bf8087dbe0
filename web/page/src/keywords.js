// The reserved-word table: two check lists whose states the worker's
// catalogue decides (a function follows its reserved word), kept in local storage.
import { escapeHtml } from './html.js';

const $ = id => document.getElementById(id);

export class KeywordTable {
  constructor(core, storage, isBusy) {
    this.core = core;
    this.storage = storage;
    this.isBusy = isBusy;
    this.panel = $('keywordPanel');
    this.button = $('keywordButton');
    this.lists = { yoyaku: $('listYoyaku'), kansu: $('listKansu') };
    this.states = null;
  }

  // Stored states of another catalogue size count as none.
  load(catalogue) {
    const stored = this.storage.read();
    const d = catalogue.defaults;
    const valid = stored && typeof stored.yoyaku === 'string' && typeof stored.kansu === 'string' &&
                  stored.yoyaku.length === d.yoyaku.length && stored.kansu.length === d.kansu.length;
    this.states = valid ? stored : d;
    for (const list of ['yoyaku', 'kansu']) {
      this.lists[list].innerHTML = catalogue[list].map((text, i) =>
        `<li><label><input type="checkbox" data-list="${list}" data-position="${i + 1}"> ${escapeHtml(text)}</label></li>`)
        .join('');
    }
    this.show();
    this.busy(false);
  }

  // Yoyaku: "0" off, else on. Kansu: "0" off, "1" grayed, else on.
  show() {
    for (const list of ['yoyaku', 'kansu']) {
      const states = this.states[list];
      const boxes = this.lists[list].querySelectorAll('input');
      boxes.forEach((box, i) => {
        const c = states.charAt(i);
        const grayed = list === 'kansu' && c === '1';
        box.checked = c !== '0';
        box.indeterminate = grayed;
        box.closest('li').classList.toggle('grayed', grayed);
      });
    }
  }

  async act(action, position = 0) {
    if (this.isBusy()) return;
    const reply = await this.core.request({ op: 'keywords', action, position, states: this.states });
    if (!reply.states) return;
    this.states = reply.states;
    this.storage.write(this.states);
    this.show();
    document.body.dataset.keywordChanges = String(Number(document.body.dataset.keywordChanges || 0) + 1);
  }

  busy(on) {
    this.panel.classList.toggle('busy', on);
    this.button.disabled = on || this.states === null;
  }

  wire() {
    this.button.addEventListener('click', () => {
      const show = this.panel.hidden;
      this.panel.hidden = !show;
      this.button.setAttribute('aria-expanded', String(show));
    });
    for (const name of ['Yoyaku', 'Kansu']) {
      $('tab' + name).addEventListener('click', () => {
        for (const other of ['Yoyaku', 'Kansu']) {
          $('tab' + other).setAttribute('aria-selected', String(other === name));
          $('page' + other).hidden = other !== name;
        }
      });
    }
    this.panel.addEventListener('click', event => {
      const box = event.target;
      if (!box.matches('input[type=checkbox]')) return;
      // The list's own rule decides the new state, not the browser's toggle.
      event.preventDefault();
      this.act(box.dataset.list === 'yoyaku' ? 'clickYoyaku' : 'clickKansu', Number(box.dataset.position));
    });
    for (const id of ['yoyakuAllCheck', 'yoyakuAllUnCheck', 'kansuAllCheck', 'kansuAllUnCheck'])
      $(id).addEventListener('click', () => this.act(id));
  }
}
