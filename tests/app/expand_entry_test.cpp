// Expansion of a compressed entry from the executable into a target file.
#include "decode/expand_entry.h"

#include <gtest/gtest.h>
#include <pe_fixture.h>

#include "app/program_state.h"
#include "decode/memory_io.h"
#include "decode/window_decoder.h"
#include "sim_fixture.h"

namespace {

using stubtest::SimTest;
using Bytes = std::vector<uint8_t>;

const char Target[] = "C:\\WINDOWS\\OUT.BIN";

// What the decoder makes of `stored` when it reads it from memory.
Bytes ExpandInMemory(const Bytes& stored, uint32_t expandedLength) {
    static ExpandState state;
    struct Collector {
        Bytes bytes;
        static int32_t Write(void* context, const uint8_t* buffer, int32_t count) {
            auto* self = static_cast<Collector*>(context);
            self->bytes.insert(self->bytes.end(), buffer, buffer + count);
            return count;
        }
    } collector;
    MemoryReader reader{stored.data(), static_cast<uint32_t>(stored.size()), 0};
    ResetInputStream(state.input);
    ResetOutputStream(state.output);
    ExpandStream(state, MemorySource(reader), ByteSink{Collector::Write, &collector},
                 expandedLength, static_cast<uint32_t>(stored.size()));
    return collector.bytes;
}

class ExpandEntryTest : public SimTest {
  protected:
    // Writes an installer whose single entry holds `stored` and returns the
    // entry's data offset.
    uint32_t WriteEntry(const Bytes& stored, uint32_t expandedLength) {
        fixture::PeImage image = fixture::MakePe();
        fixture::WritePayload(image, "x", 0, {{stored, expandedLength, ""}});
        sim::WriteModule(image.bytes);
        return static_cast<uint32_t>(image.bytes.size() - stored.size());
    }
};

TEST_F(ExpandEntryTest, ExpandsCompressedContentExactly) {
    if (!stubtest::CanCompress())
        GTEST_SKIP() << "needs the compressor";
    for (size_t size : {size_t{1}, size_t{16384}, size_t{16385}, size_t{50000}}) {
        Bytes content = stubtest::PatternBytes(size, static_cast<uint32_t>(size));
        Bytes installer = stubtest::BuildInstaller("x", 0, {{content, true, ""}});
        sim::WriteModule(installer);
        fixture::PeImage image = fixture::MakePe();
        uint32_t dataOffset = image.markerData + 34 + 32;
        uint32_t storedLength = static_cast<uint32_t>(installer.size() - dataOffset);
        EXPECT_EQ(
            ExpandEntry(appInstance, dataOffset, static_cast<uint32_t>(size), storedLength, Target),
            1);
        EXPECT_EQ(sim::ReadFile(Target), content) << size;
    }
}

TEST_F(ExpandEntryTest, FileExpansionMatchesTheDecoderInMemory) {
    // Any bytes decode to something; the file-backed run must give the same.
    Bytes stored = stubtest::PatternBytes(20000, 3);
    uint32_t dataOffset = WriteEntry(stored, 40000);
    EXPECT_EQ(ExpandEntry(appInstance, dataOffset, 40000, 20000, Target), 1);
    EXPECT_EQ(sim::ReadFile(Target), ExpandInMemory(stored, 40000));
}

TEST_F(ExpandEntryTest, EmptyEntryCreatesAnEmptyFile) {
    uint32_t dataOffset = WriteEntry(Bytes{1, 2, 3}, 0);
    EXPECT_EQ(ExpandEntry(appInstance, dataOffset, 0, 3, Target), 1);
    EXPECT_EQ(sim::ReadFile(Target), Bytes{});
}

TEST_F(ExpandEntryTest, FailuresAreReportedAndCloseEverything) {
    struct Case {
        const char* what;
        void (*fault)(sim::State&, uint32_t dataOffset);
    };
    const Case cases[] = {
        {"module path unknown", [](sim::State& s, uint32_t) { s.moduleFileNameFails = true; }},
        {"executable cannot be opened", [](sim::State& s, uint32_t) { s.opensBeforeFailure = 0; }},
        {"target cannot be created",
         [](sim::State& s, uint32_t) { s.uncreatableFiles = {Target}; }},
        {"executable ends early",
         [](sim::State& s, uint32_t dataOffset) { s.readEndsAt = dataOffset + 17000; }},
        {"read fails",
         [](sim::State& s, uint32_t dataOffset) { s.readFailsAt = dataOffset + 100; }},
        {"disk full", [](sim::State& s, uint32_t) { s.diskFullAfterBytes = 20000; }},
    };
    Bytes stored = stubtest::PatternBytes(20000, 4);
    for (const Case& c : cases) {
        sim::Reset(root);
        uint32_t dataOffset = WriteEntry(stored, 40000);
        c.fault(Sim(), dataOffset);
        EXPECT_EQ(ExpandEntry(appInstance, dataOffset, 40000, 20000, Target), 0) << c.what;
        EXPECT_EQ(Sim().openHandles, 0) << c.what;
    }
}

}  // namespace
