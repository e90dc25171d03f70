// Test fixture for the stub's logic over the simulated platform: a fresh
// simulation in a folder of its own for every test, fresh program state, and
// a builder of installer files whose payload holds given files.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/host/sim_control.h"

namespace stubtest {

// One file of a built installer. A compressed entry is stored in the
// compressed format and expands to `content`.
struct InstallerFile {
    InstallerFile(std::vector<uint8_t> bytes, bool compress = false, std::string extensionText = "")
        : content(std::move(bytes)), compressed(compress), extension(std::move(extensionText)) {}
    std::vector<uint8_t> content;
    bool compressed;
    std::string extension;
};

// Deterministic bytes for file contents: a simple generator from `seed`,
// mixed with runs so that the compressor finds matches.
std::vector<uint8_t> PatternBytes(size_t size, uint32_t seed);

// An installer file: a minimal PE image with the marker resource and, at its
// data, a payload with `displayName` (up to 32 bytes, zero-padded),
// `firstFileNumber` and the files in order.
std::vector<uint8_t> BuildInstaller(const std::string& displayName, uint16_t firstFileNumber,
                                    const std::vector<InstallerFile>& files);

// File offset of catalogue record `index` in an installer from BuildInstaller.
size_t RecordOffset(const std::vector<uint8_t>& installer, uint32_t index);

// Whether compressed entries can be built (the compressor is part of the build).
bool CanCompress();

class SimTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Writes an installer built from the arguments at the module path.
    void InstallInstaller(const std::string& displayName, uint16_t firstFileNumber,
                          const std::vector<InstallerFile>& files);

    sim::State& Sim() { return sim::Get(); }
    std::filesystem::path root;
};

}  // namespace stubtest
