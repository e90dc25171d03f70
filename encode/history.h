// The bytes a parse works over: the window's WindowFill initial spaces, then
// the input, which is read where it lies (a mapped file, say) and never
// copied. Position p of the history is window position p of the decoder
// before it wraps; the input starts at position WindowFill.
//
// Only the spaces and the input's first MaxCopyLength bytes are held here,
// so that a match beginning among the spaces can run on into the input
// without a second code path.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "decode/stream_format.h"

class History {
  public:
    explicit History(std::span<const uint8_t> input) : input_(input) {
        std::fill(bridge_, bridge_ + WindowFill, static_cast<uint8_t>(WindowFillByte));
        std::copy_n(input.begin(), std::min<size_t>(input.size(), MaxCopyLength),
                    bridge_ + WindowFill);
    }

    size_t size() const { return WindowFill + input_.size(); }

    uint8_t operator[](size_t p) const { return *At(p); }

    // The bytes from p on, contiguous for min(MaxCopyLength, size() - p) of
    // them: enough for any match that starts at p.
    const uint8_t* At(size_t p) const {
        return p < WindowFill ? bridge_ + p : input_.data() + (p - WindowFill);
    }

  private:
    std::span<const uint8_t> input_;
    uint8_t bridge_[WindowFill + MaxCopyLength];
};
