// The page: the SQL text, the formatting options, the result with reserved
// words in bold, and the reserved-word table. Formatting runs in a worker so
// that the page keeps answering while a long text is formatted.
(function () {
  'use strict';

  var $ = function (id) { return document.getElementById(id); };
  var ui = {
    run: $('runButton'), cancel: $('cancelButton'), stageBar: $('stageBar'),
    revert: $('revertButton'), copy: $('copyButton'), keywordButton: $('keywordButton'),
    options: $('options'), lfSp: $('optLfSp'), commaAfter: $('optCommaAfter'), commaBefore: $('optCommaBefore'),
    indent: $('optIndent'), bold: $('optBold'), simple: $('optSimple'),
    message: $('message'), messageCaption: $('messageCaption'), messageText: $('messageText'),
    messagePlace: $('messagePlace'), messageClose: $('messageClose'),
    source: $('source'), result: $('result'), paneTitle: $('paneTitle'), resultTitle: $('resultTitle'),
    editButton: $('editButton'),
    keywordPanel: $('keywordPanel'), statusMode: $('statusMode'), statusText: $('statusText')
  };

  // ---- Stored choices ------------------------------------------------------

  var OPTIONS_KEY = 'kelvra.options';
  var KEYWORDS_KEY = 'kelvra.keywords';

  function readStored(key) {
    try { return JSON.parse(localStorage.getItem(key) || 'null'); } catch (e) { return null; }
  }

  function writeStored(key, value) {
    try { localStorage.setItem(key, JSON.stringify(value)); } catch (e) { /* storage off: choices last for this visit */ }
  }

  function currentOptions() {
    return {
      indent: Number(ui.indent.value),
      commaBefore: ui.commaBefore.checked,
      lineBreaksSeparate: ui.lfSp.checked,
      bold: ui.bold.checked,
      simpleMode: ui.simple.checked
    };
  }

  function showOptions(o) {
    if (!o) return;
    if (o.indent >= 1 && o.indent <= 10) ui.indent.value = String(o.indent);
    ui.commaBefore.checked = o.commaBefore === true;
    ui.commaAfter.checked = !ui.commaBefore.checked;
    ui.lfSp.checked = o.lineBreaksSeparate === true;
    ui.bold.checked = o.bold !== false;
    ui.simple.checked = o.simpleMode === true;
  }

  function showMode() {
    ui.statusMode.textContent = ui.simple.checked ? '簡易モード' : '標準モード';
  }

  // ---- The worker ----------------------------------------------------------

  // The worker is started from the source text of kelvraWorkerMain (kelvra-core.js),
  // so a page opened from disk needs no second script file for it.
  var workerUrl = URL.createObjectURL(
    new Blob(['(' + kelvraWorkerMain.toString() + ')();'], { type: 'text/javascript' }));

  var core = {
    worker: null, ready: null, nextId: 1, pending: {}, onStage: null, catalogue: null,

    start: function () {
      var self = this;
      self.worker = new Worker(workerUrl);
      self.ready = new Promise(function (resolve, reject) {
        self.worker.onmessage = function (event) {
          var m = event.data;
          if (m.ready) { self.catalogue = m.catalogue; resolve(m.catalogue); return; }
          if (m.failed) { reject(new Error(m.failed)); return; }
          if (m.warm) { document.body.dataset.warm = 'true'; return; }
          if (m.stage !== undefined) { if (self.onStage) self.onStage(m.stage, m.total); return; }
          var done = self.pending[m.id];
          delete self.pending[m.id];
          if (done) done(m);
        };
        self.worker.onerror = function (event) { reject(new Error(event.message)); };
      });
      return self.ready;
    },

    request: function (message) {
      var self = this;
      message.id = self.nextId++;
      return new Promise(function (resolve) {
        self.pending[message.id] = resolve;
        self.worker.postMessage(message);
      });
    },

    // Stops whatever the worker is doing; a fresh worker takes its place.
    restart: function () {
      this.worker.terminate();
      this.pending = {};
      return this.start();
    }
  };

  // ---- Format run ----------------------------------------------------------

  var running = false;
  var revertText = null;
  var keywordStates = null;

  function setRunning(on) {
    running = on;
    document.body.dataset.state = on ? 'running' : 'idle';
    ui.run.disabled = on;
    ui.cancel.hidden = !on;
    ui.stageBar.hidden = !on;
    ui.stageBar.value = 0;
    // The text cannot change during a run (see wire()). Neither readOnly nor a
    // style is switched: either makes the browser lay out a long text again.
    ui.source.setAttribute('aria-readonly', String(on));
    ui.revert.disabled = on || revertText === null;
    ui.copy.disabled = on || ui.result.hidden;
    ui.editButton.disabled = on;
    Array.prototype.forEach.call(ui.options.elements, function (e) { e.disabled = on; });
    ui.keywordPanel.classList.toggle('busy', on);
    ui.keywordButton.disabled = on;
  }

  function runFormat() {
    if (running || ui.run.disabled) return;
    hideMessage();
    var text = documentText();
    var options = currentOptions();
    revertText = text;
    setRunning(true);
    ui.statusText.textContent = '整形しています...';
    var started = performance.now();
    core.request({ op: 'format', text: text, options: options, states: keywordStates }).then(function (reply) {
      if (!running) return; // cancelled meanwhile
      var r = reply.result;
      var ended = function () {
        ui.result.dataset.coreMs = String(Math.round(r.milliseconds || 0));
        setRunning(false);
        if (r.end !== 'normal') markPlace(r);
        countRun();
      };
      if (r.end === 'normal') {
        performance.mark('kelvra-result-arrived');
        showResult(r.text, r.bold, function () {
          ui.statusText.textContent = '整形しました（' + formatSeconds(performance.now() - started) + ' 秒）';
          ended();
        });
      } else {
        showFailure(r);
        ended();
      }
    });
  }

  function cancelFormat() {
    if (!running) return;
    if (showingResult) {
      // The result was still going on the screen: the text from before the run stays.
      stopShowing();
      resultText = null;
      showFace('edit');
      ui.source.value = revertText;
    }
    setRunning(false);
    ui.run.disabled = true;
    ui.statusText.textContent = '中断しました';
    core.restart().then(function () { ui.run.disabled = running; });
    countRun();
  }

  // Runs ended so far, for scripts that drive the page.
  function countRun() {
    document.body.dataset.runs = String(Number(document.body.dataset.runs || 0) + 1);
  }

  function formatSeconds(ms) {
    return (ms / 1000).toFixed(ms < 10000 ? 2 : 1);
  }

  // The formatted text, its bold spans given as [start, end, start, end ...] in
  // UTF-16 units, as HTML one block of lines at a time. Blocks are laid out
  // only when scrolled into view.
  var LINES_PER_BLOCK = 400;

  function resultBlocks(text, bold) {
    var pos = 0, span = 0, inBold = false;
    var next = bold.length ? bold[0] : Infinity;
    return function nextBlock() {
      if (pos >= text.length) return null;
      var html = inBold ? '<b>' : '';
      for (var line = 0; line < LINES_PER_BLOCK && pos < text.length; line++) {
        var lineEnd = text.indexOf('\n', pos);
        var stop = lineEnd < 0 ? text.length : lineEnd + 1;
        while (next < stop) {
          html += escapeHtml(text.slice(pos, next)) + (inBold ? '</b>' : '<b>');
          pos = next;
          inBold = !inBold;
          next = ++span < bold.length ? bold[span] : Infinity;
        }
        html += escapeHtml(text.slice(pos, stop));
        pos = stop;
      }
      return '<div class="block">' + html + (inBold ? '</b>' : '') + '</div>';
    };
  }

  // Shows the first blocks at once and adds the rest a few at a time, so that
  // the page keeps answering while a long result goes on the screen; `done`
  // follows the last block. A newer result or a cancel stops the adding.
  var BLOCKS_PER_STEP = 8;
  var showing = 0;
  var showingResult = false;

  function stopShowing() {
    ++showing;
    showingResult = false;
  }

  function showResult(text, bold, done) {
    var id = ++showing;
    showingResult = true;
    var nextBlock = resultBlocks(text, bold);
    var step = function () {
      var html = '';
      for (var i = 0, b; i < BLOCKS_PER_STEP && (b = nextBlock()) !== null; i++) html += b;
      return html;
    };
    ui.result.innerHTML = step();
    showFace('result', text);
    ui.result.scrollTop = 0;
    performance.mark('kelvra-result-shown');
    (function addMore() {
      if (id !== showing) return;
      var html = step();
      if (!html) { showingResult = false; done(); return; }
      ui.result.insertAdjacentHTML('beforeend', html);
      setTimeout(addMore, 0);
    })();
  }

  function escapeHtml(s) {
    return s.replace(/[&<>]/g, function (c) { return c === '&' ? '&amp;' : c === '<' ? '&lt;' : '&gt;'; });
  }

  // The document shows either as the editable text or as the formatted result
  // with its bold words. While the result shows, its text is the document's;
  // it goes into the text area only when the user edits (a long text in a text
  // area costs the browser a slow layout).
  var resultText = null;

  function documentText() {
    return resultText !== null ? resultText : ui.source.value;
  }

  function showFace(face, text) {
    var result = face === 'result';
    if (result) resultText = text;
    else if (resultText !== null) { ui.source.value = resultText; resultText = null; }
    ui.source.hidden = result;
    ui.paneTitle.hidden = result;
    ui.result.hidden = !result;
    ui.resultTitle.hidden = !result;
    ui.copy.disabled = running || !result;
    if (!result) ui.result.textContent = '';
  }

  function editText() {
    if (running) return;
    showFace('edit');
    ui.source.focus();
    ui.source.setSelectionRange(0, 0);
    ui.source.scrollTop = 0;
  }

  // ---- Messages ------------------------------------------------------------

  function showFailure(r) {
    if (r.end === 'cancelled') return;
    ui.message.className = 'message ' + (r.icon === 'error' ? 'error' : 'warning');
    ui.messageCaption.textContent = r.caption || 'エラー';
    ui.messageText.textContent = r.message || '整形処理でエラーが発生しました';
    ui.messagePlace.textContent = r.line ? '（' + r.line + ' 行 ' + r.column + ' 文字目）' : '';
    ui.message.hidden = false;
    ui.statusText.textContent = '整形できませんでした。テキストは変わっていません';
  }

  // Selects the unmatched quote or comment opening in the text and scrolls to it.
  function markPlace(r) {
    if (r.highlightStart === undefined) return;
    showFace('edit');
    ui.source.focus();
    ui.source.setSelectionRange(r.highlightStart, r.highlightEnd);
    var lineHeight = parseFloat(getComputedStyle(ui.source).lineHeight) || 18;
    ui.source.scrollTop = Math.max(0, (r.line - 3) * lineHeight);
  }

  function hideMessage() { ui.message.hidden = true; }

  // ---- Revert and copy -----------------------------------------------------

  function revert() {
    if (running || revertText === null) return;
    if (!window.confirm('整形前に戻しますか？')) return;
    resultText = null;
    showFace('edit');
    ui.source.value = revertText;
    ui.statusText.textContent = '整形前のテキストに戻しました';
  }

  // The result as plain text and as HTML with the bold words, for pasting
  // into editors and mail alike.
  function copyResult() {
    if (ui.result.hidden) return;
    var plain = ui.result.textContent;
    var html = '<pre>' + ui.result.innerHTML.replace(/<\/?div[^>]*>/g, '') + '</pre>';
    var done = function () { ui.statusText.textContent = '整形結果をコピーしました'; };
    if (navigator.clipboard && window.ClipboardItem) {
      navigator.clipboard.write([new ClipboardItem({
        'text/plain': new Blob([plain], { type: 'text/plain' }),
        'text/html': new Blob([html], { type: 'text/html' })
      })]).then(done, function () { copyBySelection(done); });
    } else {
      copyBySelection(done);
    }
  }

  // Older route: select the result and let the browser copy it.
  function copyBySelection(done) {
    var range = document.createRange();
    range.selectNodeContents(ui.result);
    var selection = window.getSelection();
    selection.removeAllRanges();
    selection.addRange(range);
    var copied = document.execCommand('copy');
    selection.removeAllRanges();
    if (copied) done();
    else ui.statusText.textContent = 'コピーできませんでした。結果を選択して Ctrl+C でコピーしてください';
  }

  // ---- Reserved-word table -------------------------------------------------

  var keywordLists = { yoyaku: $('listYoyaku'), kansu: $('listKansu') };

  function buildKeywordLists(catalogue) {
    ['yoyaku', 'kansu'].forEach(function (list) {
      var items = catalogue[list].map(function (text, i) {
        return '<li><label><input type="checkbox" data-list="' + list + '" data-position="' + (i + 1) + '"> ' +
               escapeHtml(text) + '</label></li>';
      });
      keywordLists[list].innerHTML = items.join('');
    });
    showKeywordStates();
  }

  // Yoyaku: "0" off, else on. Kansu: "0" off, "1" grayed, else on.
  function showKeywordStates() {
    ['yoyaku', 'kansu'].forEach(function (list) {
      var states = keywordStates[list];
      var boxes = keywordLists[list].querySelectorAll('input');
      for (var i = 0; i < boxes.length; i++) {
        var c = states.charAt(i);
        var grayed = list === 'kansu' && c === '1';
        boxes[i].checked = c !== '0';
        boxes[i].indeterminate = grayed;
        boxes[i].parentNode.parentNode.classList.toggle('grayed', grayed);
      }
    });
  }

  function keywordAction(action, position) {
    if (running) return;
    core.request({ op: 'keywords', action: action, position: position || 0, states: keywordStates })
      .then(function (reply) {
        if (!reply.states) return;
        keywordStates = reply.states;
        writeStored(KEYWORDS_KEY, keywordStates);
        showKeywordStates();
        document.body.dataset.keywordChanges = String(Number(document.body.dataset.keywordChanges || 0) + 1);
      });
  }

  function validStates(stored, defaults) {
    return stored && typeof stored.yoyaku === 'string' && typeof stored.kansu === 'string' &&
           stored.yoyaku.length === defaults.yoyaku.length && stored.kansu.length === defaults.kansu.length
      ? stored : defaults;
  }

  function selectTab(tab) {
    ['Yoyaku', 'Kansu'].forEach(function (name) {
      var on = 'tab' + name === tab.id;
      $('tab' + name).setAttribute('aria-selected', String(on));
      $('page' + name).hidden = !on;
    });
  }

  function toggleKeywordPanel() {
    var show = ui.keywordPanel.hidden;
    ui.keywordPanel.hidden = !show;
    ui.keywordButton.setAttribute('aria-expanded', String(show));
  }

  // ---- Wiring --------------------------------------------------------------

  function saveOptions() {
    writeStored(OPTIONS_KEY, currentOptions());
    showMode();
  }

  function onKeyDown(event) {
    if (!event.ctrlKey || event.altKey || event.metaKey) return;
    var key = event.key.toLowerCase();
    if (key === 'g') { event.preventDefault(); runFormat(); }
    else if (key === 'b') { event.preventDefault(); revert(); }
  }

  function wire() {
    ui.run.addEventListener('click', runFormat);
    ui.cancel.addEventListener('click', cancelFormat);
    ui.revert.addEventListener('click', revert);
    ui.copy.addEventListener('click', copyResult);
    ui.messageClose.addEventListener('click', hideMessage);
    ui.options.addEventListener('change', saveOptions);
    ui.editButton.addEventListener('click', editText);
    ['beforeinput', 'drop'].forEach(function (type) {
      ui.source.addEventListener(type, function (event) { if (running) event.preventDefault(); });
    });
    document.addEventListener('keydown', onKeyDown);
    ui.keywordButton.addEventListener('click', toggleKeywordPanel);
    ['tabYoyaku', 'tabKansu'].forEach(function (id) {
      $(id).addEventListener('click', function () { selectTab($(id)); });
    });
    ui.keywordPanel.addEventListener('click', function (event) {
      var box = event.target;
      if (box.matches('input[type=checkbox]')) {
        // The list's own rule decides the new state, not the browser's toggle.
        event.preventDefault();
        keywordAction(box.dataset.list === 'yoyaku' ? 'clickYoyaku' : 'clickKansu', Number(box.dataset.position));
      }
    });
    ['yoyakuAllCheck', 'yoyakuAllUnCheck', 'kansuAllCheck', 'kansuAllUnCheck'].forEach(function (id) {
      $(id).addEventListener('click', function () { keywordAction(id); });
    });
    // A few updates a second: each one costs the browser a frame, and frames
    // are dear next to a long text.
    var lastStageShown = 0;
    core.onStage = function (done, total) {
      var now = performance.now();
      if (now - lastStageShown < 200 && done < total) return;
      lastStageShown = now;
      ui.stageBar.max = total;
      ui.stageBar.value = done;
    };
  }

  showOptions(readStored(OPTIONS_KEY));
  showMode();
  wire();
  setRunning(false);
  ui.run.disabled = true;
  core.start().then(function (catalogue) {
    keywordStates = validStates(readStored(KEYWORDS_KEY), catalogue.defaults);
    buildKeywordLists(catalogue);
    ui.run.disabled = false;
    ui.statusText.textContent = '準備ができました';
    document.body.dataset.ready = 'true';
  }, function (e) {
    ui.statusText.textContent = '整形機能を読み込めませんでした: ' + e.message;
  });
})();
