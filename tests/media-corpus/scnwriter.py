#!/usr/bin/env python3
"""Writes the scene files (.scn) used by the tests of the scene reader.

Usage: scnwriter.py OUT_FOLDER INFO.json

A scene file lists the frames where scenes start. Little-endian unless stated. A "string" is one
byte n and n bytes when n < 255; else a big-endian 16-bit v: v bytes when v < 0xFEFF; else one byte
d: 2d bytes (UTF-16) when d < 255; else a big-endian 16-bit w and 2w bytes.

  header: 24 bytes; string; 8 bytes; count (u16); 11 bytes; flags A; flags B; 12 bytes; string;
          start (i32); value 2 (i32); 6 bytes; string; 8 bytes; u32;
          [u32 when flags B & 0x40]; [string when flags A & 0x80]
  record (count times): 3 bytes; flags A; flags B; 3 bytes; string; start (i32); value 2 (i32);
          6 bytes; three u32; [u32 when flags B & 0x40]; [string when flags A & 0x80]

The header holds the first scene, so a file gives count + 1 scenes. Filler bytes are not zero
(0xA5 and counters) so that a reader that skips the wrong amount reads nonsense.
The list of files written, with the scenes a reader must return, goes to INFO.json.
"""
import json
import os
import struct
import sys


def string_bytes(text, form):
    """The four encodings a reader must skip: short, long, UTF-16 short, UTF-16 long."""
    if form == "short":
        raw = text.encode("latin-1")
        assert len(raw) < 255
        return bytes([len(raw)]) + raw
    if form == "long":
        raw = text.encode("latin-1")
        assert len(raw) < 0xFEFF
        return b"\xff" + struct.pack(">H", len(raw)) + raw
    raw = text.encode("utf-16-le")
    chars = len(raw) // 2
    if form == "wide":
        assert chars < 255
        return b"\xff\xff\xfe" + bytes([chars]) + raw
    if form == "widelong":
        return b"\xff\xff\xfe\xff" + struct.pack(">H", chars) + raw
    raise ValueError(form)


def filler(n, seed):
    return bytes(((0xA5 + seed + i * 7) & 0xFF) for i in range(n))


def scene_file(scenes, forms=("short",), flags=None):
    """scenes: list of (start, value2). flags: list of (flagsA, flagsB) per scene, default 0."""
    flags = flags or [(0, 0)] * len(scenes)

    def s(i, k):
        form = forms[(i + k) % len(forms)]
        text = {"short": "Scène", "long": "L" * 300, "wide": "Scène large",
                "widelong": "W" * 280}[form]
        return string_bytes(f"{text} {i}.{k}", form)

    out = bytearray()
    fa, fb = flags[0]
    out += filler(24, 1) + s(0, 0) + filler(8, 2) + struct.pack("<H", len(scenes) - 1)
    out += filler(11, 3) + bytes([fa, fb]) + filler(12, 4) + s(0, 1)
    out += struct.pack("<ii", scenes[0][0], scenes[0][1]) + filler(6, 5) + s(0, 2) + filler(8, 6)
    out += struct.pack("<I", 0xDEADBEEF)
    if fb & 0x40:
        out += struct.pack("<I", 0x40404040)
    if fa & 0x80:
        out += s(0, 3)
    for i, (start, value2) in enumerate(scenes[1:], start=1):
        fa, fb = flags[i]
        out += filler(3, i) + bytes([fa, fb]) + filler(3, i + 1) + s(i, 0)
        out += struct.pack("<ii", start, value2) + filler(6, i + 2)
        out += struct.pack("<III", i, 0x01020304, 0xFFFFFFFF)
        if fb & 0x40:
            out += struct.pack("<I", 0x40404040)
        if fa & 0x80:
            out += s(i, 1)
    return bytes(out)


def main():
    folder, info_path = sys.argv[1], sys.argv[2]
    os.makedirs(folder, exist_ok=True)
    info = {}

    def put(name, data, loads, scenes):
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
        info[name] = {"loads": loads, "scenes": [list(x) for x in scenes]}

    basic = [(0, 0), (25, 1), (50, 2), (100, 3)]
    put("scenes_basic.scn", scene_file(basic), True, basic)
    put("scenes_single.scn", scene_file([(12, 7)]), True, [(12, 7)])
    forms = [(0, 40), (-5, 1), (30, 2), (60, -3), (90, 4), (2000000, 5)]
    fl = [(0x80, 0x40), (0, 0x40), (0x80, 0), (0x80, 0x40), (0, 0), (0x7F, 0xBF)]
    put("scenes_forms.scn", scene_file(forms, ("short", "long", "wide", "widelong"), fl), True, forms)
    # Cut inside the header: nothing is read. Cut inside the third record: header + two records read.
    full = scene_file(basic)
    put("scenes_cut_header.scn", full[:40], False, [])
    head_and_two = len(scene_file(basic[:3]))
    put("scenes_cut_record.scn", full[:head_and_two + 10], False, basic[:3])
    # Scene files beside frame-index clips (same base name as the video).
    put("fi_dv_pal.scn", scene_file([(0, 0), (20, 0), (45, 0), (70, 0)]), True,
        [(0, 0), (20, 0), (45, 0), (70, 0)])
    put("fi_mpeg2_ps.scn", scene_file([(0, 1), (10, 2), (60, 3)], ("short", "wide")), True,
        [(0, 1), (10, 2), (60, 3)])
    json.dump(info, open(info_path, "w"), indent=1)


if __name__ == "__main__":
    main()
