// The window decoder: the distance code, copies out of the initial spaces,
// overlapping and wrapping copies, exact output length, and the failures
// of source and sink.
#include "decode/window_decoder.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "decode/symbol_decoder.h"
#include "stream_fixtures.h"

namespace {

using fixtures::Bits;
using fixtures::RecordingSink;
using fixtures::RecordingSource;
using fixtures::StreamBuilder;

std::unique_ptr<ExpandState> FreshState() {
    auto state = std::make_unique<ExpandState>();
    *state = ExpandState{};
    ResetInputStream(state->input);
    ResetOutputStream(state->output);
    return state;
}

struct Expansion {
    ExpandResult result;
    std::vector<uint8_t> output;
    RecordingSource source;
    RecordingSink sink;
};

// Expands `data` as an entry of expandedLength bytes whose stored length is
// storedLength (by default the data's size).
Expansion Expand(const std::vector<uint8_t>& data, uint32_t expandedLength,
                 int64_t storedLength = -1, ExpandState* reuse = nullptr) {
    Expansion e;
    e.source.data = data;
    std::unique_ptr<ExpandState> own;
    ExpandState* state = reuse;
    if (state == nullptr) {
        own = FreshState();
        state = own.get();
    }
    uint32_t stored =
        storedLength < 0 ? static_cast<uint32_t>(data.size()) : static_cast<uint32_t>(storedLength);
    e.result = ExpandStream(*state, e.source.Source(), e.sink.Sink(), expandedLength, stored);
    e.output = e.sink.data;
    return e;
}

std::vector<uint8_t> Text(const std::string& s) {
    return std::vector<uint8_t>(s.begin(), s.end());
}

// Decodes one distance from bit text.
int DistanceFromBits(const std::string& text) {
    std::vector<uint8_t> bytes = Bits(text);
    RecordingSource source;
    source.data = bytes;
    auto input = std::make_unique<InputStream>();
    ResetInputStream(*input);
    BitReader bits;
    ResetBitReader(bits, static_cast<uint32_t>(bytes.size()));
    return DecodeDistance(bits, *input, source.Source());
}

TEST(DistanceCodeTest, HandWrittenCodes) {
    struct Case {
        const char* bits;
        int distance;
    };
    const Case cases[] = {
        {"000 000000", 0},         {"000 000001", 1},
        {"000 111111", 63},        {"000 101010", 42},
        {"0010 000000", 64},       {"0100 111111", 255},
        {"01010 000000", 256},     {"10001 000011", 11 * 64 + 3},
        {"100100 000000", 768},    {"1100000 000001", 24 * 64 + 1},
        {"11111111 000000", 4032}, {"11111111 010101", 4032 + 21},
        {"11111111 111111", 4095}, {"11110000 000111", 48 * 64 + 7},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DistanceFromBits(c.bits), c.distance) << c.bits;
    }
}

TEST(DistanceCodeTest, EveryLowPartAfterTheShortestAndLongestPrefix) {
    for (int b = 0; b < 64; ++b) {
        EXPECT_EQ(DistanceFromBits("000" + fixtures::BitText(static_cast<uint64_t>(b), 6)), b);
        EXPECT_EQ(DistanceFromBits("11111111" + fixtures::BitText(static_cast<uint64_t>(b), 6)),
                  4032 + b);
    }
}

TEST(DistanceCodeTest, EveryDistanceDecodesFromTheCodeTheCompressorSends) {
    for (int d = 0; d <= MaxDistance; ++d) {
        EXPECT_EQ(DistanceFromBits(fixtures::BitText(DistanceCode(d), DistanceBits(d))), d) << d;
    }
}

TEST(DistanceCodeTest, TableRangesFollowTheCodeLengths) {
    struct Range {
        int first, last, firstHigh, length;
    };
    const Range ranges[] = {{0, 31, 0, 3},     {32, 79, 1, 4},    {80, 143, 4, 5},
                            {144, 191, 12, 6}, {192, 239, 24, 7}, {240, 255, 48, 8}};
    for (const Range& r : ranges) {
        int perValue = 1 << (8 - r.length);
        for (int i = r.first; i <= r.last; ++i) {
            // The prefix lookup by the first 4 bits gives the length; the
            // code less the length's offset gives the high part.
            const DistancePrefix prefix = distancePrefixes.entry[i >> 4];
            EXPECT_EQ(prefix.length, r.length) << i;
            EXPECT_EQ((i >> (8 - prefix.length)) - prefix.offset,
                      r.firstHigh + (i - r.first) / perValue)
                << i;
        }
    }
}

TEST(WindowDecoderTest, LiteralsComeOutAndTheFirstGoesToPosition4066) {
    auto state = FreshState();
    Expansion e = Expand(StreamBuilder().Text("Hi!").Bytes(), 3, -1, state.get());
    EXPECT_EQ(e.result.status, ExpandOk);
    EXPECT_EQ(e.output, Text("Hi!"));
    EXPECT_EQ(state->window.slidingWindow[4066], 'H');
    EXPECT_EQ(state->window.slidingWindow[4068], '!');
    EXPECT_EQ(state->window.windowPos, 4069u);
    EXPECT_FALSE(e.result.readBeyondStored);
    EXPECT_FALSE(e.result.copyPastEnd);
}

TEST(WindowDecoderTest, AFirstCopyReadsTheInitialSpaces) {
    const int distances[] = {0, 1, 100, 4065};
    for (int d : distances) {
        Expansion e = Expand(StreamBuilder().Copy(5, d).Bytes(), 5);
        EXPECT_EQ(e.output, Text("     ")) << d;
    }
}

TEST(WindowDecoderTest, OverlappingCopiesRepeatTheirSource) {
    struct Case {
        const char* prefix;
        int length, distance;
        const char* expected;
    };
    const Case cases[] = {
        {"ab", 10, 1, "abababababab"},
        {"x", 30, 0, "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"},
        {"abc", 3, 2, "abcabc"},
        {"abcd", 6, 2, "abcdbcdbcd"},
    };
    for (const auto& c : cases) {
        std::string expected = c.expected;
        Expansion e = Expand(StreamBuilder().Text(c.prefix).Copy(c.length, c.distance).Bytes(),
                             static_cast<uint32_t>(expected.size()));
        EXPECT_EQ(e.output, Text(expected)) << c.prefix << " " << c.length << "@" << c.distance;
    }
}

// A reference for whole streams: the window as a linear history that
// starts with the 4066 spaces.
struct Op {
    int length;  // 0 for a literal
    int value;   // literal byte or distance
};

std::vector<uint8_t> Reference(const std::vector<Op>& ops) {
    std::vector<uint8_t> history(WindowFill, ' ');
    for (const Op& op : ops) {
        if (op.length == 0) {
            history.push_back(static_cast<uint8_t>(op.value));
        } else {
            for (int i = 0; i < op.length; ++i) {
                history.push_back(history[history.size() - static_cast<size_t>(op.value) - 1]);
            }
        }
    }
    return std::vector<uint8_t>(history.begin() + WindowFill, history.end());
}

// Random literals and copies that never reach before the spaces.
std::vector<Op> RandomOps(uint32_t seed, size_t outputBytes) {
    std::mt19937 rng(seed);
    std::vector<Op> ops;
    size_t produced = 0;
    while (produced < outputBytes) {
        if (rng() % 3 == 0) {
            ops.push_back({0, static_cast<int>(rng() % 8) + 'a'});
            ++produced;
        } else {
            int length =
                MinCopyLength + static_cast<int>(rng() % (MaxCopyLength - MinCopyLength + 1));
            size_t reach = std::min<size_t>(produced + WindowFill, WindowSize);
            int distance =
                static_cast<int>(rng() % 5 == 0 ? reach - 1 - rng() % 16 : rng() % reach);
            ops.push_back({length, distance});
            produced += static_cast<size_t>(length);
        }
    }
    return ops;
}

std::vector<uint8_t> Build(const std::vector<Op>& ops) {
    StreamBuilder builder;
    for (const Op& op : ops) {
        if (op.length == 0) {
            builder.Literal(static_cast<uint8_t>(op.value));
        } else {
            builder.Copy(op.length, op.value);
        }
    }
    return builder.Bytes();
}

TEST(WindowDecoderTest, CopiesWrapAtTheEndOfTheWindow) {
    // 29 literals fill positions 4066 ... 4094; the copy then writes across
    // 4095 -> 0, and the next copy reads across it.
    std::vector<Op> ops;
    for (int i = 0; i < 29; ++i) {
        ops.push_back({0, 'A' + i % 26});
    }
    ops.push_back({5, 0});
    ops.push_back({5, 6});
    ops.push_back({30, 33});
    std::vector<uint8_t> expected = Reference(ops);
    auto state = FreshState();
    Expansion e = Expand(Build(ops), static_cast<uint32_t>(expected.size()), -1, state.get());
    EXPECT_EQ(e.result.status, ExpandOk);
    EXPECT_EQ(e.output, expected);
    EXPECT_EQ(state->window.windowPos, (4066u + expected.size()) % 4096u);
}

TEST(WindowDecoderTest, LongRandomStreamsMatchTheReference) {
    // Far past several window wraps and model rebuilds.
    const uint32_t seeds[] = {1, 2, 3};
    for (uint32_t seed : seeds) {
        std::vector<Op> ops = RandomOps(seed, 300000);
        std::vector<uint8_t> expected = Reference(ops);
        Expansion e = Expand(Build(ops), static_cast<uint32_t>(expected.size()));
        EXPECT_EQ(e.result.status, ExpandOk) << seed;
        EXPECT_EQ(e.result.produced, expected.size());
        EXPECT_FALSE(e.result.readBeyondStored);
        EXPECT_TRUE(e.output == expected) << "seed " << seed;
    }
}

TEST(WindowDecoderTest, ZeroLengthReadsAndWritesNothing) {
    auto state = FreshState();
    ResetTree(state->model);
    state->model.nodeWeight[0] = 77;  // would be undone by a reset
    Expansion e = Expand({0xFF, 0xFF}, 0, -1, state.get());
    EXPECT_EQ(e.result.status, ExpandOk);
    EXPECT_TRUE(e.source.asked.empty());
    EXPECT_TRUE(e.sink.writes.empty());
    EXPECT_EQ(state->model.nodeWeight[0], 77);
}

TEST(WindowDecoderTest, OutputBlocksEndAtTheEntryLength) {
    struct Case {
        uint32_t length;
        std::vector<int32_t> blocks;
    };
    const Case cases[] = {{1, {1}}, {16384, {16384}}, {16385, {16384, 1}}};
    for (const auto& c : cases) {
        StreamBuilder builder;
        builder.Literal('q');
        for (uint32_t left = c.length - 1; left != 0;) {
            uint32_t n = std::min<uint32_t>(left, 30);
            if (n < 3) {
                builder.Literal('q');
                n = 1;
            } else {
                builder.Copy(static_cast<int>(n), 0);
            }
            left -= n;
        }
        Expansion e = Expand(builder.Bytes(), c.length);
        EXPECT_EQ(e.result.status, ExpandOk);
        EXPECT_EQ(e.sink.writes, c.blocks) << c.length;
        EXPECT_EQ(e.output, std::vector<uint8_t>(c.length, 'q'));
    }
}

TEST(WindowDecoderTest, AFinalCopyPastTheLengthIsCut) {
    const uint32_t lengths[] = {1, 5, 29, 16384};
    for (uint32_t length : lengths) {
        StreamBuilder builder;
        builder.Literal('z');
        uint32_t produced = 1;
        while (produced < length) {
            builder.Copy(30, 0);
            produced += 30;
        }
        Expansion e = Expand(builder.Bytes(), length);
        EXPECT_EQ(e.result.status, ExpandOk);
        EXPECT_EQ(e.output, std::vector<uint8_t>(length, 'z')) << length;
        EXPECT_EQ(e.result.produced, length);
        EXPECT_EQ(e.result.copyPastEnd, produced > length) << length;
    }
}

TEST(WindowDecoderTest, AFullDiskEndsTheEntryWithAFailure) {
    std::vector<Op> ops = RandomOps(5, 100000);
    std::vector<uint8_t> expected = Reference(ops);
    RecordingSource source;
    source.data = Build(ops);
    RecordingSink sink;
    sink.capacity = 20000;
    auto state = FreshState();
    ExpandResult r =
        ExpandStream(*state, source.Source(), sink.Sink(), static_cast<uint32_t>(expected.size()),
                     static_cast<uint32_t>(source.data.size()));
    EXPECT_EQ(r.status, ExpandWriteFailed);
    EXPECT_LT(r.produced, 32768u + 30u) << "decoding went on after the failed write";
    EXPECT_TRUE(std::equal(sink.data.begin(), sink.data.end(), expected.begin()));
}

TEST(WindowDecoderTest, ASourceThatEndsEarlyIsTruncatedNotInvented) {
    std::vector<Op> ops = RandomOps(9, 50000);
    std::vector<uint8_t> expected = Reference(ops);
    std::vector<uint8_t> stream = Build(ops);
    struct Case {
        size_t available;  // bytes the source really has
        bool fail;
        ExpandStatus status;
    };
    const Case cases[] = {
        {0, false, ExpandTruncated},
        {stream.size() / 2, false, ExpandTruncated},
        {stream.size() - 1, false, ExpandTruncated},
        {stream.size() / 3, true, ExpandReadFailed},
    };
    for (const Case& c : cases) {
        RecordingSource source;
        source.data.assign(stream.begin(),
                           stream.begin() + static_cast<std::ptrdiff_t>(c.available));
        RecordingSink sink;
        auto state = FreshState();
        if (c.fail) {
            source.maxChunk = static_cast<int32_t>(c.available);
        }
        ByteSource src = source.Source();
        if (c.fail) {
            // Serve the available bytes, then fail.
            src.read = [](void* context, uint8_t* buffer, int32_t count) -> int32_t {
                auto* self = static_cast<RecordingSource*>(context);
                if (self->pos == self->data.size()) {
                    return -1;
                }
                return RecordingSource::Read(context, buffer, count);
            };
        }
        ExpandResult r =
            ExpandStream(*state, src, sink.Sink(), static_cast<uint32_t>(expected.size()),
                         static_cast<uint32_t>(stream.size()));
        EXPECT_EQ(r.status, c.status) << c.available;
        EXPECT_LT(sink.data.size(), expected.size()) << c.available;
        EXPECT_TRUE(std::equal(sink.data.begin(), sink.data.end(), expected.begin()));
    }
}

TEST(WindowDecoderTest, NoMoreThanTheStoredBytesAreRead) {
    std::vector<Op> ops = RandomOps(4, 40000);
    std::vector<uint8_t> expected = Reference(ops);
    std::vector<uint8_t> stream = Build(ops);
    std::vector<uint8_t> withTrailer = stream;
    withTrailer.resize(stream.size() + 100, 0xEE);
    Expansion e = Expand(withTrailer, static_cast<uint32_t>(expected.size()),
                         static_cast<int64_t>(stream.size()));
    EXPECT_EQ(e.result.status, ExpandOk);
    EXPECT_EQ(e.source.pos, stream.size());
    EXPECT_TRUE(e.output == expected);
}

TEST(WindowDecoderTest, BitsBeyondTheStoredBytesAreZeroAndReported) {
    // "Hello" needs 5 * 8 bits; with 4 stored bytes the last symbol comes
    // from made-up zero bits, which the decoder accepts but reports.
    StreamBuilder builder;
    builder.Text("Hello");
    std::vector<uint8_t> stream = builder.Bytes();
    ASSERT_EQ(stream.size(), 5u);
    Expansion full = Expand(stream, 5);
    EXPECT_FALSE(full.result.readBeyondStored);
    EXPECT_EQ(full.output, Text("Hello"));

    Expansion cut = Expand(stream, 5, 4);
    EXPECT_EQ(cut.result.status, ExpandOk);
    EXPECT_TRUE(cut.result.readBeyondStored);
    EXPECT_EQ(cut.output.size(), 5u);
    EXPECT_EQ(cut.source.pos, 4u);
}

// A sink that refuses to write once the stream has been used up, looking
// at the bit reader in the decoder's state as a checking tool does.
struct UsedUpGuard {
    ExpandState* state;
    RecordingSink inner;
    bool refused = false;
    static int32_t Write(void* context, const uint8_t* buffer, int32_t count) {
        auto* self = static_cast<UsedUpGuard*>(context);
        if (ReadBeyondStored(self->state->bitReader)) {
            self->refused = true;
            return 0;
        }
        return RecordingSink::Write(&self->inner, buffer, count);
    }
};

TEST(WindowDecoderTest, ASinkCanStopAStreamThatIsUsedUp) {
    std::vector<Op> ops = RandomOps(12, 100000);
    std::vector<uint8_t> expected = Reference(ops);
    std::vector<uint8_t> stream = Build(ops);
    struct Case {
        size_t stored;
        bool usedUp;
    };
    const Case cases[] = {{stream.size(), false}, {stream.size() / 4, true}};
    for (const Case& c : cases) {
        auto state = FreshState();
        // A previous entry that ended used up must not confuse this one.
        state->bitReader.paddingBytes = 5;
        RecordingSource source;
        source.data.assign(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(c.stored));
        UsedUpGuard guard{state.get(), {}};
        ExpandResult r =
            ExpandStream(*state, source.Source(), ByteSink{UsedUpGuard::Write, &guard},
                         static_cast<uint32_t>(expected.size()), static_cast<uint32_t>(c.stored));
        EXPECT_EQ(guard.refused, c.usedUp) << c.stored;
        EXPECT_EQ(r.status, c.usedUp ? ExpandWriteFailed : ExpandOk) << c.stored;
        if (c.usedUp) {
            // Stopped at the first block after the data ran out.
            EXPECT_LT(r.produced, expected.size() / 2);
        } else {
            EXPECT_TRUE(guard.inner.data == expected);
        }
    }
}

TEST(WindowDecoderTest, DamagedDataEndsWithExactlyTheLength) {
    const uint32_t seeds[] = {21, 22, 23, 24};
    for (uint32_t seed : seeds) {
        std::mt19937 rng(seed);
        std::vector<uint8_t> noise(3000);
        for (auto& b : noise) {
            b = static_cast<uint8_t>(rng());
        }
        const uint32_t length = 70000;
        Expansion e = Expand(noise, length);
        EXPECT_EQ(e.result.status, ExpandOk);
        EXPECT_EQ(e.output.size(), length);
        EXPECT_LE(e.source.pos, noise.size());
    }
}

TEST(WindowDecoderTest, AStateIsReusedEntryAfterEntry) {
    auto state = FreshState();
    std::vector<Op> first = RandomOps(31, 5000);
    std::vector<Op> second = RandomOps(32, 7000);
    for (const auto* ops : {&first, &second, &first}) {
        ResetInputStream(state->input);
        ResetOutputStream(state->output);
        std::vector<uint8_t> expected = Reference(*ops);
        Expansion e = Expand(Build(*ops), static_cast<uint32_t>(expected.size()), -1, state.get());
        EXPECT_EQ(e.result.status, ExpandOk);
        EXPECT_TRUE(e.output == expected);
    }
}

}  // namespace
