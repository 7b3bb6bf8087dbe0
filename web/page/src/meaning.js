// The meaning check's first difference in the page's own words, from its kind
// and the tokens concerned, which the core gives as places in the text before
// the run.

const SHOWN = 30; // characters of a token shown at most

// A token as quoted in the notice: its first line, cut short when long.
function shown(token) {
  const firstLine = token.split('\n', 1)[0];
  const cut = firstLine.length < token.length || firstLine.length > SHOWN;
  return '「' + firstLine.slice(0, SHOWN) + (cut ? '…' : '') + '」';
}

const BETWEEN = {
  joinedWords: (a, b) => `${a}と${b}がつながります`,
  wordOnLiteral: (a, b) => `${a}と${b}がつながります`,
  mergedLiterals: (a, b) => `${a}と${b}が一つのリテラルになります`,
  operatorFormed: (a, b) => `${a}と${b}が一つの演算子か数値になります`,
  commentFormed: (a, b) => `${a}と${b}がつながってコメントになります`
};
const ONE = {
  literalChanged: a => `リテラル${a}が変わります`,
  commentChanged: a => `コメント${a}が変わります`,
  lineCommandMerged: a => `コマンド行${a}が変わります`,
  otherChange: a => `${a}が変わります`
};

// `meaning`: {kind, line, column, tokens: [start, end, ...]}; `before`: the
// document it was found in. Gives e.g. 「b」と「from」の間の改行がなくなり、つながります.
export function describeDifference(meaning, before) {
  const t = meaning.tokens || [];
  const token = i => before.sliceString(t[2 * i], t[2 * i + 1]);
  if (t.length >= 4 && BETWEEN[meaning.kind]) {
    const [a, b] = [shown(token(0)), shown(token(1))];
    const lineBreak = before.sliceString(t[1], t[2]).includes('\n');
    const joins = meaning.kind === 'joinedWords' || meaning.kind === 'wordOnLiteral';
    if (joins && lineBreak) return `${a}と${b}の間の改行がなくなり、つながります`;
    if (meaning.kind === 'commentFormed' && /^(--|\/\*|#)/.test(token(0))) return `${b}がコメント${a}に入ります`;
    return BETWEEN[meaning.kind](a, b);
  }
  if (t.length >= 2) return (ONE[meaning.kind] || ONE.otherChange)(shown(token(0)));
  return '';
}
