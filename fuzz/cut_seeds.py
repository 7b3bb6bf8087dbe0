#!/usr/bin/env python3
"""Cuts small seed inputs for the fuzz targets out of the SQL corpus.

    fuzz/cut_seeds.py ../shared/corpus /tmp/raw-seeds
    build-sanitize/fuzz/TARGET -merge=1 -max_len=512 fuzz/seeds/TARGET /tmp/raw-seeds/TARGET

Short inputs keep the fuzzers fast: each seed is one statement (or a piece of
one) of at most MAX_SEED bytes; the merge keeps those that add coverage. The
seeds are kept in the repository, so this only needs running again to refresh
them. Crash inputs found later go into the same folders by hand and are then
tried by every fuzz run.
"""
import hashlib
import pathlib
import re
import sys

MAX_SEED = 300
PER_FILE = 3
OPTION_BYTES = [0x00, 0x02, 0x04, 0x01, 0x0E, 0x18, 0x80]  # defaults, leading commas, line breaks, simple, ...


def statements(data: bytes):
    for piece in re.split(rb";\s*\r?\n|\r?\n\s*\r?\n", data):
        piece = piece.strip()
        if 8 <= len(piece):
            yield piece[:MAX_SEED]


def write(folder: pathlib.Path, data: bytes):
    folder.mkdir(parents=True, exist_ok=True)
    (folder / hashlib.sha1(data).hexdigest()[:16]).write_bytes(data)


def main():
    corpus, out = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
    files = sorted(p for p in corpus.rglob("*.sql"))
    for n, path in enumerate(files):
        data = path.read_bytes()
        picked = list(statements(data))
        # A few statements per file: the first, one from the middle, the last.
        for k, stmt in enumerate(sorted({0, len(picked) // 2, len(picked) - 1} if picked else set())):
            s = picked[stmt]
            write(out / "format_core_fuzz", bytes([OPTION_BYTES[(n + k) % len(OPTION_BYTES)]]) + s)
        if picked and n % 2 == 0:
            middle = picked[len(picked) // 2]
            write(out / "meaning_check_fuzz", bytes([(n // 2) % 2]) + middle)
        if picked and n % 3 == 0:
            write(out / "text_decoder_fuzz", picked[0][:120])
            write(out / "cp932_roundtrip_fuzz", picked[0][:120])


if __name__ == "__main__":
    main()
