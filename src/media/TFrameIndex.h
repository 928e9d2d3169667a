#pragma once
// Reads the frame number that the test clips of the media corpus draw into every picture.
//
// The pattern (written by tests/media-corpus/framepattern.py) is laid out in fractions of the
// picture, so it is found at any size and after stretching to another display aspect:
//  - a grid of 8 columns x 5 rows spanning x 0.12..0.88 and y 0.10..0.70 (clear of the bottom
//    corners, where overlay text goes);
//  - row 0 is a guard row: white, black, white, white, black, black, white, black;
//  - rows 1-4 hold 16 bit pairs, four per row: pair j sits in row 1 + j / 4, columns 2 (j % 4)
//    (the bit, white = 1) and 2 (j % 4) + 1 (its complement);
//  - bits 0-14 are the frame number, least significant first; bit 15 makes the number of ones odd.
// Every cell is judged by the mean brightness of its central half against the guard row's black
// and white, so lossy compression, scaling and a changed brightness or contrast do not matter.
class QImage;

// Returns the frame number shown in img, or -1 when img carries no valid pattern.
// Pure function; safe on any thread.
int FrameIndexFromImage(const QImage &img);
