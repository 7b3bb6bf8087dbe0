// The worker's side: loads the format core, then answers the page's requests
// one at a time. It runs inside kelvraWorkerMain(), next to createKelvraCore.
(function () {
  'use strict';
  var core = null;
  var waiting = [];
  var reportStages = true;

  // A few statements of everyday SQL. Formatting this, repeated, right after
  // loading lets the browser optimise the core before the user's first run.
  var WARM_UP_SQL =
    "select a.id, b.name, nvl(b.qty, 0) qty, 'text' lit, \"Quoted\" -- note\n" +
    "from orders a, items b /* block */ where a.id = b.id and b.qty > 10\n" +
    "and to_char(a.day, 'YYYY-MM-DD') between '2020-01-01' and '2020-12-31'\n" +
    "group by a.id, b.name having count(*) > 1 order by a.id;\n" +
    "insert into t (x, y) values (substr('abc', 1, 2), decode(x, 1, 'a', 'b'));\n" +
    "update t set x = x + 1 where y in (select y from u where z <= 3);\n";

  var encoder = new TextEncoder();

  // Formats a JavaScript string: its UTF-8 goes straight into the module's memory.
  function format(text, options, states) {
    var capacity = text.length * 3 + 1;
    var address = core._malloc(capacity);
    try {
      var length = encoder.encodeInto(text, core.HEAPU8.subarray(address, address + capacity)).written;
      return core.format(address, length, options, states.yoyaku, states.kansu);
    } finally {
      core._free(address);
    }
  }

  function warmUp() {
    var text = new Array(200).join(WARM_UP_SQL);
    var options = { indent: 8, commaBefore: false, lineBreaksSeparate: false, bold: true, simpleMode: false };
    var states = core.catalogue().defaults;
    reportStages = false;
    format(text, options, states);
    options.commaBefore = true;
    format(text, options, states);
    reportStages = true;
    self.postMessage({ warm: true });
  }

  function answer(request) {
    var reply = { id: request.id };
    var transfer = [];
    try {
      if (request.op === 'format') {
        var started = performance.now();
        reply.result = format(request.text, request.options, request.states);
        reply.result.milliseconds = performance.now() - started;
        if (reply.result.bold) transfer.push(reply.result.bold.buffer);
      } else if (request.op === 'keywords') {
        reply.states = core.keywordAction(request.action, request.position, request.states.yoyaku, request.states.kansu);
      }
    } catch (e) {
      reply.result = { end: 'error', caption: 'エラー', message: '整形処理でエラーが発生しました', icon: 'error' };
      reply.detail = String(e);
    }
    self.postMessage(reply, transfer);
  }

  self.onmessage = function (event) {
    if (core) answer(event.data);
    else waiting.push(event.data);
  };

  createKelvraCore({
    onStage: function (done, total) {
      if (reportStages) self.postMessage({ stage: done, total: total });
    }
  }).then(function (module) {
    core = module;
    self.postMessage({ ready: true, catalogue: core.catalogue() });
    if (waiting.length) waiting.splice(0).forEach(answer);
    else warmUp();
  }, function (e) {
    self.postMessage({ failed: String(e) });
  });
})();
