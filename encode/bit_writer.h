// Collects codes of up to 32 bits into bytes, most significant bit first,
// in the bit order of the compressed entry format.
#pragma once

#include <cstdint>
#include <vector>

class BitWriter {
  public:
    // Appends the low `length` bits of code, most significant first.
    void Put(uint32_t code, int length) {
        pending_ = (pending_ << length) | (code & ((uint64_t{1} << length) - 1));
        pendingBits_ += length;
        while (pendingBits_ >= 8) {
            pendingBits_ -= 8;
            bytes_.push_back(static_cast<uint8_t>(pending_ >> pendingBits_));
        }
    }

    // Pads the last byte with zero bits and hands over the bytes. A decoder
    // that stops after the last code never needs a bit past them.
    std::vector<uint8_t> Finish() {
        if (pendingBits_ > 0) {
            bytes_.push_back(static_cast<uint8_t>(pending_ << (8 - pendingBits_)));
            pendingBits_ = 0;
        }
        return std::move(bytes_);
    }

    // Bits written so far, padding not counted.
    uint64_t BitCount() const { return bytes_.size() * 8 + static_cast<uint64_t>(pendingBits_); }

  private:
    std::vector<uint8_t> bytes_;
    uint64_t pending_ = 0;
    int pendingBits_ = 0;
};
