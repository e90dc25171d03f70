// Collects codes of up to 32 bits into bytes, most significant bit first,
// in the bit order of the compressed entry format, and hands the bytes to a
// sink in blocks as they fill, so a stream of any length takes one block of
// memory.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

// Where a compressed stream goes: its bytes in order, in pieces, `offset`
// counting from the stream's first byte. Write returns false to stop the
// compressor; nothing more is written after that.
class CompressedSink {
  public:
    virtual bool Write(uint64_t offset, std::span<const uint8_t> bytes) = 0;

  protected:
    ~CompressedSink() = default;
};

class BitWriter {
  public:
    // sink: nullptr to count the bytes only.
    explicit BitWriter(CompressedSink* sink) : sink_(sink), block_(sink ? BlockSize : 0) {}

    // Appends the low `length` bits of code, most significant first.
    void Put(uint32_t code, int length) {
        pending_ = (pending_ << length) | (code & ((uint64_t{1} << length) - 1));
        pendingBits_ += length;
        while (pendingBits_ >= 8) {
            pendingBits_ -= 8;
            Byte(static_cast<uint8_t>(pending_ >> pendingBits_));
        }
    }

    // Pads the last byte with zero bits and hands over what is left. A
    // decoder that stops after the last code never needs a bit past them.
    // False when the sink stopped the stream.
    bool Finish() {
        if (pendingBits_ > 0) {
            Byte(static_cast<uint8_t>(pending_ << (8 - pendingBits_)));
            pendingBits_ = 0;
        }
        Flush();
        return !stopped_;
    }

    // Whole bytes produced so far.
    uint64_t ByteCount() const { return flushed_ + used_; }

    bool Stopped() const { return stopped_; }

  private:
    static constexpr size_t BlockSize = size_t{1} << 16;

    void Byte(uint8_t byte) {
        if (sink_ == nullptr) {
            ++flushed_;
            return;
        }
        block_[used_++] = byte;
        if (used_ == BlockSize) {
            Flush();
        }
    }

    void Flush() {
        if (sink_ != nullptr && used_ > 0 && !stopped_) {
            stopped_ = !sink_->Write(flushed_, std::span<const uint8_t>(block_.data(), used_));
        }
        flushed_ += used_;
        used_ = 0;
    }

    CompressedSink* sink_;
    std::vector<uint8_t> block_;
    size_t used_ = 0;
    uint64_t flushed_ = 0;
    uint64_t pending_ = 0;
    int pendingBits_ = 0;
    bool stopped_ = false;
};
