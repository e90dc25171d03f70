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

// The update of a symbol that meets the root at RebuildWeight: the rebuild,
// then the raise from the symbol's leaf. A routine of its own, since it comes
// once in 32768 symbols: the path update, which is forced inline, carries
// only a call for it.
void RebuildAndBump(HuffmanModel& model, int symbol);

// Moves node x, just raised to weight k above its successor, behind the
// last node lighter than k (nodes x+1 ... y all weigh k-1): the subtrees at
// x and y change places, both positions keep their parents. Returns y.
VELTRANE_FORCE_INLINE uint32_t ExchangeWithLastLighter(HuffmanModel& model, uint32_t x,
                                                       uint16_t k) {
    uint16_t* weight = model.nodeWeight;
    uint16_t* child = model.nodeChild;
    uint16_t* parent = model.nodeParent;
    // The sentinel ends the scan at the latest.
    uint32_t n = x + 2;
    while (weight[n] < k) {
        ++n;
    }
    uint32_t y = n - 1;
    weight[x] = weight[y];
    weight[y] = k;
    // A leaf child moves with its symbol's slot, an internal child with the
    // slots of both its children.
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
    return y;
}

// Raises node x and every node above it by one, keeping the weights in
// order. The root's parent entry is 0, which ends the walk.
VELTRANE_FORCE_INLINE void RaiseFrom(HuffmanModel& model, uint32_t x) {
    do {
        uint16_t k = static_cast<uint16_t>(model.nodeWeight[x] + 1);
        model.nodeWeight[x] = k;
        if (k > model.nodeWeight[x + 1]) {
            x = ExchangeWithLastLighter(model, x, k);
        }
        x = model.nodeParent[x];
    } while (x != 0);
}

// The update after every symbol: raises the weight of symbol's leaf and of
// every node above it by one. Rebuilds first when the root is at
// RebuildWeight (the root gains exactly 1 per update, so it meets it).
VELTRANE_FORCE_INLINE void BumpWeight(HuffmanModel& model, int symbol) {
    if (model.nodeWeight[RootNode] == RebuildWeight) {
        RebuildTree(model);
    }
    RaiseFrom(model, model.nodeParent[NodeCount + symbol]);
}

// Longest path from the root to a leaf's node, in nodes.
constexpr int MaxPathNodes = SymbolCount;

// BumpWeight for a symbol whose path is known, as the decoder knows it:
// path[0] is the root, path[depth-1] the node holding the symbol's leaf.
// Until an exchange moves a subtree the parents are taken from the path
// rather than the tree, so the levels do not wait on each other's loads.
VELTRANE_FORCE_INLINE void BumpWeightAlongPath(HuffmanModel& model, int symbol,
                                               const uint16_t* path, int depth) {
    if (model.nodeWeight[RootNode] == RebuildWeight) {
        RebuildAndBump(model, symbol);
        return;
    }
    for (int level = depth - 1; level >= 0; --level) {
        uint32_t x = path[level];
        if (model.nodeWeight[x] + 1 > model.nodeWeight[x + 1]) {
            // The first node that must move: from here on the tree changes,
            // so RaiseFrom raises it, exchanges it and walks on by parents.
            // (One inlined exchange instead of two.)
            RaiseFrom(model, x);
            return;
        }
        ++model.nodeWeight[x];
    }
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
