// The bit reader of the compressed entry format: bits in file order, each
// byte from its most significant bit down, taken from the block input
// stream and never beyond the entry's stored bytes. Once those are used up
// it supplies zero bits and counts the zero bytes it made up, so the caller
// can tell whether the decoding needed more bits than the entry holds.
#pragma once

#include <stdint.h>

#include "decode/block_streams.h"
#include "decode/force_inline.h"

struct BitReader {
    uint16_t bitBuffer;        // bitCount unused bits at the top, next bit in bit 15; below them 0
    uint8_t bitCount;          // 0 ... 16
    uint32_t storedRemaining;  // the entry's stored bytes not yet taken from the input
    uint32_t paddingBytes;     // zero bytes supplied after the stored bytes ran out
};

// Clears the held bits and sets the entry's stored length.
inline void ResetBitReader(BitReader& bits, uint32_t storedLength) {
    bits.bitBuffer = 0;
    bits.bitCount = 0;
    bits.storedRemaining = storedLength;
    bits.paddingBytes = 0;
}

// Tops the buffer up to at least 9 bits, a byte at a time.
VELTRANE_FORCE_INLINE void FillBits(BitReader& bits, InputStream& input, const ByteSource& source) {
    while (bits.bitCount <= 8) {
        uint8_t value = 0;
        if (bits.storedRemaining != 0) {
            value = ReadPtr(input, source, bits.storedRemaining);
            --bits.storedRemaining;
        } else {
            ++bits.paddingBytes;
        }
        bits.bitBuffer = static_cast<uint16_t>(bits.bitBuffer | (value << (8 - bits.bitCount)));
        bits.bitCount = static_cast<uint8_t>(bits.bitCount + 8);
    }
}

// The next bit, 0 or 1.
VELTRANE_FORCE_INLINE uint32_t TakeBit(BitReader& bits, InputStream& input,
                                       const ByteSource& source) {
    FillBits(bits, input, source);
    uint32_t bit = bits.bitBuffer >> 15;
    bits.bitBuffer = static_cast<uint16_t>(bits.bitBuffer << 1);
    --bits.bitCount;
    return bit;
}

// The next `count` bits, 1 ... 8, the first one most significant.
VELTRANE_FORCE_INLINE uint32_t TakeBits(BitReader& bits, InputStream& input,
                                        const ByteSource& source, uint32_t count) {
    FillBits(bits, input, source);
    uint32_t value = static_cast<uint32_t>(bits.bitBuffer) >> (16 - count);
    bits.bitBuffer = static_cast<uint16_t>(bits.bitBuffer << count);
    bits.bitCount = static_cast<uint8_t>(bits.bitCount - count);
    return value;
}

// The next 8 bits, the first one most significant.
VELTRANE_FORCE_INLINE uint32_t TakeEightBits(BitReader& bits, InputStream& input,
                                             const ByteSource& source) {
    return TakeBits(bits, input, source, 8);
}

// True when the bits taken so far reach into the zero bytes made up after
// the stored data: the stream needed more than the entry holds.
inline bool ReadBeyondStored(const BitReader& bits) {
    return bits.paddingBytes * 8u > bits.bitCount;
}
