#!/usr/bin/env python3
"""How close kelvra-format comes to one pass over the text.

    bench/one_pass.py [--binary PATH] [--runs N] [--input FILE]

Runs kelvra-format --line-breaks-separate and `wc -w` on the same 10 MB of
code-first SQL (the input repeated ten times) in turn, pair by pair, so that a
machine whose speed drifts moves both, and prints each pair's processor time
(user + system) and their ratio; then kelvra-format's peak resident memory
against the size of its input. Processor time rather than wall time: the
machines are shared.
"""
import argparse
import os
import resource
import statistics
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
MB = 1 << 20


def run(command):
    """Processor seconds and peak resident kilobytes of one run of `command`
    (measured by /usr/bin/time, which is small: a child of this process would
    start as a copy of it and count its size)."""
    with tempfile.NamedTemporaryFile('r') as report:
        subprocess.run(['/usr/bin/time', '-f', '%e %M', '-o', report.name] + command, stdout=subprocess.DEVNULL,
                       check=True)
        _, kb = report.read().split()
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    seconds = usage.ru_utime + usage.ru_stime - run.spent
    run.spent = usage.ru_utime + usage.ru_stime
    return seconds, int(kb)


run.spent = 0.0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--binary', default=os.path.join(ROOT, 'build', 'bin', 'kelvra-format'))
    parser.add_argument('--runs', type=int, default=7)
    parser.add_argument('--input', default=os.path.join(ROOT, '..', 'shared', 'bench', 'codefirst_mixed_1mb.sql'))
    args = parser.parse_args()
    with open(args.input, 'rb') as f:
        unit = f.read()
    with tempfile.TemporaryDirectory() as work:
        ten = os.path.join(work, 'ten.sql')
        with open(ten, 'wb') as f:
            f.write(unit * 10)
        print(f"## kelvra-format --line-breaks-separate and wc -w on {10 * len(unit) / MB:.1f} MB, "
              f"{args.runs} paired runs\n")
        print("| run | kelvra-format s | wc -w s | ratio |\n|---|---|---|---|")
        ratios = []
        for n in range(1, args.runs + 1):
            k, _ = run([args.binary, '--line-breaks-separate', ten])
            w, _ = run(['wc', '-w', ten])
            ratios.append(k / w)
            print(f"| {n} | {k:.3f} | {w:.3f} | {k / w:.1f} |")
        print(f"\nMedian ratio: {statistics.median(ratios):.1f}\n")
        print("## Peak memory against input size\n")
        print("| input MB | peak MB | peak / input |\n|---|---|---|")
        for copies in (1, 2, 4, 8, 16):
            path = os.path.join(work, f'{copies}.sql')
            with open(path, 'wb') as f:
                f.write(unit * copies)
            _, kb = run([args.binary, '--line-breaks-separate', path])
            size = copies * len(unit)
            print(f"| {size / MB:.1f} | {kb / 1024:.1f} | {kb * 1024 / size:.1f} |")


if __name__ == '__main__':
    main()
