// Writes the symbols of one compressed entry: literals and copies in the
// adaptive code, run in lockstep with the decoder through the shared model
// (a symbol's code is read from its leaf up to the root, then the model is
// updated exactly as the decoder updates it), distances in the fixed code.
#pragma once

#include <cstdint>

#include "decode/distance_code.h"
#include "decode/huffman_model.h"
#include "encode/bit_writer.h"

class EntryEncoder {
  public:
    // sink: where the stream goes, or nullptr to measure it only.
    explicit EntryEncoder(CompressedSink* sink) : writer_(sink) { ResetTree(model_); }

    void Literal(uint8_t byte) { Symbol(byte); }

    // A copy of length 3 ... 30 bytes reading distance + 1 bytes back.
    void Copy(int length, int distance) {
        Symbol(length + CopyLengthBias);
        writer_.Put(DistanceCode(distance), DistanceBits(distance));
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

    HuffmanModel model_{};
    BitWriter writer_;
};
