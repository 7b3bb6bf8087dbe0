#!/usr/bin/env python3
"""Times kelvra-format on text shapes that stress single stages, at 1 MB and 2 MB.

    bench/shapes.py [--binary PATH] [--runs N] [--keep DIR] [--only NAME,...] [--sizes 1,2]

For every shape it prints the processor time (user + system, best of N runs)
at each size, the 2 MB / 1 MB ratio (about 2 for a linear run), the time per MB
relative to ordinary code-first SQL, and the peak resident memory over the
input size. The ordinary inputs come from ../shared/bench (comment-first as
there, code-first with one statement put in front); the shapes are generated
here. Processor time rather than wall time: the machines are shared.
"""
import argparse
import os
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
SHARED = os.path.join(ROOT, '..', 'shared')
MB = 1 << 20


def fill(unit, size):
    """`unit(i)` repeated (i = 0, 1, ...) until the text reaches `size` bytes."""
    parts, total, i = [], 0, 0
    while total < size:
        s = unit(i)
        parts.append(s)
        total += len(s.encode('utf-8'))
        i += 1
    return ''.join(parts)


def statement(i):
    return (f"SELECT A.COL{i % 97}, NVL(B.AMOUNT, 0) AS AMT, SUBSTR(A.NAME, 1, 10)\r\n"
            f"  FROM ORDERS A, CUSTOMERS B\r\n"
            f" WHERE A.CUST_ID = B.ID AND A.STATUS IN ('OPEN', 'HELD')\r\n"
            f"   AND A.CREATED >= TO_DATE('2024-01-01', 'YYYY-MM-DD')\r\n"
            f" ORDER BY A.COL{i % 97};\r\n")


def one_line(size):
    return fill(lambda i: statement(i).replace('\r\n', ' '), size)


def deep_parens(size):
    depth = size // 4
    return "SELECT " + "( " * depth + "1" + " )" * depth + " FROM DUAL;\r\n"


def nested_calls(size):
    names = ["NVL", "DECODE", "SUBSTR", "TO_CHAR", "ROUND", "UPPER"]
    depth = size // 14
    head = ''.join(f"{names[i % len(names)]}(" for i in range(depth))
    tail = ''.join(f", {i % 10})" for i in range(depth))
    return "SELECT " + head + "X" + tail + " FROM DUAL;\r\n"


def select_list_line(size):
    n = size // 10
    return "SELECT " + ", ".join(f"C{i}" for i in range(n)) + " FROM T;\r\n"


def select_list_lines(size):
    n = size // 10
    return "SELECT " + ",\r\n       ".join(f"C{i}" for i in range(n)) + "\r\n  FROM T;\r\n"


def in_list(size):
    n = size // 9
    return "SELECT * FROM T WHERE ID IN (" + ", ".join(str(100000 + i) for i in range(n)) + ");\r\n"


def block_comments(size):
    return fill(lambda i: f"/* step {i}: read the row */ SELECT A /* the key */, B FROM T{i % 50} /* done */;\r\n",
                size)


def literals(size):
    return fill(lambda i: f"INSERT INTO LOG VALUES ('{'x' * 60}{i}', 'it''s row {i}', \"Quoted Name {i}\");\r\n",
                size)


def japanese(size):
    return fill(lambda i: f"-- 顧客の一覧を取り出す{i}\r\nSELECT 顧客名, 住所, ＮＶＬ(電話番号, '未登録')\r\n"
                          f"  FROM 顧客マスタ WHERE 区分 = '東京都' AND 備考 LIKE '%重要%';\r\n", size)


def leading_commas(size):
    return fill(lambda i: f"SELECT A.ID\r\n     , A.NAME\r\n     , NVL(A.AMT, 0)\r\n     , B.CODE\r\n"
                          f"  FROM T{i % 40} A\r\n     , U B\r\n WHERE A.ID = B.ID;\r\n", size)


def empty_lines(size):
    return fill(lambda i: statement(i).replace('\r\n', '\r\n\r\n\r\n\r\n'), size)


def cr_only(size):
    return fill(lambda i: statement(i).replace('\r\n', '\r'), size)


def all_keywords(size):
    words = []
    path = os.path.join(ROOT, 'src', 'keywords', 'KeywordCatalogue.cpp')
    with open(path, encoding='utf-8') as f:
        for line in f:
            for part in line.split('"')[1::2]:
                if part and part.replace(' ', '').replace('_', '').isalnum() and part.upper() == part:
                    words.append(part)
    words = list(dict.fromkeys(words))
    return fill(lambda i: " ".join(f"{w} ( X{i} , {w} ) ," for w in words) + ";\r\n", size)


def create_table(size):
    n = size // 18
    return ("CREATE TABLE BIG (\r\n" + ",\r\n".join(f"  COL{i} NUMBER" for i in range(n)) + "\r\n);\r\n")


def create_procedure(size):
    n = size // 20
    return ("CREATE PROCEDURE BIG_PROC (\r\n" + ",\r\n".join(f"  P{i} IN NUMBER" for i in range(n))
            + "\r\n) AS\r\nBEGIN\r\n  NULL;\r\nEND;\r\n")


def close_parens_after_names(size):
    return fill(lambda i: f"A{i} NUMBER) ", size)


def remarks_with_quotes(size):
    # A remark to SQL*Plus, the start of a literal to the other readers.
    return fill(lambda i: f"prompt it's step {i}\r\nselect a{i} from t;\r\n", size)


def backslash_quotes(size):
    # Quotes that backslash escapes pair otherwise, to the end of the text.
    return fill(lambda i: f"select 'a{i}\\' , b from t;\r\n", size)


def dialect_pieces(size):
    return fill(lambda i: f"select [c{i}], :v{i}, 0x{i:X}, `d{i}` from t # note {i}\r\n;\r\n", size)


def nested_subqueries(depth):
    def make(size):
        def unit(i):
            return ("SELECT A FROM (" * depth) + f"SELECT A FROM T{i}" + (") X" * depth) + ";\r\n"
        return fill(unit, size)
    return make


SHAPES = [
    ("one very long line", "long_line", one_line, []),
    ("deep parentheses", "deep_parens", deep_parens, []),
    ("deep nested calls", "nested_calls", nested_calls, []),
    ("SELECT list, one line", "select_line", select_list_line, []),
    ("SELECT list, item per line", "select_lines", select_list_lines, []),
    ("huge IN list", "in_list", in_list, []),
    ("many block comments", "block_comments", block_comments, []),
    ("mostly literals", "literals", literals, []),
    ("mostly Japanese", "japanese", japanese, []),
    ("leading commas (--comma before)", "leading_commas", leading_commas, ["--comma", "before"]),
    ("empty lines", "empty_lines", empty_lines, []),
    ("empty lines (--line-breaks-separate)", "empty_lines_lfsp", empty_lines, ["--line-breaks-separate"]),
    ("CR-only line ends", "cr_only", cr_only, []),
    ("every catalogue keyword", "all_keywords", all_keywords, []),
    ("one CREATE TABLE, NUMBER columns", "create_table", create_table, []),
    ("one CREATE PROCEDURE, IN parameters", "create_procedure", create_procedure, []),
    ("`a1 NUMBER) a2 NUMBER) ...`", "close_parens", close_parens_after_names, []),
    ("nested subqueries (depth 8)", "subqueries8", nested_subqueries(8), []),
    ("remarks with apostrophes (every reading)", "remarks", remarks_with_quotes, ["--keep-meaning", "--line-breaks-separate"]),
    ("backslashes before quotes (every reading)", "backslashes", backslash_quotes, ["--keep-meaning", "--line-breaks-separate"]),
    ("bracket names, variables, hex, # comments", "dialect_pieces", dialect_pieces, ["--keep-meaning", "--line-breaks-separate"]),
    # Every level indents its lines once more, so the output grows with the
    # depth (here about 29 times the input): compare this one per MB of output.
    ("nested subqueries (depth 30)", "subqueries", nested_subqueries(30), []),
]


def ordinary(name, code_first):
    """The shared input repeated to at least `size` bytes, code-first or as it is."""
    with open(os.path.join(SHARED, 'bench', name + '_1mb.sql'), 'rb') as f:
        body = f.read()
    prefix = b"SELECT 1 FROM DUAL;\r\n" if code_first else b""

    def make(size):
        times = max(1, round(size / len(body)))
        return prefix + body * times
    return make


def run_once(binary, args, path):
    """(processor seconds, peak resident KB, wall seconds, output bytes) of one run.

    The processor time comes from the kernel's account of the child (through
    /usr/bin/time, which adds about a millisecond); the peak memory from
    /usr/bin/time, whose child starts small (a child forked from this script
    would report the script's own size as its peak).
    """
    with tempfile.NamedTemporaryFile('r') as rss, tempfile.TemporaryFile() as out:
        start = time.monotonic()
        p = subprocess.Popen(['/usr/bin/time', '-f', '%M', '-o', rss.name, binary] + args + [path],
                             stdout=out, stderr=subprocess.PIPE)
        err = p.stderr.read().decode('utf-8', 'replace')
        _, status, usage = os.wait4(p.pid, 0)
        p.stderr.close()
        p.returncode = os.waitstatus_to_exitcode(status)
        wall = time.monotonic() - start
        kb = int(rss.read().split()[-1] or 0)
        written = out.seek(0, os.SEEK_END)
    if p.returncode != 0:
        raise RuntimeError(f"{os.path.basename(path)}: exit {p.returncode}: {err.strip()[:200]}")
    return usage.ru_utime + usage.ru_stime, kb, wall, written


def measure(binary, args, path, runs):
    best, rss, wall, written = None, 0, None, 0
    for _ in range(runs):
        cpu, kb, w, written = run_once(binary, args, path)
        best = cpu if best is None else min(best, cpu)
        wall = w if wall is None else min(wall, w)
        rss = max(rss, kb)
    return best, rss, wall, written


def main():
    ap = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    ap.add_argument('--binary', default=os.path.join(ROOT, 'build', 'bin', 'kelvra-format'))
    ap.add_argument('--runs', type=int, default=3)
    ap.add_argument('--keep', help='write the inputs to this folder and keep them')
    ap.add_argument('--only', help='comma-separated short names')
    ap.add_argument('--sizes', default='1,2', help='sizes in MB (default 1,2)')
    ap.add_argument('--generate-only', action='store_true', help='write the inputs (with --keep) and stop')
    opts = ap.parse_args()
    settings = os.path.join(SHARED, 'golden', 'defaults', 'Kelvra.ini')
    # Format as the editor does: where line breaks do not separate words, a
    # build that asks first is told to join the lines.
    usage = subprocess.run([opts.binary, '--help'], capture_output=True, text=True).stdout
    common = ['--settings', settings] + (['--join-lines'] if '--join-lines' in usage else [])
    sizes = [int(s) for s in opts.sizes.split(',')]

    cases = [("ordinary, code-first (mixed)", "codefirst_mixed", ordinary('mixed', True), []),
             ("ordinary, comment-first (mixed)", "mixed", ordinary('mixed', False), []),
             ("ordinary, code-first (oracle)", "codefirst_oracle", ordinary('oracle', True), []),
             ("ordinary, comment-first (oracle)", "oracle", ordinary('oracle', False), [])]
    cases += [(title, short, (lambda g: lambda size: g(size).encode('utf-8'))(gen), args)
              for title, short, gen, args in SHAPES]
    if opts.only:
        wanted = set(opts.only.split(','))
        cases = [c for c in cases if c[1] in wanted or c[1] == 'codefirst_mixed']

    folder = opts.keep or tempfile.mkdtemp(prefix='kelvra-shapes-')
    os.makedirs(folder, exist_ok=True)
    rows = []
    for title, short, make, args in cases:
        results = {}
        for mb in sizes:
            path = os.path.join(folder, f"{short}_{mb}mb.sql")
            if not os.path.exists(path):
                with open(path, 'wb') as f:
                    f.write(make(mb * MB))
            if opts.generate_only:
                continue
            bytes_ = os.path.getsize(path)
            cpu, kb, wall, written = measure(opts.binary, common + args, path, opts.runs)
            results[mb] = (cpu, kb, wall, bytes_, written)
            print(f"  {short} {mb} MB: {cpu:.3f} s cpu, {wall:.3f} s wall, {kb / 1024:.1f} MB peak",
                  file=sys.stderr, flush=True)
        rows.append((title, short, results))
    if opts.generate_only:
        print(folder)
        return

    # The process itself, on a one-line text: the part of the peak memory that
    # does not grow with the input.
    tiny = os.path.join(folder, 'tiny.sql')
    with open(tiny, 'wb') as f:
        f.write(b"SELECT 1 FROM DUAL;\r\n")
    base_kb = run_once(opts.binary, common, tiny)[1]
    base = rows[0][2]
    base_per_mb = base[sizes[0]][0] / (base[sizes[0]][3] / MB)
    print(f"Best of {opts.runs} runs, processor seconds (user + system) of the whole process;")
    print(f"per-MB times relative to ordinary code-first SQL at {sizes[0]} MB ({base_per_mb * 1000:.1f} ms/MB).")
    print(f"Peak memory: the largest peak resident set over the input size, whole and without the")
    print(f"{base_kb / 1024:.1f} MB that a run on a one-line text takes.")
    print()
    head = "| shape | " + " | ".join(f"{mb} MB s" for mb in sizes)
    head += f" | {sizes[-1]}/{sizes[0]} | per MB vs ordinary | output / input | peak / input | (peak - process) / input |"
    print(head)
    print("|---" * (len(sizes) + 6) + "|")
    for title, short, results in rows:
        first, last = results[sizes[0]], results[sizes[-1]]
        ratio = last[0] / first[0] if first[0] > 0 else float('nan')
        per_mb = max(r[0] / (r[3] / MB) for r in results.values())
        mem = max(r[1] * 1024 / r[3] for r in results.values())
        above = max((r[1] - base_kb) * 1024 / r[3] for r in results.values())
        grown = max(r[4] / r[3] for r in results.values())
        cells = " | ".join(f"{results[mb][0]:.3f}" for mb in sizes)
        print(f"| {title} | {cells} | {ratio:.2f} | {per_mb / base_per_mb:.2f} | {grown:.1f} | {mem:.1f} | {above:.1f} |")
    if not opts.keep:
        for name in os.listdir(folder):
            os.remove(os.path.join(folder, name))
        os.rmdir(folder)


if __name__ == '__main__':
    main()
