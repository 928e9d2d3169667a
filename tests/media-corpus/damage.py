#!/usr/bin/env python3
"""Makes damaged copies of a media file for robustness tests.

Usage: damage.py SOURCE OUT_FOLDER INFO.json

For SOURCE = name.ext it writes, into OUT_FOLDER:
  name_cut<P>.ext   the first P percent of the file (P = 1, 10, 50, 90), plus name_cut4k.ext (4096 bytes)
  name_noise.ext    the whole file with 64 runs of 1-32 random bytes overwritten after its first 4 KiB
                    (the header survives, so the damage is met while playing), seeded by the name
INFO.json receives one entry per file written: its source, how it was damaged and its size.
"""
import json
import os
import random
import sys


def main():
    src, folder, info_path = sys.argv[1:4]
    data = open(src, "rb").read()
    base, ext = os.path.splitext(os.path.basename(src))
    os.makedirs(folder, exist_ok=True)
    info = {}

    def put(name, blob, how):
        with open(os.path.join(folder, name), "wb") as f:
            f.write(blob)
        info[name] = {"source": os.path.basename(src), "damage": how, "bytes": len(blob)}

    for pct in (1, 10, 50, 90):
        put(f"{base}_cut{pct}{ext}", data[:len(data) * pct // 100], f"truncated to {pct}%")
    put(f"{base}_cut4k{ext}", data[:4096], "truncated to 4096 bytes")
    rnd = random.Random(base + ext)
    noisy = bytearray(data)
    lo = min(4096, len(data) // 4)
    for _ in range(64):
        at = rnd.randrange(lo, len(data))
        run = rnd.randint(1, 32)
        noisy[at:at + run] = bytes(rnd.randrange(256) for _ in range(min(run, len(data) - at)))
    put(f"{base}_noise{ext}", bytes(noisy), "64 runs of random bytes")
    json.dump(info, open(info_path, "w"))


if __name__ == "__main__":
    main()
