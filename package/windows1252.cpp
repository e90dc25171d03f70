// Windows-1252 <-> UTF-8.
#include "package/windows1252.h"

#include <cstdint>

namespace veltrane {
namespace {

// Unicode code points of the bytes 0x80 ... 0x9F; 0 marks an undefined byte.
constexpr uint16_t HighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

uint32_t CodePointOf(uint8_t byte) {
    if (byte < 0x80 || byte >= 0xA0)
        return byte;
    uint16_t mapped = HighControls[byte - 0x80];
    return mapped != 0 ? mapped : byte;
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 sequence at text[i], advancing i; nullopt when malformed
// (overlong forms, surrogates and values beyond U+10FFFF included).
std::optional<uint32_t> NextCodePoint(std::string_view text, size_t& i) {
    auto byte = [&](size_t k) { return static_cast<uint8_t>(text[k]); };
    uint8_t lead = byte(i);
    int extra;
    uint32_t cp;
    if (lead < 0x80) {
        ++i;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        cp = lead & 0x07;
    } else {
        return std::nullopt;
    }
    if (i + static_cast<size_t>(extra) >= text.size())
        return std::nullopt;
    for (int k = 1; k <= extra; ++k) {
        uint8_t next = byte(i + static_cast<size_t>(k));
        if ((next & 0xC0) != 0x80)
            return std::nullopt;
        cp = (cp << 6) | (next & 0x3F);
    }
    static constexpr uint32_t Smallest[4] = {0, 0x80, 0x800, 0x10000};
    if (cp < Smallest[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return std::nullopt;
    i += static_cast<size_t>(extra) + 1;
    return cp;
}

}  // namespace

std::optional<std::string> Utf8ToWindows1252(std::string_view utf8) {
    std::string out;
    size_t i = 0;
    while (i < utf8.size()) {
        std::optional<uint32_t> cp = NextCodePoint(utf8, i);
        if (!cp)
            return std::nullopt;
        if (*cp < 0x80 || (*cp >= 0xA0 && *cp <= 0xFF)) {
            out += static_cast<char>(*cp);
            continue;
        }
        bool found = false;
        for (int b = 0; b < 32 && !found; ++b) {
            if (HighControls[b] == *cp) {
                out += static_cast<char>(0x80 + b);
                found = true;
            }
        }
        if (!found)
            return std::nullopt;
    }
    return out;
}

std::string Windows1252ToUtf8(std::string_view bytes) {
    std::string out;
    for (char c : bytes) AppendUtf8(out, CodePointOf(static_cast<uint8_t>(c)));
    return out;
}

}  // namespace veltrane
