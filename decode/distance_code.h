// The fixed prefix code of a copy's distance (map in stream_format.h): the
// decoder's two 256-entry tables, indexed by the first 8 bits of a distance,
// and the code of each high part h for the compressor. All of it is
// constant data computed at compile time from the code lengths.
#pragma once

#include <stdint.h>

#include "decode/stream_format.h"

// Prefix code length, 3 ... 8, of the high 6 bits h of a distance.
constexpr int DistanceHighLength(int h) {
    return h == 0 ? 3 : h < 4 ? 4 : h < 12 ? 5 : h < 24 ? 6 : h < 48 ? 7 : 8;
}

struct DistanceTables {
    uint8_t distanceHigh[256];            // h, from the first 8 bits of the code
    uint8_t distanceCodeLength[256];      // length of h's prefix code, same index
    uint8_t highCode[DistanceHighCount];  // prefix code of h, right-aligned
};

// Canonical assignment: h takes 2^(8 - length) consecutive table entries, in
// increasing order of h.
constexpr DistanceTables MakeDistanceTables() {
    DistanceTables t{};
    int index = 0;
    for (int h = 0; h < DistanceHighCount; ++h) {
        int length = DistanceHighLength(h);
        t.highCode[h] = static_cast<uint8_t>(index >> (8 - length));
        for (int e = 0; e < (1 << (8 - length)); ++e) {
            t.distanceHigh[index] = static_cast<uint8_t>(h);
            t.distanceCodeLength[index] = static_cast<uint8_t>(length);
            ++index;
        }
    }
    return t;
}

inline constexpr DistanceTables distanceTables = MakeDistanceTables();

// Bits that distance d takes in the stream, 9 ... 14.
constexpr int DistanceBits(int d) {
    return DistanceHighLength(d >> DistanceLowBits) + DistanceLowBits;
}

// The code of distance d as sent, right-aligned; its length is DistanceBits(d).
constexpr uint32_t DistanceCode(int d) {
    return (static_cast<uint32_t>(distanceTables.highCode[d >> DistanceLowBits])
            << DistanceLowBits) |
           static_cast<uint32_t>(d & ((1 << DistanceLowBits) - 1));
}
