#pragma once
// Reading the display-order fields of coded pictures: the VOP headers of MPEG-4 Part 2 (XviD,
// DivX) with the video object layer's time resolution, and the picture headers of MPEG-1 and
// MPEG-2 video. Pure functions like MpegHeader.h: a buffer comes with its length and is never
// read past it; a header cut short is not one.
#include <cstddef>
#include <cstdint>
#include <vector>

// The time fields of one MPEG-4 Part 2 video object layer (start code 00 00 01 20..2F).
struct TMpeg4Vol
{
    int Resolution = 0;     // vop_time_increment_resolution: ticks per second
    int IncrementBits = 0;  // width of vop_time_increment in a VOP header
    int FixedIncrement = 0; // fixed_vop_time_increment when the rate is fixed, else 0
};

// One VOP header (start code 00 00 01 B6).
struct TMpeg4Vop
{
    enum class Type { I, P, B, S };
    Type CodingType = Type::I;
    int ModuloTimeBase = 0; // whole seconds since the reference's second
    int TimeIncrement = 0;  // ticks within the second
    bool Coded = true;      // false: a not-coded VOP (a placeholder or a dropped frame)
};

// The first video object layer header in buf, false when there is none (or it is cut short, or
// it is not rectangular, or its resolution is 0).
bool Mpeg4FindVol(const uint8_t *buf, size_t len, TMpeg4Vol &vol);
// Every VOP header in buf, in order. Needs the layer's time fields; headers cut short are left
// out.
std::vector<TMpeg4Vop> Mpeg4Vops(const uint8_t *buf, size_t len, const TMpeg4Vol &vol);

// The first picture header of MPEG-1/MPEG-2 video (start code 00 00 01 00) in buf.
struct TMpegPicture
{
    int TemporalReference = 0; // display rank within the group of pictures (10 bits)
    int CodingType = 0;        // 1 I, 2 P, 3 B, 4 D
    bool GroupStart = false;   // a group of pictures header (00 00 01 B8) comes before it
};
bool MpegFirstPicture(const uint8_t *buf, size_t len, TMpegPicture &picture);
