// Messages, numbers and progress on the console.
#include "cli/console.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace veltrane::cli {

void PrintError(std::string_view message) {
    std::fprintf(stderr, "veltrane: %.*s\n", static_cast<int>(message.size()), message.data());
}

void PrintWarning(std::string_view message) {
    std::fprintf(stderr, "veltrane: warning: %.*s\n", static_cast<int>(message.size()),
                 message.data());
}

std::string Thousands(uint64_t value) {
    std::string digits = std::to_string(value);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i != 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

std::string Printable(std::string_view text) {
    std::string out;
    for (char c : text) {
        auto byte = static_cast<uint8_t>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out;
}

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        auto byte = static_cast<uint8_t>(text[i]);
        if (byte < 0x80) {
            if (byte == '"' || byte == '\\') {
                out += '\\';
                out += static_cast<char>(byte);
            } else if (byte < 0x20 || byte == 0x7F) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
                out += escaped;
            } else {
                out += static_cast<char>(byte);
            }
            ++i;
            continue;
        }
        // Copy a well-formed multi-byte sequence whole.
        size_t length = (byte & 0xE0) == 0xC0   ? 2
                        : (byte & 0xF0) == 0xE0 ? 3
                        : (byte & 0xF8) == 0xF0 ? 4
                                                : 0;
        bool valid = length != 0 && i + length <= text.size();
        uint32_t cp = length == 2 ? byte & 0x1Fu : length == 3 ? byte & 0x0Fu : byte & 0x07u;
        for (size_t k = 1; valid && k < length; ++k) {
            auto next = static_cast<uint8_t>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            cp = (cp << 6) | (next & 0x3Fu);
        }
        static constexpr uint32_t Smallest[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (valid)
            valid = cp >= Smallest[length] && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
        if (valid) {
            out.append(text.substr(i, length));
            i += length;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    out += '"';
    return out;
}

Progress::Progress(bool quiet) : enabled_(!quiet && ::isatty(STDERR_FILENO)) {}

Progress::~Progress() {
    Clear();
}

void Progress::Update(std::string_view what, uint64_t done, uint64_t total) {
    // Short work finishes before a display would help.
    constexpr uint64_t LongWork = 8u << 20;
    if (!enabled_ || total < LongWork)
        return;
    auto now = std::chrono::steady_clock::now();
    if (shown_ && now - last_ < std::chrono::milliseconds(100) && done < total)
        return;
    last_ = now;
    unsigned percent = static_cast<unsigned>(done * 100 / total);
    std::fprintf(stderr, "\r\033[K%3u%% %.*s", percent,
                 static_cast<int>(std::min<size_t>(what.size(), 70)), what.data());
    std::fflush(stderr);
    shown_ = true;
}

void Progress::Clear() {
    if (shown_) {
        std::fprintf(stderr, "\r\033[K");
        std::fflush(stderr);
        shown_ = false;
    }
}

}  // namespace veltrane::cli
