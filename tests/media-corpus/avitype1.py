#!/usr/bin/env python3
"""Wraps a raw DV file into a type-1 DV AVI: one interleaved stream ('iavs', handler 'dvsd').

Usage: avitype1.py IN.dv OUT.avi

Neither ffmpeg nor GStreamer writes this layout, which many DV capture programs produced: every
frame, audio included, is one '00__' chunk holding the whole DIF frame. The stream format is the
32-byte DVINFO record (AAUX source/control for both audio pairs, VAUX source/control), taken from
the first frame. An 'idx1' index follows the 'movi' list. Plain RIFF only (under 1 GB).
"""
import struct
import sys


def chunk(fourcc, payload):
    pad = b"\0" if len(payload) & 1 else b""
    return fourcc + struct.pack("<I", len(payload)) + payload + pad


def riff_list(kind, fourcc, payload):
    return kind + struct.pack("<I", len(payload) + 4) + fourcc + payload


def pack_data(frame, offset, header):
    """PC1-PC4 of the pack at offset when its header matches, else 0xFF bytes."""
    if frame[offset] == header:
        return frame[offset + 1:offset + 5]
    return b"\xff\xff\xff\xff"


def main():
    src, dst = sys.argv[1], sys.argv[2]
    data = open(src, "rb").read()
    pal = data[3] & 0x80 != 0
    fsize = 144000 if pal else 120000
    n = len(data) // fsize
    width, height = 720, (576 if pal else 480)
    scale, rate = (1, 25) if pal else (1001, 30000)
    usec = 40000 if pal else 33367

    f0 = data[:fsize]
    # AAUX source/control: audio blocks 3 and 4 of sequence 0; the second pair from the middle sequence.
    half = (fsize // 12000 // 2) * 12000
    dvinfo = (pack_data(f0, 4323, 0x50) + pack_data(f0, 4323 + 1280, 0x51)
              + pack_data(f0, half + 4323, 0x50) + pack_data(f0, half + 4323 + 1280, 0x51)
              + pack_data(f0, 243, 0x60) + pack_data(f0, 248, 0x61) + b"\0" * 8)
    assert len(dvinfo) == 32

    avih = struct.pack("<14I", usec, fsize * rate // scale, 0, 0x10 | 0x100 | 0x800, n, 0, 1, fsize,
                       width, height, 0, 0, 0, 0)
    strh = (b"iavs" + b"dvsd" + struct.pack("<IHHIIIIIIII", 0, 0, 0, 0, scale, rate, 0, n, fsize,
                                              0xFFFFFFFF, 0)
            + struct.pack("<4h", 0, 0, width, height))
    strl = riff_list(b"LIST", b"strl", chunk(b"strh", strh) + chunk(b"strf", dvinfo))
    hdrl = riff_list(b"LIST", b"hdrl", chunk(b"avih", avih) + strl)

    movi_parts = []
    index = []
    pos = 4  # offsets in idx1 count from the 'movi' fourcc
    for i in range(n):
        frame = data[i * fsize:(i + 1) * fsize]
        index.append(struct.pack("<4sIII", b"00__", 0x10, pos, fsize))
        c = chunk(b"00__", frame)
        movi_parts.append(c)
        pos += len(c)
    movi = riff_list(b"LIST", b"movi", b"".join(movi_parts))
    idx1 = chunk(b"idx1", b"".join(index))
    body = hdrl + movi + idx1
    with open(dst, "wb") as out:
        out.write(b"RIFF" + struct.pack("<I", len(body) + 4) + b"AVI " + body)


if __name__ == "__main__":
    main()
