#include "tools/lumoracap/PixelFormatNames.h"

#include <uuids.h>

#include <cwctype>

#include "filter/FormatLadder.h"
#include "tools/lumoracap/Text.h"

namespace {

const PixelFormat kFormats[] = {PixelFormat::Rgb24, PixelFormat::Rgb32, PixelFormat::Yuy2,
                                PixelFormat::Nv12,  PixelFormat::I420,  PixelFormat::Y800};

// Whether subtype is a FOURCC subtype: the FOURCC, then the platform's base GUID.
bool IsFourccSubtype(const GUID& subtype)
{
    static const BYTE kBaseTail[8] = {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    return subtype.Data2 == 0x0000 && subtype.Data3 == 0x0010 && memcmp(subtype.Data4, kBaseTail, 8) == 0;
}

} // namespace

bool ParsePixelFormatName(const std::wstring& name, PixelFormat* format)
{
    std::string lower;
    for (wchar_t c : name) {
        if (c > 0x7F) {
            return false;
        }
        lower += static_cast<char>(std::towlower(c));
    }
    if (lower == "iyuv") {
        lower = "i420";
    }
    for (PixelFormat candidate : kFormats) {
        std::string candidateName = PixelFormatName(candidate);
        for (char& c : candidateName) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        if (lower == candidateName) {
            *format = candidate;
            return true;
        }
    }
    return false;
}

std::string SubtypeName(const GUID& subtype)
{
    PixelFormat format;
    if (FormatOfSubtype(subtype, &format) && !IsEqualGUID(subtype, MEDIASUBTYPE_IYUV)) {
        return PixelFormatName(format);
    }
    if (IsFourccSubtype(subtype)) {
        std::string fourcc;
        for (int shift = 0; shift < 32; shift += 8) {
            const char c = static_cast<char>((subtype.Data1 >> shift) & 0xFF);
            fourcc += c >= 0x20 && c < 0x7F ? c : '?';
        }
        return fourcc;
    }
    wchar_t text[39] = {};
    StringFromGUID2(subtype, text, 39);
    return Utf8(text);
}
