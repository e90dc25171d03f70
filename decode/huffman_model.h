// The adaptive Huffman model of the compressed entry format: the code tree,
// its initial shape, its update after every symbol and its rebuild. The
// decoder walks it from the root (symbol_decoder.h); the compressor reads a
// symbol's code from its leaf up to the root (SymbolCode) and then updates
// the model with the same BumpWeight, so both stay in lockstep.
//
// Tree layout, all entries 16 bits:
//   nodeWeight[n]  n = 0 ... 566: weight of node n, never decreasing with n;
//                  n = 567: sentinel 0xFFFF, heavier than any node
//   nodeChild[n]   internal node: index of its first child (the second is the
//                  next index); leaf: 567 + symbol
//   nodeParent[e]  e = 0 ... 566: parent of node e (0 for the root, which is
//                  always node 566); e = 567 + s: the node that is the leaf
//                  of symbol s. Any child entry indexes it.
// An internal node weighs the sum of its children; every leaf at least 1, so
// node 0 is always a leaf and 0 is never a parent.
#pragma once

#include <stdint.h>

#include "decode/force_inline.h"
#include "decode/stream_format.h"

struct HuffmanModel {
    uint16_t nodeWeight[NodeCount + 1];
    uint16_t nodeChild[NodeCount];
    uint16_t nodeParent[ParentSlots];
};

// Builds the initial tree: every symbol weighs 1, nodes paired in index
// order. Symbols 56 ... 283 then have 8-bit codes, 0 ... 55 9-bit codes.
void ResetTree(HuffmanModel& model);

// Rebuilds the tree from the leaves with their weights halved (rounded up).
// Called by BumpWeight when the root weight reaches RebuildWeight.
void RebuildTree(HuffmanModel& model);

// Raises the weight of symbol's leaf and of every node above it by one,
// exchanging a node with the last lighter node whenever the order of
// weights would break. Rebuilds first when the root is at RebuildWeight.
VELTRANE_FORCE_INLINE void BumpWeight(HuffmanModel& model, int symbol) {
    uint16_t* weight = model.nodeWeight;
    uint16_t* child = model.nodeChild;
    uint16_t* parent = model.nodeParent;
    if (weight[RootNode] == RebuildWeight) {
        RebuildTree(model);
    }
    uint32_t x = parent[NodeCount + symbol];
    do {
        uint16_t k = static_cast<uint16_t>(weight[x] + 1);
        weight[x] = k;
        if (k > weight[x + 1]) {
            // Nodes x+1 ... y weigh k-1; x changes places with the last of
            // them. The sentinel ends the scan at the latest.
            uint32_t n = x + 2;
            while (weight[n] < k) {
                ++n;
            }
            uint32_t y = n - 1;
            weight[x] = weight[y];
            weight[y] = k;
            uint32_t i = child[x];
            parent[i] = static_cast<uint16_t>(y);
            if (i < static_cast<uint32_t>(NodeCount)) {
                parent[i + 1] = static_cast<uint16_t>(y);
            }
            uint32_t j = child[y];
            child[y] = static_cast<uint16_t>(i);
            parent[j] = static_cast<uint16_t>(x);
            if (j < static_cast<uint32_t>(NodeCount)) {
                parent[j + 1] = static_cast<uint16_t>(x);
            }
            child[x] = static_cast<uint16_t>(j);
            x = y;
        }
        x = parent[x];
    } while (x != 0);
}

// The current code of symbol, read from its leaf up to the root: the bits
// in the order they are sent are the low `*length` bits of the result, most
// significant first. A tree of root weight at most 0x8000 is at most 22
// levels deep, well inside 64 bits.
inline uint64_t SymbolCode(const HuffmanModel& model, int symbol, int* length) {
    uint64_t code = 0;
    int bits = 0;
    uint32_t x = model.nodeParent[NodeCount + symbol];
    while (x != static_cast<uint32_t>(RootNode)) {
        uint32_t up = model.nodeParent[x];
        // x is the first or the second child of its parent.
        code |= static_cast<uint64_t>(x - model.nodeChild[up]) << bits;
        ++bits;
        x = up;
    }
    *length = bits;
    return code;
}

// Code length of every symbol in the current tree (the depth of its leaf),
// written to lengths[0 ... SymbolCount-1]. One pass over the nodes from the
// root down, for price tables.
void SymbolCodeLengths(const HuffmanModel& model, uint8_t* lengths);
