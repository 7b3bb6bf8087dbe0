#!/usr/bin/env python3
"""Times a formatting request of kelvra-format --lsp on a large document
against one kelvra-format run on the same text, and prints a Markdown table.

    bench/lsp_bench.py [--runs N] [FILE...]

Each run starts a fresh server, opens the document and at once asks for its
formatting (so the request formats the text itself, not a result kept from the
diagnostics), and times from sending the request to the last byte of the
answer. A second figure asks only after the diagnostics of the opened document
came, as when a user formats a document that is open already. The kelvra-format run is timed from start to exit, reading the file.
Beside the medians of those wall times, the best processor time (user +
system) of each whole process: the server's includes starting, initialize,
reading the document and the diagnostics after the answer.
Both use --line-breaks-separate and an empty Kelvra.ini. Environment:
KELVRA_FORMAT (default build/bin/kelvra-format). Default FILE:
../shared/bench/mixed_1mb.sql and oracle_1mb.sql.
"""
import argparse
import json
import os
import statistics
import subprocess
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)


def frame(message):
    body = json.dumps(message).encode()
    return b"Content-Length: %d\r\n\r\n" % len(body) + body


def read_message(stream):
    length = None
    while True:
        line = stream.readline()
        if not line:
            raise EOFError("the server closed its output")
        if line in (b"\r\n", b"\n"):
            break
        name, _, value = line.partition(b":")
        if name.strip().lower() == b"content-length":
            length = int(value)
    return json.loads(stream.read(length))


def lsp_run(program, settings, text, settled=False):
    server = subprocess.Popen([program, "--lsp", "--settings", settings, "--line-breaks-separate"],
                              stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    server.stdin.write(frame({"jsonrpc": "2.0", "id": 1, "method": "initialize",
                              "params": {"capabilities": {}}}))
    server.stdin.flush()
    read_message(server.stdout)
    opened = frame({"jsonrpc": "2.0", "method": "textDocument/didOpen",
                    "params": {"textDocument": {"uri": "file:///bench.sql", "languageId": "sql",
                                                "version": 1, "text": text}}})
    request = frame({"jsonrpc": "2.0", "id": 2, "method": "textDocument/formatting",
                     "params": {"textDocument": {"uri": "file:///bench.sql"},
                                "options": {"tabSize": 8, "insertSpaces": True}}})
    server.stdin.write(opened)
    server.stdin.flush()
    while settled:
        if read_message(server.stdout).get("method") == "textDocument/publishDiagnostics":
            break
    started = time.perf_counter()
    server.stdin.write(request)
    server.stdin.flush()
    while True:
        answer = read_message(server.stdout)
        if answer.get("id") == 2:
            break
    elapsed = time.perf_counter() - started
    server.stdin.write(frame({"jsonrpc": "2.0", "id": 3, "method": "shutdown"}))
    server.stdin.write(frame({"jsonrpc": "2.0", "method": "exit"}))
    server.stdin.close()
    _, _, usage = os.wait4(server.pid, 0)
    server.returncode = 0
    if "error" in answer:
        raise RuntimeError(answer["error"]["message"])
    return elapsed, usage.ru_utime + usage.ru_stime, len(answer["result"])


def cli_run(program, settings, path):
    started = time.perf_counter()
    run = subprocess.Popen([program, "--settings", settings, "--line-breaks-separate", path],
                           stdout=subprocess.DEVNULL)
    _, status, usage = os.wait4(run.pid, 0)
    run.returncode = 0
    if status != 0:
        raise RuntimeError("kelvra-format failed on " + path)
    return time.perf_counter() - started, usage.ru_utime + usage.ru_stime


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("files", nargs="*")
    args = parser.parse_args()
    program = os.environ.get("KELVRA_FORMAT", os.path.join(ROOT, "build", "bin", "kelvra-format"))
    files = args.files or [os.path.join(ROOT, "..", "shared", "bench", name)
                           for name in ("mixed_1mb.sql", "oracle_1mb.sql")]
    with tempfile.TemporaryDirectory() as work:
        settings = os.path.join(work, "Kelvra.ini")
        with open(settings, "wb") as f:
            f.write(b"[Setting]\r\n")
        print("| input | size | kelvra-format run, s | --lsp formatting request, s | request / run "
              "| request after the diagnostics, s | run, CPU s | server, CPU s | edits |")
        print("|---|---|---|---|---|---|---|---|---|")
        for path in files:
            with open(path, encoding="utf-8", newline="") as f:
                text = f.read()
            cli = [cli_run(program, settings, path) for _ in range(args.runs)]
            lsp = [lsp_run(program, settings, text) for _ in range(args.runs)]
            settled = statistics.median(lsp_run(program, settings, text, True)[0] for _ in range(args.runs))
            cli_s, lsp_s = statistics.median(t for t, _ in cli), statistics.median(t for t, _, _ in lsp)
            cli_cpu, lsp_cpu = min(c for _, c in cli), min(c for _, c, _ in lsp)
            print(f"| {os.path.basename(path)} | {len(text.encode()) / 1e6:.2f} MB | {cli_s:.3f} | {lsp_s:.3f} "
                  f"| {lsp_s / cli_s:.2f} | {settled:.3f} | {cli_cpu:.3f} | {lsp_cpu:.3f} | {lsp[0][2]} |")


if __name__ == "__main__":
    main()
