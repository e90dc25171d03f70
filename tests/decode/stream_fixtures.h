// Test fixtures for the decoder: bit strings written out by hand, a stream
// builder that sends symbols through the shared model, and byte sources and
// sinks that record what the decoder asked of them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "decode/block_streams.h"
#include "decode/distance_code.h"
#include "decode/huffman_model.h"

namespace fixtures {

// Packs bits given as text ("0101 1100", spaces ignored) into bytes, most
// significant bit first; the last byte is padded with 0 bits.
inline std::vector<uint8_t> Bits(const std::string& text) {
    std::vector<uint8_t> bytes;
    int used = 0;
    for (char c : text) {
        if (c != '0' && c != '1') {
            continue;
        }
        if (used % 8 == 0) {
            bytes.push_back(0);
        }
        if (c == '1') {
            bytes.back() = static_cast<uint8_t>(bytes.back() | (0x80 >> (used % 8)));
        }
        ++used;
    }
    return bytes;
}

// The low `length` bits of value as text, most significant first.
inline std::string BitText(uint64_t value, int length) {
    std::string text;
    for (int i = length - 1; i >= 0; --i) {
        text += ((value >> i) & 1) ? '1' : '0';
    }
    return text;
}

// Writes symbols in the current code of a model kept in step with the
// decoder's, so a test can state a stream as literals and copies.
class StreamBuilder {
  public:
    StreamBuilder() { ResetTree(model_); }

    StreamBuilder& Literal(uint8_t byte) {
        Symbol(byte);
        return *this;
    }
    StreamBuilder& Copy(int length, int distance) {
        Symbol(length + CopyLengthBias);
        bits_ += BitText(DistanceCode(distance), DistanceBits(distance));
        return *this;
    }
    StreamBuilder& Text(const std::string& text) {
        for (char c : text) {
            Literal(static_cast<uint8_t>(c));
        }
        return *this;
    }
    std::vector<uint8_t> Bytes() const { return fixtures::Bits(bits_); }
    const std::string& BitString() const { return bits_; }

  private:
    void Symbol(int symbol) {
        int length = 0;
        uint64_t code = SymbolCode(model_, symbol, &length);
        bits_ += BitText(code, length);
        BumpWeight(model_, symbol);
    }
    HuffmanModel model_{};
    std::string bits_;
};

// A source over a byte vector that records the size of every read and can
// be told to fail.
struct RecordingSource {
    std::vector<uint8_t> data;
    size_t pos = 0;
    int32_t maxChunk = 1 << 30;  // serve at most this many bytes per read
    bool fail = false;           // answer every read with -1
    std::vector<int32_t> asked;

    static int32_t Read(void* context, uint8_t* buffer, int32_t count) {
        auto* self = static_cast<RecordingSource*>(context);
        self->asked.push_back(count);
        if (self->fail) {
            return -1;
        }
        size_t n =
            std::min<size_t>({static_cast<size_t>(count), static_cast<size_t>(self->maxChunk),
                              self->data.size() - self->pos});
        std::copy_n(self->data.begin() + static_cast<std::ptrdiff_t>(self->pos), n, buffer);
        self->pos += n;
        return static_cast<int32_t>(n);
    }
    ByteSource Source() { return ByteSource{Read, this}; }
};

// A sink that keeps every byte and the size of every write; it can be told
// to take only so many bytes in all (a full disk).
struct RecordingSink {
    std::vector<uint8_t> data;
    std::vector<int32_t> writes;
    size_t capacity = SIZE_MAX;

    static int32_t Write(void* context, const uint8_t* buffer, int32_t count) {
        auto* self = static_cast<RecordingSink*>(context);
        self->writes.push_back(count);
        size_t n = std::min(static_cast<size_t>(count), self->capacity - self->data.size());
        self->data.insert(self->data.end(), buffer, buffer + n);
        return static_cast<int32_t>(n);
    }
    ByteSink Sink() { return ByteSink{Write, this}; }
};

}  // namespace fixtures
