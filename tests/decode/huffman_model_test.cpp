// The adaptive model: initial codes, update and rebuild rules, and the
// invariants that every update must keep.
#include "decode/huffman_model.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>

#include "decode/symbol_decoder.h"
#include "stream_fixtures.h"

namespace {

using fixtures::Bits;
using fixtures::BitText;

// Weights ordered, internal weights the sum of their children, parent links
// both ways, root in place, sentinel intact.
::testing::AssertionResult TreeIsConsistent(const HuffmanModel& m) {
    if (m.nodeWeight[NodeCount] != 0xFFFF) {
        return ::testing::AssertionFailure() << "sentinel changed";
    }
    if (m.nodeParent[RootNode] != 0) {
        return ::testing::AssertionFailure() << "root has a parent";
    }
    for (int n = 0; n + 1 < NodeCount; ++n) {
        if (m.nodeWeight[n] > m.nodeWeight[n + 1]) {
            return ::testing::AssertionFailure() << "weights out of order at " << n;
        }
    }
    int leaves = 0;
    for (int n = 0; n < NodeCount; ++n) {
        int e = m.nodeChild[n];
        if (e >= NodeCount) {
            ++leaves;
            if (m.nodeWeight[n] < 1) {
                return ::testing::AssertionFailure() << "leaf of weight 0 at " << n;
            }
            if (m.nodeParent[e] != n) {
                return ::testing::AssertionFailure()
                       << "symbol " << e - NodeCount << " lost its leaf";
            }
        } else {
            if (m.nodeWeight[n] != m.nodeWeight[e] + m.nodeWeight[e + 1]) {
                return ::testing::AssertionFailure()
                       << "node " << n << " is not its children's sum";
            }
            if (m.nodeParent[e] != n || m.nodeParent[e + 1] != n) {
                return ::testing::AssertionFailure() << "children of " << n << " point elsewhere";
            }
        }
    }
    if (leaves != SymbolCount) {
        return ::testing::AssertionFailure() << leaves << " leaves";
    }
    return ::testing::AssertionSuccess();
}

// Decodes one symbol from the given bit text with a model.
int DecodeFromBits(HuffmanModel& model, const std::string& text) {
    std::vector<uint8_t> bytes = Bits(text);
    fixtures::RecordingSource source;
    source.data = bytes;
    auto input = std::make_unique<InputStream>();
    ResetInputStream(*input);
    BitReader bits;
    ResetBitReader(bits, static_cast<uint32_t>(bytes.size()));
    ByteSource src = source.Source();
    return DecodeSymbol(model, bits, *input, src);
}

struct InitialCode {
    const char* bits;
    int symbol;
};

TEST(HuffmanModelTest, InitialCodesDecodeToTheirSymbols) {
    const InitialCode cases[] = {
        {"00000000", 56},  {"11100011", 283},  // 227
        {"111001000", 0},                      // 456
        {"111111111", 55}, {"00000001", 57},  {"111001001", 1},
    };
    for (const auto& c : cases) {
        HuffmanModel model;
        ResetTree(model);
        EXPECT_EQ(DecodeFromBits(model, c.bits), c.symbol) << c.bits;
    }
}

TEST(HuffmanModelTest, InitialTreeHasEightAndNineBitCodes) {
    HuffmanModel model;
    ResetTree(model);
    EXPECT_TRUE(TreeIsConsistent(model));
    EXPECT_EQ(model.nodeWeight[RootNode], SymbolCount);
    uint8_t lengths[SymbolCount];
    SymbolCodeLengths(model, lengths);
    for (int s = 0; s < SymbolCount; ++s) {
        int length = 0;
        uint64_t code = SymbolCode(model, s, &length);
        if (s < 56) {
            EXPECT_EQ(length, 9) << s;
            EXPECT_EQ(code, 456u + static_cast<unsigned>(s)) << s;
        } else {
            EXPECT_EQ(length, 8) << s;
            EXPECT_EQ(code, static_cast<unsigned>(s - 56)) << s;
        }
        EXPECT_EQ(lengths[s], length) << s;
    }
}

TEST(HuffmanModelTest, UpdateSwapsWithTheLastLighterNode) {
    HuffmanModel model;
    ResetTree(model);
    // Symbol 0's leaf (node 0) reaches weight 2 while nodes 1 ... 283 weigh
    // 1: it must change places with node 283, not node 1.
    BumpWeight(model, 0);
    EXPECT_EQ(model.nodeParent[NodeCount + 0], 283);
    EXPECT_EQ(model.nodeChild[283], NodeCount + 0);
    EXPECT_EQ(model.nodeParent[NodeCount + 283], 0);
    EXPECT_EQ(model.nodeChild[0], NodeCount + 283);
    EXPECT_EQ(model.nodeWeight[283], 2);
    EXPECT_EQ(model.nodeWeight[0], 1);
    // Positions keep their parents: node 283 still hangs under node 425.
    EXPECT_EQ(model.nodeParent[283], 425);
    EXPECT_EQ(model.nodeWeight[RootNode], SymbolCount + 1);
    EXPECT_TRUE(TreeIsConsistent(model));
    // Symbol 0 now has the code that 283 had, and 283 the one 0 had.
    EXPECT_EQ(DecodeFromBits(model, "11100011"), 0);
    EXPECT_EQ(DecodeFromBits(model, "111001000"), 283);
}

TEST(HuffmanModelTest, RebuildOfTheInitialTreeGivesItBack) {
    // Every halved weight stays 1 and every new node ties with the previous
    // one; placing ties after the equal nodes reproduces the initial tree.
    HuffmanModel model;
    ResetTree(model);
    HuffmanModel expected = model;
    RebuildTree(model);
    EXPECT_EQ(0, std::memcmp(model.nodeWeight, expected.nodeWeight, sizeof model.nodeWeight));
    EXPECT_EQ(0, std::memcmp(model.nodeChild, expected.nodeChild, sizeof model.nodeChild));
    EXPECT_EQ(0, std::memcmp(model.nodeParent, expected.nodeParent, sizeof model.nodeParent));
}

// A model whose leaves 0 ... 283 carry the given weights (sorted), with the
// internal nodes built on top as ResetTree pairs them.
HuffmanModel ModelWithLeafWeights(const std::vector<uint16_t>& weights) {
    HuffmanModel model;
    ResetTree(model);
    for (int s = 0; s < SymbolCount; ++s) {
        model.nodeWeight[s] = weights[static_cast<size_t>(s)];
    }
    for (int k = SymbolCount; k < NodeCount; ++k) {
        int i = 2 * (k - SymbolCount);
        model.nodeWeight[k] = static_cast<uint16_t>(model.nodeWeight[i] + model.nodeWeight[i + 1]);
    }
    return model;
}

TEST(HuffmanModelTest, RebuildPlacesANewNodeAfterEqualWeights) {
    // Leaves 282 and 283 halve to 2; the first joined pair (0, 1) also
    // weighs 2 and must go after them, to node 284.
    std::vector<uint16_t> weights(SymbolCount, 1);
    weights[282] = 3;
    weights[283] = 4;
    HuffmanModel model = ModelWithLeafWeights(weights);
    RebuildTree(model);
    EXPECT_EQ(model.nodeChild[282], NodeCount + 282);
    EXPECT_EQ(model.nodeChild[283], NodeCount + 283);
    EXPECT_EQ(model.nodeWeight[283], 2);
    EXPECT_EQ(model.nodeChild[284], 0);
    EXPECT_EQ(model.nodeWeight[284], 2);
    EXPECT_TRUE(TreeIsConsistent(model));
}

TEST(HuffmanModelTest, RebuildHalvesRoundingUp) {
    std::vector<uint16_t> weights(SymbolCount, 1);
    const uint16_t tail[] = {2, 3, 4, 5, 9, 100, 1001};
    for (size_t i = 0; i < std::size(tail); ++i) {
        weights[SymbolCount - std::size(tail) + i] = tail[i];
    }
    HuffmanModel model = ModelWithLeafWeights(weights);
    RebuildTree(model);
    EXPECT_TRUE(TreeIsConsistent(model));
    for (int s = 0; s < SymbolCount; ++s) {
        uint16_t w = weights[static_cast<size_t>(s)];
        EXPECT_EQ(model.nodeWeight[model.nodeParent[NodeCount + s]], (w + 1) / 2) << s;
    }
}

TEST(HuffmanModelTest, FirstRebuildComesWithinThe32485thSymbol) {
    // Feed a skewed sequence through BumpWeight; the root reaches 0x8000
    // after 32484 updates and no rebuild may have happened yet.
    auto model = std::make_unique<HuffmanModel>();
    ResetTree(*model);
    std::mt19937 rng(7);
    std::geometric_distribution<int> pick(0.05);
    for (int i = 0; i < 32484; ++i) {
        BumpWeight(*model, pick(rng) % SymbolCount);
    }
    ASSERT_EQ(model->nodeWeight[RootNode], RebuildWeight);
    ASSERT_TRUE(TreeIsConsistent(*model));

    // The 32485th symbol: decoded with the old tree, then the tree is
    // rebuilt, then the symbol is raised in the rebuilt tree.
    const int symbol = 65;
    uint16_t before[SymbolCount];
    for (int s = 0; s < SymbolCount; ++s) {
        before[s] = model->nodeWeight[model->nodeParent[NodeCount + s]];
    }
    int length = 0;
    uint64_t code = SymbolCode(*model, symbol, &length);
    EXPECT_EQ(DecodeFromBits(*model, BitText(code, length)), symbol);

    uint32_t halvedSum = 0;
    for (int s = 0; s < SymbolCount; ++s) {
        uint32_t expected = (before[s] + 1u) / 2u + (s == symbol ? 1u : 0u);
        halvedSum += (before[s] + 1u) / 2u;
        EXPECT_EQ(model->nodeWeight[model->nodeParent[NodeCount + s]], expected) << s;
    }
    EXPECT_EQ(model->nodeWeight[RootNode], halvedSum + 1);
    EXPECT_TRUE(TreeIsConsistent(*model));
}

TEST(HuffmanModelTest, UpdatesKeepTheTreeConsistentThroughRebuilds) {
    // Several input shapes; each runs through a few rebuilds and the tree is
    // checked after every update.
    struct Shape {
        const char* name;
        double p;  // geometric skew; 0 means uniform
    };
    const Shape shapes[] = {{"uniform", 0.0}, {"skewed", 0.02}, {"very skewed", 0.5}};
    for (const Shape& shape : shapes) {
        auto model = std::make_unique<HuffmanModel>();
        ResetTree(*model);
        std::mt19937 rng(11);
        std::uniform_int_distribution<int> uniform(0, SymbolCount - 1);
        std::geometric_distribution<int> geometric(shape.p > 0 ? shape.p : 0.5);
        bool ok = true;
        for (int i = 0; i < 100000 && ok; ++i) {
            int s = shape.p > 0 ? (geometric(rng) * 37) % SymbolCount : uniform(rng);
            BumpWeight(*model, s);
            ::testing::AssertionResult r = TreeIsConsistent(*model);
            if (!r) {
                ADD_FAILURE() << shape.name << " after update " << i << ": " << r.message();
                ok = false;
            }
        }
    }
}

TEST(HuffmanModelTest, CodesReadFromTheLeafDecodeFromTheRoot) {
    // The compressor's view of the tree (leaf to root) and the decoder's
    // (root to leaf) agree symbol after symbol, across rebuilds.
    auto sender = std::make_unique<HuffmanModel>();
    auto receiver = std::make_unique<HuffmanModel>();
    ResetTree(*sender);
    ResetTree(*receiver);
    std::mt19937 rng(3);
    std::geometric_distribution<int> pick(0.03);
    std::vector<int> symbols;
    std::string text;
    for (int i = 0; i < 70000; ++i) {
        int s = (pick(rng) * 13) % SymbolCount;
        symbols.push_back(s);
        int length = 0;
        uint64_t code = SymbolCode(*sender, s, &length);
        text += BitText(code, length);
        BumpWeight(*sender, s);
    }
    std::vector<uint8_t> bytes = Bits(text);
    fixtures::RecordingSource source;
    source.data = bytes;
    auto input = std::make_unique<InputStream>();
    ResetInputStream(*input);
    BitReader bits;
    ResetBitReader(bits, static_cast<uint32_t>(bytes.size()));
    ByteSource src = source.Source();
    for (size_t i = 0; i < symbols.size(); ++i) {
        ASSERT_EQ(DecodeSymbol(*receiver, bits, *input, src), symbols[i]) << "symbol " << i;
    }
}

}  // namespace

namespace {

// The path of symbol's leaf from the root, as the decoder records it.
int PathOf(const HuffmanModel& model, int symbol, uint16_t* path) {
    uint16_t up[MaxPathNodes];
    int depth = 0;
    for (uint32_t x = model.nodeParent[NodeCount + symbol];; x = model.nodeParent[x]) {
        up[depth++] = static_cast<uint16_t>(x);
        if (x == static_cast<uint32_t>(RootNode)) {
            break;
        }
    }
    for (int i = 0; i < depth; ++i) {
        path[i] = up[depth - 1 - i];
    }
    return depth;
}

TEST(HuffmanModelTest, UpdateAlongTheDecodedPathEqualsTheUpdateFromTheLeaf) {
    auto fromLeaf = std::make_unique<HuffmanModel>();
    auto alongPath = std::make_unique<HuffmanModel>();
    ResetTree(*fromLeaf);
    ResetTree(*alongPath);
    std::mt19937 rng(19);
    std::geometric_distribution<int> pick(0.04);
    for (int i = 0; i < 80000; ++i) {
        int s = (pick(rng) * 29) % SymbolCount;
        uint16_t path[MaxPathNodes];
        int depth = PathOf(*alongPath, s, path);
        BumpWeight(*fromLeaf, s);
        BumpWeightAlongPath(*alongPath, s, path, depth);
        ASSERT_EQ(0, std::memcmp(fromLeaf.get(), alongPath.get(), sizeof(HuffmanModel)))
            << "after update " << i;
    }
}

}  // namespace
