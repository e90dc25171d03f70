// The block streams: block sizes on both sides, exact output length, and
// the failures of the source and the sink.
#include "decode/block_streams.h"

#include <gtest/gtest.h>

#include <memory>

#include "stream_fixtures.h"

namespace {

std::unique_ptr<OutputStream> FreshOutput() {
    auto output = std::make_unique<OutputStream>();
    ResetOutputStream(*output);
    return output;
}

std::unique_ptr<InputStream> FreshInput() {
    auto input = std::make_unique<InputStream>();
    ResetInputStream(*input);
    return input;
}

uint8_t PatternByte(size_t i) {
    return static_cast<uint8_t>(i * 7 + i / 251);
}

struct BlockCase {
    uint32_t length;
    std::vector<int32_t> blocks;
};

TEST(WritePtrTest, LastBlockIsWrittenByTheLastByte) {
    const BlockCase cases[] = {
        {1, {1}},
        {16384, {16384}},
        {16385, {16384, 1}},
        {40000, {16384, 16384, 7232}},
    };
    for (const auto& c : cases) {
        auto output = FreshOutput();
        fixtures::RecordingSink sink;
        ByteSink s = sink.Sink();
        for (uint32_t i = 0; i < c.length; ++i) {
            ASSERT_EQ(WritePtr(*output, s, PatternByte(i), c.length), 1);
            if (i + 1 < c.length) {
                EXPECT_LT(sink.data.size(), c.length) << "written before the last byte";
            }
        }
        EXPECT_EQ(sink.writes, c.blocks) << c.length;
        ASSERT_EQ(sink.data.size(), c.length);
        for (uint32_t i = 0; i < c.length; ++i) {
            ASSERT_EQ(sink.data[i], PatternByte(i)) << i;
        }
        EXPECT_EQ(output->writeFill, 0);
    }
}

TEST(WritePtrTest, BytesPastTheLengthNeverReachTheSink) {
    // A final copy that runs 12 bytes past an entry of 5.
    const uint32_t lengths[] = {5, 30, 16384};
    for (uint32_t length : lengths) {
        auto output = FreshOutput();
        fixtures::RecordingSink sink;
        ByteSink s = sink.Sink();
        for (uint32_t i = 0; i < length + 29; ++i) {
            EXPECT_EQ(WritePtr(*output, s, 'x', length), 1);
        }
        EXPECT_EQ(sink.data.size(), length);
    }
}

TEST(WritePtrTest, ShortWriteFailsAndStaysFailed) {
    auto output = FreshOutput();
    fixtures::RecordingSink sink;
    sink.capacity = 16384 + 100;
    ByteSink s = sink.Sink();
    const uint32_t length = 50000;
    std::vector<int> results;
    for (uint32_t i = 0; i < length; ++i) {
        results.push_back(WritePtr(*output, s, 'y', length));
    }
    EXPECT_EQ(results[16383], 1);
    EXPECT_EQ(results[32767], 0);
    EXPECT_EQ(results[49151], 0);  // the next block end fails as well
    EXPECT_EQ(sink.writes.size(), 2u) << "no write after the failed one";
}

TEST(ReadPtrTest, RefillsAskForWholeBlocksThenTheRest) {
    // The caller lowers storedRemaining by one per byte, as the bit reader
    // does; the reads ask for exactly the stored length in all.
    const uint32_t storedLengths[] = {1, 16384, 16385, 40000};
    for (uint32_t stored : storedLengths) {
        auto input = FreshInput();
        fixtures::RecordingSource source;
        for (uint32_t i = 0; i < stored + 50; ++i) {
            source.data.push_back(PatternByte(i));
        }
        ByteSource src = source.Source();
        for (uint32_t remaining = stored, i = 0; remaining != 0; --remaining, ++i) {
            ASSERT_EQ(ReadPtr(*input, src, remaining), PatternByte(i));
        }
        std::vector<int32_t> expected;
        for (uint32_t left = stored; left != 0;) {
            uint32_t n = std::min<uint32_t>(left, 16384);
            expected.push_back(static_cast<int32_t>(n));
            left -= n;
        }
        EXPECT_EQ(source.asked, expected) << stored;
        EXPECT_EQ(source.pos, stored);
        EXPECT_EQ(input->readStatus, ReadOk);
    }
}

TEST(ReadPtrTest, ShortReadsAreServedAndAskedAgain) {
    auto input = FreshInput();
    fixtures::RecordingSource source;
    for (uint32_t i = 0; i < 1000; ++i) {
        source.data.push_back(PatternByte(i));
    }
    source.maxChunk = 300;
    ByteSource src = source.Source();
    for (uint32_t remaining = 1000, i = 0; remaining != 0; --remaining, ++i) {
        ASSERT_EQ(ReadPtr(*input, src, remaining), PatternByte(i));
    }
    EXPECT_EQ(source.asked, (std::vector<int32_t>{1000, 700, 400, 100}));
    EXPECT_EQ(input->readStatus, ReadOk);
}

TEST(ReadPtrTest, SourceThatEndsOrFailsIsReportedNotRepeated) {
    struct Case {
        bool fail;
        int16_t status;
    };
    const Case cases[] = {{false, ReadEnded}, {true, ReadFailed}};
    for (const Case& c : cases) {
        auto input = FreshInput();
        fixtures::RecordingSource source;
        source.data = {1, 2, 3};
        ByteSource src = source.Source();
        EXPECT_EQ(ReadPtr(*input, src, 10), 1);
        EXPECT_EQ(ReadPtr(*input, src, 9), 2);
        EXPECT_EQ(ReadPtr(*input, src, 8), 3);
        source.fail = c.fail;
        EXPECT_EQ(ReadPtr(*input, src, 7), 0);
        EXPECT_EQ(ReadPtr(*input, src, 6), 0);
        EXPECT_EQ(input->readStatus, c.status);
    }
}

}  // namespace
