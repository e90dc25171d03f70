// The fixed prefix code of a copy's distance (map in stream_format.h): the
// decoder's lookup of a code's length from its first bits, and the code of
// each distance for the compressor. Everything is derived at compile time
// from the code lengths.
//
// In a canonical code the codes of one length are consecutive numbers, so
// the code of h is h plus an offset that depends only on the length. A whole
// distance code, prefix and low 6 bits read as one number, is then the
// distance plus that offset times 64. The lengths change only where the
// first 8 bits pass 32, 80, 144, 192 and 240, all multiples of 16, so the
// top 4 bits of a code tell its length: a 16-entry table serves the decoder
// where a table per 8-bit value would take 512 bytes of the stub.
#pragma once

#include <stdint.h>

#include "decode/stream_format.h"

// Prefix code length, 3 ... 8, of the high 6 bits h of a distance.
constexpr int DistanceHighLength(int h) {
    return h == 0 ? 3 : h < 4 ? 4 : h < 12 ? 5 : h < 24 ? 6 : h < 48 ? 7 : 8;
}

// Code value minus h for the codes of `length` bits, 0 ... 192. Codes are
// handed out in increasing h, shorter codes first: each code is one more
// than the one before, doubled once per bit that the length grows.
constexpr int DistanceCodeOffset(int length) {
    int code = 0;
    int h = 0;
    for (int l = 3; l < length; ++l) {
        while (DistanceHighLength(h) == l) {
            ++code;
            ++h;
        }
        code *= 2;
    }
    return code - h;
}

// What the first 4 bits of a distance code tell: the length of its prefix
// and that length's offset.
struct DistancePrefix {
    uint8_t length;  // 3 ... 8
    uint8_t offset;  // DistanceCodeOffset(length)
};

constexpr int DistancePrefixCount = 16;

struct DistancePrefixTable {
    DistancePrefix entry[DistancePrefixCount];  // indexed by the code's first 4 bits
};

constexpr DistancePrefixTable MakeDistancePrefixTable() {
    DistancePrefixTable t{};
    for (int h = 0; h < DistanceHighCount; ++h) {
        int length = DistanceHighLength(h);
        int offset = DistanceCodeOffset(length);
        // The first 8 bits of h's codes: a run of 2^(8 - length) values,
        // which fills whole 16-entry blocks or lies inside one.
        int first = (h + offset) << (8 - length);
        int last = first + (1 << (8 - length)) - 1;
        for (int e = first >> 4; e <= last >> 4; ++e)
            t.entry[e] = {static_cast<uint8_t>(length), static_cast<uint8_t>(offset)};
    }
    return t;
}

inline constexpr DistancePrefixTable distancePrefixes = MakeDistancePrefixTable();

// Bits that distance d takes in the stream, 9 ... 14.
constexpr int DistanceBits(int d) {
    return DistanceHighLength(d >> DistanceLowBits) + DistanceLowBits;
}

// The code of distance d as sent, right-aligned; its length is DistanceBits(d).
constexpr uint32_t DistanceCode(int d) {
    return static_cast<uint32_t>(
        d + (DistanceCodeOffset(DistanceHighLength(d >> DistanceLowBits)) << DistanceLowBits));
}
