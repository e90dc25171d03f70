// Finds earlier occurrences of the bytes at a position within the reach of
// a copy: hash chains over 3-byte prefixes, limited to the last 4096
// positions and to a given number of candidates per search.
//
// Positions index the history: the window's 4066 initial spaces followed by
// the input. A match source is never before the history's start, so no copy
// reads a window position that the decoder leaves undefined, and no match
// runs past the history's end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "decode/stream_format.h"

struct Match {
    uint16_t length;    // 0 when nothing of MinCopyLength bytes was found
    uint16_t distance;  // bytes between the source and the position, minus one
};

class MatchFinder {
  public:
    // maxChain: candidates examined per search, at least 1.
    MatchFinder(std::span<const uint8_t> history, int maxChain);

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
    uint32_t Hash(size_t p) const {
        uint32_t v = static_cast<uint32_t>(history_[p]) << 16 |
                     static_cast<uint32_t>(history_[p + 1]) << 8 | history_[p + 2];
        return (v * 2654435761u) >> (32 - HashBits);
    }
    // Walks the chain of p, calling found(length, distance) for every match
    // longer than all before it; stops at MaxCopyLength.
    template <typename Found>
    void Walk(size_t p, Found found) const;

    std::span<const uint8_t> history_;
    int maxChain_;
    std::vector<int32_t> head_;  // newest position per hash, -1 for none
    std::vector<int32_t> prev_;  // previous position of the same hash, by position mod 4096
};

// The history of an input: the window's initial spaces, then the input.
std::vector<uint8_t> MakeHistory(std::span<const uint8_t> input);
