#!/usr/bin/env python3
"""Writes raw 8-bit grey frames whose picture encodes the frame's own number.

Usage: framepattern.py WIDTH HEIGHT COUNT > frames.gray   (pipe into ffmpeg -f rawvideo -pix_fmt gray)

The code is read back by FrameIndexFromImage (src/media/TFrameIndex.cpp); both sides follow the
layout below, in fractions of the picture so that it survives scaling and stretching:

  * background mid grey (128);
  * a grid of 8 columns x 5 rows of cells spanning x 0.12..0.88 and y 0.10..0.70 of the picture,
    well away from the bottom corners where overlay text is drawn;
  * row 0 is a guard row with the fixed pattern white, black, white, white, black, black, white, black;
  * rows 1-4 hold 16 bit pairs, four per row: pair j sits in row 1 + j // 4, columns 2 (j % 4)
    (the bit: white = 1) and 2 (j % 4) + 1 (its complement);
  * bits 0-14 are the frame number, least significant first; bit 15 makes the count of ones in the
    16 bits odd;
  * a white bar (y 0.78..0.84, 0.1 of the width) travels across the picture so that encoders see
    motion; it lies outside the grid and is not part of the code.
"""
import sys

COLS, ROWS = 8, 5
GRID_X0, GRID_X1 = 0.12, 0.88
GRID_Y0, GRID_Y1 = 0.10, 0.70
GUARD = (1, 0, 1, 1, 0, 0, 1, 0)
BAR_Y0, BAR_Y1, BAR_W = 0.78, 0.84, 0.10
GREY, WHITE, BLACK = 128, 255, 0


def code_bits(n):
    bits = [(n >> i) & 1 for i in range(15)]
    bits.append(1 - (sum(bits) & 1))
    return bits


def cell_values(n):
    """Row-major 5 x 8 list of 0/1 cell colours for frame n."""
    rows = [list(GUARD)]
    bits = code_bits(n)
    for r in range(4):
        row = []
        for k in range(4):
            b = bits[4 * r + k]
            row += [b, 1 - b]
        rows.append(row)
    return rows


def edges(a0, a1, count, size):
    return [round((a0 + (a1 - a0) * i / count) * size) for i in range(count + 1)]


def frame(n, w, h, total):
    xs = edges(GRID_X0, GRID_X1, COLS, w)
    ys = edges(GRID_Y0, GRID_Y1, ROWS, h)
    grey_row = bytes([GREY]) * w
    out = []
    out.append(grey_row * ys[0])
    for r, values in enumerate(cell_values(n)):
        parts = [bytes([GREY]) * xs[0]]
        for c, v in enumerate(values):
            parts.append(bytes([WHITE if v else BLACK]) * (xs[c + 1] - xs[c]))
        parts.append(bytes([GREY]) * (w - xs[-1]))
        out.append(b"".join(parts) * (ys[r + 1] - ys[r]))
    by0, by1 = round(BAR_Y0 * h), round(BAR_Y1 * h)
    out.append(grey_row * (by0 - ys[-1]))
    bw = round(BAR_W * w)
    bx = round((w - bw) * (n % max(total, 1)) / max(total - 1, 1))
    bar = bytes([GREY]) * bx + bytes([WHITE]) * bw + bytes([GREY]) * (w - bx - bw)
    out.append(bar * (by1 - by0))
    out.append(grey_row * (h - by1))
    data = b"".join(out)
    assert len(data) == w * h
    return data


def main():
    w, h, count = (int(a) for a in sys.argv[1:4])
    outf = sys.stdout.buffer
    try:
        for n in range(count):
            outf.write(frame(n, w, h, count))
        outf.flush()
    except BrokenPipeError:
        sys.exit(1)


if __name__ == "__main__":
    main()
