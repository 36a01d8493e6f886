#!/usr/bin/env python3
"""small-board.py BENCH [BENCH ARGUMENTS]: runs the benchmark under callgrind with a small board's
caches (16 KiB 4-way first-level caches and a 128 KiB 8-way last-level cache, 32-byte lines) and
prints, for each corpus, the instructions and misses per solve (median, 99th percentile, largest)
and the seconds the worst cube would take on an ARM1176 at 1 GHz and an ARM926 at 300 MHz by the
time model of docs/performance.md. The counts do not vary from run to run.

Example: tools/small-board.py build/bench --corpus=after --without
"""
import os
import re
import subprocess
import sys
import tempfile

CACHES = ["--D1=16384,4,32", "--I1=16384,4,32", "--LL=131072,8,32"]


def arm1176_seconds(c):
    """1 GHz, one instruction a cycle; a first-level miss served by the L2 costs 25 cycles, one
    that misses it too another 150 (SDRAM behind the VideoCore's bus, about 175 ns in all)."""
    return (c["Ir"] + 25 * (c["D1"] + c["I1"]) + 150 * c["LL"]) / 1e9


def arm926_seconds(c):
    """300 MHz, 1.3 cycles an instruction (load-use interlocks); no second-level cache, so every
    first-level miss goes to DDR: 45 cycles (150 ns)."""
    return (1.3 * c["Ir"] + 45 * (c["D1"] + c["I1"])) / 300e6


def read_dump(path):
    label, events, totals = None, None, None
    with open(path) as f:
        for line in f:
            if line.startswith("desc: Trigger: Client Request: "):
                label = line.split("Client Request: ", 1)[1].strip()
            elif line.startswith("events: "):
                events = line.split()[1:]
            elif line.startswith("summary: ") or line.startswith("totals: "):
                totals = [int(v) for v in line.split()[1:]]
    if label is None or events is None or totals is None:
        return None
    v = dict(zip(events, totals + [0] * (len(events) - len(totals))))
    return label, {
        "Ir": v["Ir"],
        "D1": v["D1mr"] + v["D1mw"],
        "I1": v["I1mr"],
        "LL": v["ILmr"] + v["DLmr"] + v["DLmw"],
    }


def quantile(values, p):
    values = sorted(values)
    return values[int(p * (len(values) - 1) + 0.5)]


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "cg.out")
        subprocess.run(["valgrind", "--tool=callgrind", "--cache-sim=yes", *CACHES,
                        "--callgrind-out-file=" + out, *sys.argv[1:]],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        dumps = [read_dump(os.path.join(tmp, n)) for n in os.listdir(tmp)
                 if re.fullmatch(r"cg\.out\.\d+", n)]
    corpora = {}
    for label, counts in filter(None, dumps):
        corpus, cube = label.rsplit(" ", 1)
        corpora.setdefault(corpus, []).append((int(cube), counts))
    for corpus, solves in corpora.items():
        print(f"{corpus}: {len(solves)} solves")
        for key, name in (("Ir", "instructions"), ("D1", "D1 misses"), ("LL", "LL misses")):
            values = [c[key] for _, c in solves]
            print(f"  {name:13} median {quantile(values, 0.5) / 1e6:9.2f} M  "
                  f"p99 {quantile(values, 0.99) / 1e6:9.2f} M  max {max(values) / 1e6:9.2f} M")
        cube, worst = max(solves, key=lambda s: arm1176_seconds(s[1]))
        print(f"  worst cube {cube}: {worst['Ir'] / 1e6:.2f} M instructions, "
              f"{worst['D1'] / 1e6:.2f} M D1 and {worst['LL'] / 1e6:.2f} M LL misses: "
              f"ARM1176 1 GHz {arm1176_seconds(worst):.2f} s, "
              f"ARM926 300 MHz {arm926_seconds(worst):.2f} s (limit 5.12 s)")


if __name__ == "__main__":
    main()
