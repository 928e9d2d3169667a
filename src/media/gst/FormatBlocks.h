#pragma once
// Format blocks in the byte layout of the Windows media headers (little-endian, the same field
// offsets and sizes). Media types built from caps carry one of these as their format block, so the
// format-description code reads the same fields whatever produced the type. Always copy a block
// out of a byte buffer with memcpy after checking its length; never cast a buffer pointer.
#include <cstddef>
#include <cstdint>

struct TRect32
{
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};

struct TBitmapInfoHeader
{
    uint32_t biSize = 40;
    int32_t biWidth = 0;
    int32_t biHeight = 0;
    uint16_t biPlanes = 1;
    uint16_t biBitCount = 0;
    uint32_t biCompression = 0; // FourCC, or 0 (BI_RGB) / 3 (BI_BITFIELDS)
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
};
static_assert(sizeof(TBitmapInfoHeader) == 40);

// VIDEOINFOHEADER (format type VideoInfo).
struct TVideoInfoHeader
{
    TRect32 rcSource;
    TRect32 rcTarget;
    uint32_t dwBitRate = 0;
    uint32_t dwBitErrorRate = 0;
    int64_t AvgTimePerFrame = 0;
    TBitmapInfoHeader bmiHeader;
};
static_assert(sizeof(TVideoInfoHeader) == 88);
static_assert(offsetof(TVideoInfoHeader, AvgTimePerFrame) == 40);

// VIDEOINFOHEADER2 (format type VideoInfo2).
struct TVideoInfoHeader2
{
    TRect32 rcSource;
    TRect32 rcTarget;
    uint32_t dwBitRate = 0;
    uint32_t dwBitErrorRate = 0;
    int64_t AvgTimePerFrame = 0;
    uint32_t dwInterlaceFlags = 0;
    uint32_t dwCopyProtectFlags = 0;
    uint32_t dwPictAspectRatioX = 0;
    uint32_t dwPictAspectRatioY = 0;
    uint32_t dwControlFlags = 0;
    uint32_t dwReserved2 = 0;
    TBitmapInfoHeader bmiHeader;
};
static_assert(sizeof(TVideoInfoHeader2) == 112);

// MPEG1VIDEOINFO (format type MPEGVideo): the sequence header bytes start at bSequenceHeader and
// run cbSequenceHeader bytes, past the end of the fixed part.
struct TMpeg1VideoInfo
{
    TVideoInfoHeader hdr;
    uint32_t dwStartTimeCode = 0;
    uint32_t cbSequenceHeader = 0;
    uint8_t bSequenceHeader[1] = {0};
};
static_assert(sizeof(TMpeg1VideoInfo) == 104);
inline constexpr size_t kMpeg1SequenceHeaderOffset = offsetof(TMpeg1VideoInfo, bSequenceHeader);

// MPEG2VIDEOINFO (format type MPEG2Video).
struct TMpeg2VideoInfo
{
    TVideoInfoHeader2 hdr;
    uint32_t dwStartTimeCode = 0;
    uint32_t cbSequenceHeader = 0;
    uint32_t dwProfile = 0;
    uint32_t dwLevel = 0;
    uint32_t dwFlags = 0;
    uint32_t dwSequenceHeader[1] = {0};
};
static_assert(sizeof(TMpeg2VideoInfo) == 136);
inline constexpr size_t kMpeg2SequenceHeaderOffset = offsetof(TMpeg2VideoInfo, dwSequenceHeader);

// WAVEFORMATEX (format type WaveFormatEx): 18 bytes, packed.
#pragma pack(push, 1)
struct TWaveFormatEx
{
    uint16_t wFormatTag = 0;
    uint16_t nChannels = 0;
    uint32_t nSamplesPerSec = 0;
    uint32_t nAvgBytesPerSec = 0;
    uint16_t nBlockAlign = 0;
    uint16_t wBitsPerSample = 0;
    uint16_t cbSize = 0;
};
#pragma pack(pop)
static_assert(sizeof(TWaveFormatEx) == 18);

// DVINFO (format type DvInfo): the AAUX and VAUX source and source-control packs of the stream.
struct TDvInfo
{
    uint32_t dwDVAAuxSrc = 0;
    uint32_t dwDVAAuxCtl = 0;
    uint32_t dwDVAAuxSrc1 = 0;
    uint32_t dwDVAAuxCtl1 = 0;
    uint32_t dwDVVAuxSrc = 0;
    uint32_t dwDVVAuxCtl = 0;
    uint32_t dwDVReserved[2] = {0, 0};
};
static_assert(sizeof(TDvInfo) == 32);
