#pragma once
// Reading an MPEG-1/MPEG-2 video sequence header at the start of a sample. Pure functions like
// DvCodes.h: the buffer comes with its length and is never read past it; a buffer too short for a
// sequence header is not one, and the other functions then answer 0 (size), 2 (aspect) or 0 (rate).
#include <cstddef>
#include <cstdint>

inline constexpr size_t kMpegSequenceHeaderMin = 8; // start code + size + aspect/rate byte

// True when the buffer begins with 00 00 01 B3 and non-zero aspect and frame-rate codes.
bool MpegIsSequenceHeader(const uint8_t *buf, size_t len);
int MpegWidth(const uint8_t *buf, size_t len);
int MpegHeight(const uint8_t *buf, size_t len);
// 0 = 4:3, 1 = 16:9, 2 = other.
int MpegAspect(const uint8_t *buf, size_t len);
// Frames per second; 0 for the reserved codes 9-15 and when there is no header.
double MpegFrameRate(const uint8_t *buf, size_t len);
