// Writes the symbols of one compressed entry: literals and copies in the
// adaptive code, run in lockstep with the decoder through the shared model
// (a symbol's code is read from its leaf up to the root, then the model is
// updated exactly as the decoder updates it), distances in the fixed code.
#pragma once

#include <cstdint>
#include <functional>

#include "decode/distance_code.h"
#include "decode/huffman_model.h"
#include "encode/bit_writer.h"

class EntryEncoder {
  public:
    // sink: where the stream goes, or nullptr to measure it only.
    // reached: when not empty, told the input bytes encoded so far after
    // every ProgressStep of them.
    explicit EntryEncoder(CompressedSink* sink, std::function<void(uint64_t)> reached = {})
        : writer_(sink), reached_(std::move(reached)) {
        ResetTree(model_);
    }

    static constexpr uint64_t ProgressStep = uint64_t{1} << 20;

    void Literal(uint8_t byte) {
        Symbol(byte);
        Advance(1);
    }

    // A copy of length 3 ... 30 bytes reading distance + 1 bytes back.
    void Copy(int length, int distance) {
        Symbol(length + CopyLengthBias);
        writer_.Put(DistanceCode(distance), DistanceBits(distance));
        Advance(static_cast<uint64_t>(length));
    }

    // The model as it stands before the next symbol, for pricing.
    const HuffmanModel& Model() const { return model_; }

    // True once the sink has refused the stream; the parsers then stop.
    bool Stopped() const { return writer_.Stopped(); }

    // Ends the stream: false when the sink stopped it, else its length in
    // bytes is ByteCount().
    bool Finish() { return writer_.Finish(); }

    uint64_t ByteCount() const { return writer_.ByteCount(); }

  private:
    void Symbol(int symbol) {
        int length = 0;
        uint64_t code = SymbolCode(model_, symbol, &length);
        if (length > 32) {
            // Not reached by a tree of root weight 0x8000 or less, but the
            // writer takes 32 bits at a time.
            writer_.Put(static_cast<uint32_t>(code >> 32), length - 32);
            length = 32;
        }
        writer_.Put(static_cast<uint32_t>(code), length);
        BumpWeight(model_, symbol);
    }

    void Advance(uint64_t bytes) {
        encoded_ += bytes;
        if (encoded_ >= nextReport_) {
            nextReport_ = encoded_ - encoded_ % ProgressStep + ProgressStep;
            if (reached_) {
                reached_(encoded_);
            }
        }
    }

    HuffmanModel model_{};
    BitWriter writer_;
    std::function<void(uint64_t)> reached_;
    uint64_t encoded_ = 0;
    uint64_t nextReport_ = ProgressStep;
};
