// Finds earlier occurrences of the bytes at a position within the reach of
// a copy: hash chains over 3-byte prefixes, limited to the last 4096
// positions and to a given number of candidates per search.
//
// Positions index the history (history.h): the window's 4066 initial spaces
// followed by the input. A match source is never before the history's
// start, so no copy reads a window position that the decoder leaves
// undefined, and no match runs past the history's end. The finder's own
// memory is fixed: a hash head table and one chain link per window position.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "decode/stream_format.h"
#include "encode/history.h"

struct Match {
    uint16_t length;    // 0 when nothing of MinCopyLength bytes was found
    uint16_t distance;  // bytes between the source and the position, minus one
};

class MatchFinder {
  public:
    // maxChain: candidates examined per search, at least 1.
    // The history must outlive the finder.
    MatchFinder(const History& history, int maxChain);

    // Makes p a possible source for later positions. Every position is
    // inserted once, in increasing order, before positions after it search.
    void Insert(size_t p);

    // The longest match for p; of equally long ones the nearest.
    Match Longest(size_t p) const;

    // For every length that a match for p reaches, the nearest match at
    // least that long: writes (length, distance) pairs in increasing length
    // (and distance) to out, at most MaxCopyLength - MinCopyLength + 1 of
    // them, and returns how many.
    int All(size_t p, Match* out) const;

  private:
    static constexpr int HashBits = 15;
    static constexpr uint32_t None = UINT32_MAX;  // no position
    uint32_t Hash(size_t p) const {
        const uint8_t* b = history_.At(p);
        uint32_t v = static_cast<uint32_t>(b[0]) << 16 | static_cast<uint32_t>(b[1]) << 8 | b[2];
        return (v * 2654435761u) >> (32 - HashBits);
    }
    // Walks the chain of p, calling found(length, distance) for every match
    // longer than all before it; stops at MaxCopyLength.
    template <typename Found>
    void Walk(size_t p, Found found) const;

    const History& history_;
    int maxChain_;
    // Positions fit 32 bits: an entry is shorter than 2^31 bytes.
    std::vector<uint32_t> head_;  // newest position per hash, or None
    std::vector<uint32_t> prev_;  // previous position of the same hash, by position mod 4096
};
