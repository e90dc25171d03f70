// The compressor against the decoder: every level gives back the input on
// data of many shapes, never relies on the window positions the decoder
// leaves undefined, ends its stream cleanly, and the smallest level never
// loses to greedy matching.
#include "encode/compressor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>

#include "decode/memory_io.h"
#include "decode/window_decoder.h"

namespace {

// Seeded generators of test inputs.
struct Shape {
    const char* name;
    std::function<std::vector<uint8_t>()> make;
};

std::vector<uint8_t> Random(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(n);
    for (auto& b : v) {
        b = static_cast<uint8_t>(rng());
    }
    return v;
}

std::vector<uint8_t> Text(size_t n, uint32_t seed) {
    static const char* const words[] = {
        "the ", "screen ", "saver ",       "installer ", "window ", "data ", "of ",
        "and ", "a ",      "Verzeichnis ", "Datei\r\n",  "copy ",   ", ",    ". "};
    std::mt19937 rng(seed);
    std::geometric_distribution<size_t> pick(0.25);
    std::string s;
    while (s.size() < n) {
        s += words[pick(rng) % std::size(words)];
    }
    s.resize(n);
    return std::vector<uint8_t>(s.begin(), s.end());
}

std::vector<uint8_t> Runs(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> v;
    while (v.size() < n) {
        v.insert(v.end(), 1 + rng() % 200, static_cast<uint8_t>(rng() % 4));
    }
    v.resize(n);
    return v;
}

// Rows of a small image with noise: repeats at a fixed distance.
std::vector<uint8_t> Image(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) {
        v[i] = static_cast<uint8_t>((i % 300) / 10 * 8 + (rng() % 8 == 0 ? rng() % 3 : 0));
    }
    return v;
}

std::vector<Shape> Shapes() {
    return {
        {"empty", [] { return std::vector<uint8_t>{}; }},
        {"one byte", [] { return std::vector<uint8_t>{'A'}; }},
        {"two bytes",
         [] {
             return std::vector<uint8_t>{0, 0};
         }},
        {"spaces", [] { return std::vector<uint8_t>(5000, ' '); }},
        {"one long run", [] { return std::vector<uint8_t>(100000, 0xAB); }},
        {"short runs", [] { return Runs(60000, 1); }},
        {"text", [] { return Text(80000, 2); }},
        {"random", [] { return Random(30000, 3); }},
        {"text 16384", [] { return Text(16384, 4); }},
        {"text 16385", [] { return Text(16385, 5); }},
        {"image", [] { return Image(120000, 6); }},
        // Enough symbols for several rebuilds of the model.
        {"long random", [] { return Random(200000, 7); }},
        {"text then random",
         [] {
             auto v = Text(40000, 8);
             auto r = Random(40000, 9);
             v.insert(v.end(), r.begin(), r.end());
             return v;
         }},
    };
}

struct Expanded {
    ExpandResult result;
    std::vector<uint8_t> bytes;
};

struct VectorWriter {
    std::vector<uint8_t> bytes;
    static int32_t Write(void* context, const uint8_t* buffer, int32_t count) {
        auto& v = static_cast<VectorWriter*>(context)->bytes;
        v.insert(v.end(), buffer, buffer + count);
        return count;
    }
};

// Expands a stream; the window positions the decoder leaves undefined hold
// `garbage` beforehand.
Expanded Expand(const std::vector<uint8_t>& stream, size_t length, uint8_t garbage) {
    auto state = std::make_unique<ExpandState>();
    *state = ExpandState{};
    for (int i = WindowFill; i < WindowSize; ++i) {
        state->window.slidingWindow[i] = garbage;
    }
    ResetInputStream(state->input);
    ResetOutputStream(state->output);
    MemoryReader reader{stream.data(), static_cast<uint32_t>(stream.size()), 0};
    VectorWriter writer;
    Expanded e;
    e.result = ExpandStream(*state, MemorySource(reader), ByteSink{VectorWriter::Write, &writer},
                            static_cast<uint32_t>(length), static_cast<uint32_t>(stream.size()));
    e.bytes = std::move(writer.bytes);
    return e;
}

TEST(CompressorTest, EveryLevelRoundTripsEveryShape) {
    for (const Shape& shape : Shapes()) {
        std::vector<uint8_t> input = shape.make();
        for (int level = MinLevel; level <= MaxLevel; ++level) {
            std::vector<uint8_t> stream = CompressEntry(input, level);
            // Two different fillings of the undefined positions: a stream
            // that read them would come out differently at least once.
            for (uint8_t garbage : {uint8_t{0x00}, uint8_t{0xC5}}) {
                Expanded e = Expand(stream, input.size(), garbage);
                ASSERT_EQ(e.result.status, ExpandOk) << shape.name << " level " << level;
                EXPECT_FALSE(e.result.readBeyondStored) << shape.name << " level " << level;
                EXPECT_FALSE(e.result.copyPastEnd) << shape.name << " level " << level;
                ASSERT_TRUE(e.bytes == input) << shape.name << " level " << level;
            }
        }
    }
}

// Keeps what a sink receives and refuses every write that would take the
// stream to `limit` bytes or beyond.
class RecordingSink final : public CompressedSink {
  public:
    explicit RecordingSink(uint64_t limit) : limit_(limit) {}

    bool Write(uint64_t offset, std::span<const uint8_t> bytes) override {
        writes.push_back({offset, bytes.size()});
        if (offset + bytes.size() >= limit_) {
            return false;
        }
        if (stream.size() < offset + bytes.size()) {
            stream.resize(offset + bytes.size());
        }
        std::copy(bytes.begin(), bytes.end(), stream.begin() + static_cast<ptrdiff_t>(offset));
        return true;
    }

    struct Piece {
        uint64_t offset;
        size_t size;
    };
    std::vector<Piece> writes;
    std::vector<uint8_t> stream;

  private:
    uint64_t limit_;
};

TEST(CompressorTest, StreamsArriveInOrderInBoundedPieces) {
    // Long enough for a stream of several pieces at every level.
    std::vector<uint8_t> input = Random(300000, 11);
    for (int level : {MinLevel, DefaultLevel, MaxLevel}) {
        RecordingSink sink(UINT64_MAX);
        std::optional<uint64_t> length = CompressEntry(input, level, sink);
        ASSERT_TRUE(length) << level;
        ASSERT_GT(sink.writes.size(), 2u) << level;
        // Every pass writes its pieces back to back from offset 0; the last
        // pass is the stream.
        uint64_t next = 0;
        for (const RecordingSink::Piece& piece : sink.writes) {
            EXPECT_TRUE(piece.offset == next || piece.offset == 0) << level;
            EXPECT_LE(piece.size, size_t{1} << 16) << level;
            next = piece.offset + piece.size;
        }
        EXPECT_EQ(next, *length) << level;
        sink.stream.resize(*length);
        EXPECT_EQ(sink.stream, CompressEntry(input, level)) << level;
        Expanded e = Expand(sink.stream, input.size(), 0);
        EXPECT_EQ(e.result.status, ExpandOk) << level;
        EXPECT_TRUE(e.bytes == input) << level;
    }
}

TEST(CompressorTest, ARefusingSinkStopsTheStream) {
    // The sink refuses once the stream reaches the input's size, as a
    // writer does that stores what does not shrink.
    struct Case {
        const char* name;
        std::vector<uint8_t> input;
        bool fits;
    };
    const Case cases[] = {
        {"noise, refused in the middle", Random(300000, 12), false},
        {"small noise, refused at the end", Random(3000, 13), false},
        {"text", Text(300000, 14), true},
    };
    for (const Case& c : cases) {
        for (int level : {MinLevel, DefaultLevel, MaxLevel}) {
            RecordingSink sink(c.input.size());
            std::optional<uint64_t> length = CompressEntry(c.input, level, sink);
            EXPECT_EQ(length.has_value(), c.fits) << c.name << " level " << level;
            // After a refusal nothing more of that stream arrives; only the
            // smallest level may start another one from the beginning.
            for (size_t i = 1; i < sink.writes.size(); ++i) {
                const RecordingSink::Piece& before = sink.writes[i - 1];
                if (before.offset + before.size >= c.input.size()) {
                    EXPECT_EQ(level, MaxLevel) << c.name;
                    EXPECT_EQ(sink.writes[i].offset, 0u) << c.name << " level " << level;
                }
            }
        }
    }
}

TEST(CompressorTest, ProgressRisesToTheInputSize) {
    std::vector<uint8_t> input = Text(3 << 20, 15);
    for (int level : {MinLevel, DefaultLevel, MaxLevel}) {
        RecordingSink sink(UINT64_MAX);
        std::vector<uint64_t> done;
        CompressEntry(input, level, sink, [&](uint64_t part, uint64_t total) {
            EXPECT_EQ(total, input.size()) << level;
            done.push_back(part);
        });
        ASSERT_FALSE(done.empty()) << level;
        EXPECT_TRUE(std::is_sorted(done.begin(), done.end())) << level;
        EXPECT_LE(done.back(), input.size()) << level;
        // Reported at least once per MiB, so the last report is close.
        EXPECT_GE(done.back() + (1 << 20), input.size()) << level;
    }
}

TEST(CompressorTest, EmptyInputGivesAnEmptyStream) {
    EXPECT_TRUE(CompressEntry({}, DefaultLevel).empty());
}

TEST(CompressorTest, LevelsOutsideTheRangeAreClamped) {
    std::vector<uint8_t> input = Text(5000, 10);
    EXPECT_EQ(CompressEntry(input, 0), CompressEntry(input, MinLevel));
    EXPECT_EQ(CompressEntry(input, 42), CompressEntry(input, MaxLevel));
}

TEST(CompressorTest, TheSmallestLevelNeverLosesToGreedy) {
    for (const Shape& shape : Shapes()) {
        std::vector<uint8_t> input = shape.make();
        size_t greedy = CompressEntry(input, MinLevel).size();
        size_t best = CompressEntry(input, MaxLevel).size();
        EXPECT_LE(best, greedy) << shape.name;
    }
}

TEST(CompressorTest, CompressibleShapesShrink) {
    // A sanity bound on the parsers: repetitive data compresses well at
    // every level, and incompressible data grows only by its code overhead.
    std::vector<uint8_t> run(100000, 0xAB);
    std::vector<uint8_t> text = Text(80000, 2);
    std::vector<uint8_t> noise = Random(30000, 3);
    for (int level = MinLevel; level <= MaxLevel; ++level) {
        // Copies of at most 30 bytes with a 9-bit distance bound the ratio.
        EXPECT_LT(CompressEntry(run, level).size(), run.size() / 20) << level;
        EXPECT_LT(CompressEntry(text, level).size(), text.size() / 3) << level;
        EXPECT_LT(CompressEntry(noise, level).size(), noise.size() + noise.size() / 8) << level;
    }
}

}  // namespace
