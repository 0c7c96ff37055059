#include "tools/check/Utf8Check.h"

std::size_t FirstInvalidUtf8(std::string_view text)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = byte(i);
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t len = 0;
        unsigned char lo = 0x80, hi = 0xBF; // allowed range of the second byte
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            if (c == 0xE0)
                lo = 0xA0; // overlong
            if (c == 0xED)
                hi = 0x9F; // surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            if (c == 0xF0)
                lo = 0x90;
            if (c == 0xF4)
                hi = 0x8F; // above U+10FFFF
        } else {
            return i;
        }
        if (i + len > text.size())
            return i;
        if (byte(i + 1) < lo || byte(i + 1) > hi)
            return i;
        for (std::size_t k = 2; k < len; ++k)
            if ((byte(i + k) & 0xC0) != 0x80)
                return i;
        i += len;
    }
    return std::string_view::npos;
}

std::size_t Utf8CharStart(std::string_view text, std::size_t pos)
{
    int back = 0;
    while (pos > 0 && pos < text.size() && back < 3
           && (static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80) {
        --pos;
        ++back;
    }
    return pos;
}
