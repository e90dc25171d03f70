// Compressing one payload entry into the compressed entry format.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "encode/bit_writer.h"

constexpr int MinLevel = 1;  // fastest: greedy matching
constexpr int MaxLevel = 9;  // smallest: price-based optimal parse
constexpr int DefaultLevel = 6;

// Compresses input at the given level (clamped to MinLevel ... MaxLevel)
// into sink, reading input in place and holding no copy of it or of the
// stream, and returns the stream's length, or nullopt when the sink stopped
// it. The decoder expands the stream to input.size() bytes without reading
// a bit past its end; an empty input gives an empty stream.
//
// At MaxLevel the sink may receive a stream (whole, or one it stopped) and
// then another written over it from offset 0: the result is the last one
// written, as long as the length returned.
//
// progress, when not empty, is told now and then how much of the work is
// done, in bytes of input out of input.size().
std::optional<uint64_t> CompressEntry(
    std::span<const uint8_t> input, int level, CompressedSink& sink,
    const std::function<void(uint64_t done, uint64_t total)>& progress = {});

// The same, into memory.
std::vector<uint8_t> CompressEntry(std::span<const uint8_t> input, int level = DefaultLevel);
