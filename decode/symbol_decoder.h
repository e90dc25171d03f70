// Reading the two codes of the compressed entry format: a symbol in the
// adaptive code (walking the tree from the root, then updating the model)
// and a copy's distance in the fixed distance code.
#pragma once

#include <stdint.h>

#include "decode/bit_reader.h"
#include "decode/distance_code.h"
#include "decode/force_inline.h"
#include "decode/huffman_model.h"

// The next symbol, 0 ... 283. It is decoded with the tree as it stood
// before; when this returns the model has been updated for it.
VELTRANE_FORCE_INLINE int DecodeSymbol(HuffmanModel& model, BitReader& bits, InputStream& input,
                                       const ByteSource& source) {
    // A 0 bit goes to the first child (node e), a 1 bit to the second.
    uint16_t path[MaxPathNodes];
    int depth = 0;
    uint32_t node = RootNode;
    uint32_t e;
    for (;;) {
        path[depth++] = static_cast<uint16_t>(node);
        e = model.nodeChild[node];
        if (e >= static_cast<uint32_t>(NodeCount)) {
            break;
        }
        node = e + TakeBit(bits, input, source);
    }
    int symbol = static_cast<int>(e) - NodeCount;
    BumpWeightAlongPath(model, symbol, path, depth);
    return symbol;
}

// The next distance, 0 ... 4095: the first 8 bits tell the prefix's length
// n, n - 2 more bits complete the code, and the code less its length's
// offset is the distance. Both takes go through one inlined TakeBits.
VELTRANE_FORCE_INLINE int DecodeDistance(BitReader& bits, InputStream& input,
                                         const ByteSource& source) {
    uint32_t v = 0;
    uint32_t count = 8;
    DistancePrefix prefix = {0, 0};
    for (int take = 0; take < 2; ++take) {
        v = (v << count) | TakeBits(bits, input, source, count);
        if (take == 0) {
            prefix = distancePrefixes.entry[v >> 4];
            count = prefix.length - 2u;
        }
    }
    return static_cast<int>(v) - (prefix.offset << DistanceLowBits);
}
