#pragma once
// The media type identifiers used by the program, defined once here with their usual values.
#include "media/gst/TGuid.h"

namespace guids_detail {
constexpr TGuid G(uint32_t d1, uint16_t d2, uint16_t d3, uint8_t a, uint8_t b, uint8_t c, uint8_t d,
                  uint8_t e, uint8_t f, uint8_t g, uint8_t h)
{
    return TGuid{d1, d2, d3, {a, b, c, d, e, f, g, h}};
}
// {xxxxxxxx-524F-11CE-9F53-0020AF0BA770}
constexpr TGuid Q(uint32_t d1)
{
    return G(d1, 0x524F, 0x11CE, 0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70);
}
// {xxxxxxxx-C356-11CE-BF01-00AA0055595A}
constexpr TGuid F(uint32_t d1)
{
    return G(d1, 0xC356, 0x11CE, 0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A);
}
// {xxxxxxxx-DB46-11CF-B4D1-00805F6CBBEA}
constexpr TGuid M(uint32_t d1)
{
    return G(d1, 0xDB46, 0x11CF, 0xB4, 0xD1, 0x00, 0x80, 0x5F, 0x6C, 0xBB, 0xEA);
}
} // namespace guids_detail

inline constexpr TGuid GUID_NULL{};

// Major types.
inline constexpr TGuid MEDIATYPE_Video = TGuid::fromFourCC(MakeFourCC('v', 'i', 'd', 's'));
inline constexpr TGuid MEDIATYPE_Audio = TGuid::fromFourCC(MakeFourCC('a', 'u', 'd', 's'));
inline constexpr TGuid MEDIATYPE_Text = TGuid::fromFourCC(MakeFourCC('t', 'x', 't', 's'));
inline constexpr TGuid MEDIATYPE_Interleaved = TGuid::fromFourCC(MakeFourCC('i', 'a', 'v', 's'));
inline constexpr TGuid MEDIATYPE_Stream = guids_detail::Q(0xE436EB83);
inline constexpr TGuid MEDIATYPE_Subtitle =
    guids_detail::G(0xE487EB08, 0x6B26, 0x4BE9, 0x9D, 0xD3, 0x99, 0x34, 0x34, 0xD3, 0x13, 0xFD);

// Format types.
inline constexpr TGuid FORMAT_None =
    guids_detail::G(0x0F6417D6, 0xC318, 0x11D0, 0xA4, 0x3F, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96);
inline constexpr TGuid FORMAT_VideoInfo = guids_detail::F(0x05589F80);
inline constexpr TGuid FORMAT_WaveFormatEx = guids_detail::F(0x05589F81);
inline constexpr TGuid FORMAT_MPEGVideo = guids_detail::F(0x05589F82);
inline constexpr TGuid FORMAT_MPEGStreams = guids_detail::F(0x05589F83);
inline constexpr TGuid FORMAT_DvInfo = guids_detail::F(0x05589F84);
inline constexpr TGuid FORMAT_VideoInfo2 =
    guids_detail::G(0xF72A76A0, 0xEB0A, 0x11D0, 0xAC, 0xE4, 0x00, 0x00, 0xC0, 0xCC, 0x16, 0xBA);
inline constexpr TGuid FORMAT_MPEG2Video = guids_detail::M(0xE06D80E3);

// Uncompressed RGB subtypes.
inline constexpr TGuid MEDIASUBTYPE_RGB1 = guids_detail::Q(0xE436EB78);
inline constexpr TGuid MEDIASUBTYPE_RGB4 = guids_detail::Q(0xE436EB79);
inline constexpr TGuid MEDIASUBTYPE_RGB8 = guids_detail::Q(0xE436EB7A);
inline constexpr TGuid MEDIASUBTYPE_RGB565 = guids_detail::Q(0xE436EB7B);
inline constexpr TGuid MEDIASUBTYPE_RGB555 = guids_detail::Q(0xE436EB7C);
inline constexpr TGuid MEDIASUBTYPE_RGB24 = guids_detail::Q(0xE436EB7D);
inline constexpr TGuid MEDIASUBTYPE_RGB32 = guids_detail::Q(0xE436EB7E);
inline constexpr TGuid MEDIASUBTYPE_ARGB32 =
    guids_detail::G(0x773C9AC0, 0x3274, 0x11D0, 0xB7, 0x24, 0x00, 0xAA, 0x00, 0x6C, 0x1A, 0x01);

// MPEG-1 subtypes.
inline constexpr TGuid MEDIASUBTYPE_MPEG1Packet = guids_detail::Q(0xE436EB80);
inline constexpr TGuid MEDIASUBTYPE_MPEG1Payload = guids_detail::Q(0xE436EB81);
inline constexpr TGuid MEDIASUBTYPE_MPEG1System = guids_detail::Q(0xE436EB84);
inline constexpr TGuid MEDIASUBTYPE_MPEG1Video = guids_detail::Q(0xE436EB86);
inline constexpr TGuid MEDIASUBTYPE_MPEG1Audio = guids_detail::Q(0xE436EB87);
inline constexpr TGuid MEDIASUBTYPE_MPEG1AudioPayload = TGuid::fromFourCC(0x00000050);

// MPEG-2 and DVD subtypes.
inline constexpr TGuid MEDIASUBTYPE_MPEG2_VIDEO = guids_detail::M(0xE06D8026);
inline constexpr TGuid MEDIASUBTYPE_MPEG2_AUDIO = guids_detail::M(0xE06D802B);
inline constexpr TGuid MEDIASUBTYPE_DOLBY_AC3 = guids_detail::M(0xE06D802C);
inline constexpr TGuid MEDIASUBTYPE_DVD_LPCM_AUDIO = guids_detail::M(0xE06D8032);

// Members of the FourCC family used by the media types built from caps.
inline constexpr TGuid MEDIASUBTYPE_dvsd = TGuid::fromFourCC(MakeFourCC('d', 'v', 's', 'd'));
inline constexpr TGuid MEDIASUBTYPE_dvhd = TGuid::fromFourCC(MakeFourCC('d', 'v', 'h', 'd'));
inline constexpr TGuid MEDIASUBTYPE_dvsl = TGuid::fromFourCC(MakeFourCC('d', 'v', 's', 'l'));
inline constexpr TGuid MEDIASUBTYPE_dvcp = TGuid::fromFourCC(MakeFourCC('d', 'v', 'c', 'p'));
inline constexpr TGuid MEDIASUBTYPE_PCM = TGuid::fromFourCC(0x0001);
inline constexpr TGuid MEDIASUBTYPE_IEEE_FLOAT = TGuid::fromFourCC(0x0003);
