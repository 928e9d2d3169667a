#pragma once
// A 128-bit identifier in the Windows GUID layout. Media types keep their major type, subtype and
// format type in this form so that identifiers stored in preferences and the FourCC/wave-tag
// family of subtypes keep their familiar values and text.
#include <QString>
#include <cstdint>

struct TGuid
{
    uint32_t Data1 = 0;
    uint16_t Data2 = 0;
    uint16_t Data3 = 0;
    uint8_t Data4[8] = {0, 0, 0, 0, 0, 0, 0, 0};

    constexpr bool operator==(const TGuid &o) const
    {
        if (Data1 != o.Data1 || Data2 != o.Data2 || Data3 != o.Data3)
            return false;
        for (int i = 0; i < 8; ++i)
            if (Data4[i] != o.Data4[i])
                return false;
        return true;
    }
    constexpr bool operator!=(const TGuid &o) const { return !(*this == o); }

    constexpr bool isNull() const { return *this == TGuid{}; }

    // True for {xxxxxxxx-0000-0010-8000-00AA00389B71}: Data1 is then a FourCC or a wave format tag.
    constexpr bool isFourCCFamily() const
    {
        constexpr uint8_t tail[8] = {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        if (Data2 != 0x0000 || Data3 != 0x0010)
            return false;
        for (int i = 0; i < 8; ++i)
            if (Data4[i] != tail[i])
                return false;
        return true;
    }

    // The member of the FourCC family whose first field is v.
    static constexpr TGuid fromFourCC(uint32_t v)
    {
        return TGuid{v, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
    }

    // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case hexadecimal.
    QString toString() const;
    // Parses the form above (braces optional, any case); a null GUID when the text is not one.
    static TGuid fromString(const QString &text, bool *ok = nullptr);
};

// FourCC code from four characters, first character in the lowest byte.
constexpr uint32_t MakeFourCC(char a, char b, char c, char d)
{
    return uint32_t(uint8_t(a)) | (uint32_t(uint8_t(b)) << 8) | (uint32_t(uint8_t(c)) << 16) |
           (uint32_t(uint8_t(d)) << 24);
}
