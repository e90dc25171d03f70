// Compressing one payload entry into the compressed entry format.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

constexpr int MinLevel = 1;  // fastest: greedy matching
constexpr int MaxLevel = 9;  // smallest: price-based optimal parse
constexpr int DefaultLevel = 6;

// The compressed form of input at the given level (clamped to MinLevel ...
// MaxLevel). The decoder expands it to input.size() bytes without reading a
// bit past its end; an empty input gives an empty stream.
std::vector<uint8_t> CompressEntry(std::span<const uint8_t> input, int level = DefaultLevel);
