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

  // Calls `use(address, length)` with the UTF-8 of a JavaScript string (or the
  // given bytes) in the module's memory: faster than a string argument.
  function withBytes(textOrBytes, use) {
    var isText = typeof textOrBytes === 'string';
    var capacity = isText ? textOrBytes.length * 3 + 1 : textOrBytes.length + 1;
    var address = core._malloc(capacity);
    try {
      var length;
      if (isText) {
        length = encoder.encodeInto(textOrBytes, core.HEAPU8.subarray(address, address + capacity)).written;
      } else {
        core.HEAPU8.set(textOrBytes, address);
        length = textOrBytes.length;
      }
      return use(address, length);
    } finally {
      core._free(address);
    }
  }

  function formatBytes(text, options, states) {
    return withBytes(text, function (address, length) {
      return core.format(address, length, options, states.yoyaku, states.kansu);
    });
  }

  // No text holds a NUL character: such a text is refused, as kelvra-format
  // refuses the file, with the character selected.
  function refuseNul(text, at) {
    var lineStart = text.lastIndexOf('\n', at - 1) + 1;
    var line = 1;
    for (var i = text.indexOf('\n'); i >= 0 && i < at; i = text.indexOf('\n', i + 1)) line++;
    return { end: 'failed', caption: 'エラー', icon: 'error',
             message: 'NUL 文字を含むテキストは整形できません',
             highlightStart: at, highlightEnd: at + 1, line: line, column: at - lineStart + 1 };
  }

  // A leading byte-order mark marks the encoding, not the SQL: it stays in
  // front of the result and the rest is formatted.
  function format(text, options, states) {
    var nul = text.indexOf('\0');
    if (nul >= 0) return refuseNul(text, nul);
    if (text.charCodeAt(0) !== 0xFEFF) return formatBytes(text, options, states);
    var r = formatBytes(text.slice(1), options, states);
    if (r.end === 'normal') {
      var withMark = new Uint8Array(r.text.length + 3);
      withMark.set([0xEF, 0xBB, 0xBF]);
      withMark.set(r.text, 3);
      r.text = withMark;
      for (var i = 0; i < r.bold.length; i++) r.bold[i] += 1;
      var tokens = r.meaning.tokens || [];
      for (var j = 0; j < tokens.length; j++) tokens[j] += 1;
    } else if (r.highlightStart !== undefined) {
      r.highlightStart += 1;
      r.highlightEnd += 1;
    }
    return r;
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

  // A long text comes in pieces, one message each, so that the page never
  // copies it all at once; the format or encode request that follows takes them.
  var pieces = [];

  function answer(request) {
    if (request.op === 'piece') {
      pieces.push(request.text);
      return;
    }
    // No pieces at all: the text is empty.
    if (request.text === undefined && (request.op === 'format' || request.op === 'encode')) {
      request.text = pieces.join('');
      pieces = [];
    }
    var reply = { id: request.id };
    var transfer = [];
    try {
      if (request.op === 'format') {
        var started = performance.now();
        reply.result = format(request.text, request.options, request.states);
        reply.result.milliseconds = performance.now() - started;
        if (reply.result.text) transfer.push(reply.result.text.buffer);
        if (reply.result.bold) transfer.push(reply.result.bold.buffer);
      } else if (request.op === 'decode') {
        reply.file = withBytes(new Uint8Array(request.bytes), function (address, length) {
          return core.decodeFile(address, length);
        });
        transfer.push(reply.file.text.buffer);
      } else if (request.op === 'encode') {
        reply.file = withBytes(request.text, function (address, length) {
          return core.encodeFile(address, length, request.format);
        });
        // As a Blob the page writes the bytes without copying them on its thread.
        reply.file.bytes = new Blob([reply.file.bytes]);
      } else if (request.op === 'formatOf') {
        var written = new Uint8Array(new FileReaderSync().readAsArrayBuffer(request.blob));
        reply.format = withBytes(written, function (address, length) {
          return core.decodeFile(address, length).format;
        });
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
