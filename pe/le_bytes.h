// Bounds-checked little-endian reads and writes over byte spans, the way
// every PE structure is stored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace veltrane::pe {

// True when [offset, offset + count) lies inside a buffer of `size` bytes,
// without overflowing.
inline bool InBounds(std::size_t size, std::uint64_t offset, std::uint64_t count) {
    return offset <= size && count <= size - offset;
}

inline std::optional<std::uint16_t> ReadLe16(std::span<const std::uint8_t> bytes,
                                             std::uint64_t offset) {
    if (!InBounds(bytes.size(), offset, 2))
        return std::nullopt;
    return static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

inline std::optional<std::uint32_t> ReadLe32(std::span<const std::uint8_t> bytes,
                                             std::uint64_t offset) {
    if (!InBounds(bytes.size(), offset, 4))
        return std::nullopt;
    return static_cast<std::uint32_t>(bytes[offset]) |
           static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[offset + 2]) << 16 |
           static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

// Callers write only where they have read before, so these assume bounds.
inline void WriteLe16(std::span<std::uint8_t> bytes, std::size_t offset, std::uint16_t value) {
    bytes[offset] = static_cast<std::uint8_t>(value);
    bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

inline void WriteLe32(std::span<std::uint8_t> bytes, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace veltrane::pe
