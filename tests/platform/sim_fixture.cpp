// Fresh simulations and installer files for the stub's tests.
#include "sim_fixture.h"

#include <pe_fixture.h>

#include "app/program_state.h"

#ifdef VELTRANE_HAVE_ENCODER
#include "encode/compressor.h"
#endif

namespace stubtest {

std::vector<uint8_t> PatternBytes(size_t size, uint32_t seed) {
    std::vector<uint8_t> bytes(size);
    uint32_t state = seed * 2654435761u + 1;
    for (size_t i = 0; i < size; ++i) {
        state = state * 1103515245u + 12345u;
        // Every other stretch of 64 bytes repeats a short cycle.
        bytes[i] =
            (i / 64) % 2 ? static_cast<uint8_t>('a' + i % 7) : static_cast<uint8_t>(state >> 16);
    }
    return bytes;
}

bool CanCompress() {
#ifdef VELTRANE_HAVE_ENCODER
    return true;
#else
    return false;
#endif
}

std::vector<uint8_t> BuildInstaller(const std::string& displayName, uint16_t firstFileNumber,
                                    const std::vector<InstallerFile>& files) {
    fixture::PeImage image = fixture::MakePe();
    std::vector<fixture::FixtureEntry> entries;
    for (const auto& file : files) {
        fixture::FixtureEntry entry;
        entry.extension = file.extension;
        if (file.compressed) {
#ifdef VELTRANE_HAVE_ENCODER
            entry.stored = CompressEntry(file.content);
            entry.expandedLength = static_cast<uint32_t>(file.content.size());
#else
            ADD_FAILURE() << "compressed entries need the compressor";
#endif
        } else {
            entry.stored = file.content;
        }
        entries.push_back(entry);
    }
    fixture::WritePayload(image, displayName, firstFileNumber, entries);
    return image.bytes;
}

size_t RecordOffset(const std::vector<uint8_t>&, uint32_t index) {
    return fixture::MakePe().markerData + 34 + 16 * static_cast<size_t>(index);
}

void SimTest::SetUp() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name)
        if (c == '/')
            c = '_';
    root = std::filesystem::path(::testing::TempDir()) / ("veltrane-sim-" + name);
    std::filesystem::remove_all(root);
    sim::Reset(root);
    ResetProgramState();
    appInstance = GetModuleHandleA(nullptr);
}

void SimTest::TearDown() {
    EXPECT_EQ(Sim().openHandles, 0) << "file handles left open";
    EXPECT_EQ(Sim().liveAllocations, 0) << "memory left allocated";
    sim::Reset(root);
    std::filesystem::remove_all(root);
}

void SimTest::InstallInstaller(const std::string& displayName, uint16_t firstFileNumber,
                               const std::vector<InstallerFile>& files) {
    sim::WriteModule(BuildInstaller(displayName, firstFileNumber, files));
}

}  // namespace stubtest
