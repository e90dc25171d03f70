// Building and rebuilding the adaptive code tree.
#include "decode/huffman_model.h"

void ResetTree(HuffmanModel& model) {
    for (int s = 0; s < SymbolCount; ++s) {
        model.nodeWeight[s] = 1;
        model.nodeChild[s] = static_cast<uint16_t>(NodeCount + s);
        model.nodeParent[NodeCount + s] = static_cast<uint16_t>(s);
    }
    // Pairing strictly in index order takes internal nodes as soon as they
    // exist, which gives 56 leaves a 9-bit code and the rest an 8-bit one.
    for (int k = SymbolCount; k < NodeCount; ++k) {
        int i = 2 * (k - SymbolCount);
        model.nodeChild[k] = static_cast<uint16_t>(i);
        model.nodeWeight[k] = static_cast<uint16_t>(model.nodeWeight[i] + model.nodeWeight[i + 1]);
        model.nodeParent[i] = static_cast<uint16_t>(k);
        model.nodeParent[i + 1] = static_cast<uint16_t>(k);
    }
    model.nodeWeight[NodeCount] = 0xFFFF;
    model.nodeParent[RootNode] = 0;
}

void RebuildTree(HuffmanModel& model) {
    uint16_t* weight = model.nodeWeight;
    uint16_t* child = model.nodeChild;

    // Leaves to the front in their current order, weights halved rounding
    // up so that no leaf falls to 0.
    int j = 0;
    for (int n = 0; n < NodeCount; ++n) {
        if (child[n] >= NodeCount) {
            child[j] = child[n];
            weight[j] = static_cast<uint16_t>((weight[n] + 1) / 2);
            ++j;
        }
    }

    // Join the pairs in order; each new node goes after every node of equal
    // weight. The insertion point is never below i + 2, so only nodes not
    // yet joined move.
    for (int k = SymbolCount; k < NodeCount; ++k) {
        int i = 2 * (k - SymbolCount);
        uint16_t sum = static_cast<uint16_t>(weight[i] + weight[i + 1]);
        int p = k - 1;
        while (weight[p] > sum) {
            --p;
        }
        // Insert at p + 1 and push the nodes up to k - 1 one place on,
        // carrying each displaced entry forward. (A plain block move would be
        // turned into a call of memmove, which the stub does not have.)
        uint16_t carriedWeight = sum;
        uint16_t carriedChild = static_cast<uint16_t>(i);
        for (int m = p + 1; m <= k; ++m) {
            uint16_t w = weight[m];
            uint16_t c = child[m];
            weight[m] = carriedWeight;
            child[m] = carriedChild;
            carriedWeight = w;
            carriedChild = c;
        }
    }

    for (int n = 0; n < NodeCount; ++n) {
        uint16_t e = child[n];
        model.nodeParent[e] = static_cast<uint16_t>(n);
        if (e < NodeCount) {
            model.nodeParent[e + 1] = static_cast<uint16_t>(n);
        }
    }
    model.nodeParent[RootNode] = 0;
}

void RebuildAndBump(HuffmanModel& model, int symbol) {
    RebuildTree(model);
    RaiseFrom(model, model.nodeParent[NodeCount + symbol]);
}

void SymbolCodeLengths(const HuffmanModel& model, uint8_t* lengths) {
    // Parents stand after their children, so walking down from the root
    // sets each node's depth before its children are visited.
    uint8_t depth[NodeCount];
    depth[RootNode] = 0;
    for (int n = RootNode; n >= 0; --n) {
        uint16_t e = model.nodeChild[n];
        uint8_t below = static_cast<uint8_t>(depth[n] + 1);
        if (e >= NodeCount) {
            lengths[e - NodeCount] = depth[n];
        } else {
            depth[e] = below;
            depth[e + 1] = below;
        }
    }
}
