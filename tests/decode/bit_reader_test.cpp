// The bit reader: bit order, when it takes a byte, and what it does once
// the entry's stored bytes are used up.
#include "decode/bit_reader.h"

#include <gtest/gtest.h>

#include <memory>

#include "stream_fixtures.h"

namespace {

struct BitReaderTest : ::testing::Test {
    void SetUp() override {
        input = std::make_unique<InputStream>();
        ResetInputStream(*input);
    }
    void Start(std::vector<uint8_t> data, uint32_t storedLength) {
        recorder.data = std::move(data);
        source = recorder.Source();
        ResetBitReader(bits, storedLength);
    }
    fixtures::RecordingSource recorder;
    ByteSource source{};
    std::unique_ptr<InputStream> input;
    BitReader bits{};
};

TEST_F(BitReaderTest, BitsComeMostSignificantFirstInFileOrder) {
    Start({0xA5, 0x3C}, 2);
    std::string seen;
    for (int i = 0; i < 16; ++i) {
        seen += TakeBit(bits, *input, source) ? '1' : '0';
    }
    EXPECT_EQ(seen, "1010010100111100");
}

TEST_F(BitReaderTest, EightBitsAcrossAByteBoundary) {
    Start({0xA5, 0x3C}, 2);
    EXPECT_EQ(TakeBit(bits, *input, source), 1u);
    EXPECT_EQ(TakeBit(bits, *input, source), 0u);
    EXPECT_EQ(TakeEightBits(bits, *input, source), 0x94u);  // 100101 00
}

TEST_F(BitReaderTest, NineBitsHeldTakesNoByte) {
    Start({0xFF}, 1);
    bits.bitBuffer = 0xB380;  // 1011 0011 1
    bits.bitCount = 9;
    EXPECT_EQ(TakeEightBits(bits, *input, source), 0xB3u);
    EXPECT_EQ(bits.bitCount, 1);
    EXPECT_EQ(bits.bitBuffer, 0x8000);
    EXPECT_EQ(bits.storedRemaining, 1u);
    EXPECT_TRUE(recorder.asked.empty());
}

TEST_F(BitReaderTest, EightBitsHeldTakesOneByteFirst) {
    Start({0xC3}, 1);
    bits.bitBuffer = 0x5A00;
    bits.bitCount = 8;
    EXPECT_EQ(TakeEightBits(bits, *input, source), 0x5Au);
    EXPECT_EQ(bits.bitCount, 8);
    EXPECT_EQ(bits.bitBuffer, 0xC300);
    EXPECT_EQ(bits.storedRemaining, 0u);
    EXPECT_EQ(recorder.asked.size(), 1u);
}

TEST_F(BitReaderTest, NothingLeftGivesZeroBitsWithoutReading) {
    Start({0xFF, 0xFF}, 0);
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(TakeBit(bits, *input, source), 0u);
    }
    EXPECT_EQ(TakeEightBits(bits, *input, source), 0u);
    EXPECT_EQ(bits.storedRemaining, 0u);
    EXPECT_TRUE(recorder.asked.empty());
    EXPECT_TRUE(ReadBeyondStored(bits));
}

TEST_F(BitReaderTest, NeverTakesMoreThanTheStoredBytes) {
    Start({0x81, 0x42, 0xFF, 0xFF}, 2);
    std::string seen;
    for (int i = 0; i < 24; ++i) {
        seen += TakeBit(bits, *input, source) ? '1' : '0';
    }
    EXPECT_EQ(seen, "100000010100001000000000");
    EXPECT_EQ(recorder.pos, 2u);
}

TEST_F(BitReaderTest, ReadBeyondStoredCountsOnlyBitsTaken) {
    // One stored byte: after its 8 bits the refill has already added a
    // zero byte, but only taking one of those bits reaches beyond the data.
    Start({0xF0}, 1);
    for (int i = 0; i < 8; ++i) {
        TakeBit(bits, *input, source);
    }
    EXPECT_FALSE(ReadBeyondStored(bits));
    TakeBit(bits, *input, source);
    EXPECT_TRUE(ReadBeyondStored(bits));
}

}  // namespace
