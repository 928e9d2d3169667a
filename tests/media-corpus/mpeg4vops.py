#!/usr/bin/env python3
"""Counts the pictures of an MPEG-4 Part 2 (XviD, DivX) AVI: its coded VOPs.

Usage: mpeg4vops.py FILE.avi FPS   (prints the count, then the frame numbers shown, as JSON)

Such files may store two VOPs in one chunk ("packed bitstream", the next chunk a not-coded VOP
placeholder) and empty chunks where the encoder held frames back, so neither the chunk count
nor ffmpeg's frame count (libavcodec drops the last packed B-VOP) tells how many frames the file
shows. A VOP is coded unless its vop_coded bit is 0; the bit's place depends on the
vop_time_increment width, read from the video object layer header. The frame a VOP shows
follows from its time: whole seconds since the reference before it plus ticks of the layer's
resolution, counted from the first VOP.
"""
import json
import struct
import sys


class Bits:
    def __init__(self, data):
        self.data, self.pos = data, 0

    def read(self, n):
        v = 0
        for _ in range(n):
            byte = self.data[self.pos >> 3] if (self.pos >> 3) < len(self.data) else 0
            v = (v << 1) | ((byte >> (7 - (self.pos & 7))) & 1)
            self.pos += 1
        return v


def time_bits(vol):
    """vop_time_increment width from a video object layer header (after its start code)."""
    b = Bits(vol)
    b.read(1)  # random_accessible_vol
    b.read(8)  # video_object_type_indication
    if b.read(1):  # is_object_layer_identifier
        b.read(7)
    if b.read(4) == 15:  # aspect_ratio_info: extended PAR
        b.read(16)
    if b.read(1):  # vol_control_parameters
        b.read(3)
        if b.read(1):  # vbv_parameters
            b.read(79)
    b.read(2)  # video_object_layer_shape (rectangular)
    b.read(1)
    resolution = b.read(16)
    return max(1, (resolution - 1).bit_length())


def vol_resolution(vol):
    b = Bits(vol)
    b.read(9)
    if b.read(1):
        b.read(7)
    if b.read(4) == 15:
        b.read(16)
    if b.read(1):
        b.read(3)
        if b.read(1):
            b.read(79)
    b.read(3)
    return b.read(16)


def chunks(data):
    i = data.find(b"movi") + 4
    while 0 < i and i + 8 <= len(data):
        cid, size = data[i:i + 4], struct.unpack("<I", data[i + 4:i + 8])[0]
        if cid == b"LIST":
            i += 12
            continue
        if cid == b"idx1":
            return
        if cid[2:] in (b"dc", b"db"):
            yield data[i + 8:i + 8 + size]
        i += 8 + size + (size & 1)


def main():
    data = open(sys.argv[1], "rb").read()
    fps = float(sys.argv[2]) if len(sys.argv) > 2 else 25.0
    nbits, count, resolution = None, 0, 1
    base = last_base = 0
    origin = None
    shown = []
    for c in chunks(data):
        at = 0
        while True:
            at = c.find(b"\x00\x00\x01", at)
            if at < 0 or at + 4 > len(c):
                break
            code = c[at + 3]
            if 0x20 <= code <= 0x2F and nbits is None:
                nbits = time_bits(c[at + 4:])
                resolution = vol_resolution(c[at + 4:])
            elif code == 0xB6 and nbits is not None:
                b = Bits(c[at + 4:])
                kind = b.read(2)  # vop_coding_type: 2 is B
                modulo = 0
                while b.read(1):  # modulo_time_base
                    modulo += 1
                b.read(1)
                inc = b.read(nbits)
                b.read(1)
                if kind == 2:
                    ticks = (last_base + modulo) * resolution + inc
                else:
                    last_base = base
                    base += modulo
                    ticks = base * resolution + inc
                if origin is None:
                    origin = ticks
                if b.read(1):  # vop_coded
                    count += 1
                    shown.append(round((ticks - origin) * fps / resolution))
            at += 4
    print(count)
    print(json.dumps(sorted(shown)))


if __name__ == "__main__":
    main()
