// The free-space check and the free-space query.
#include "checks/free_space.h"

#include <gtest/gtest.h>
#include <pe_fixture.h>

#include <string>

#include "app/program_state.h"
#include "payload/payload_reader.h"
#include "sim_fixture.h"

namespace {

using stubtest::SimTest;
using Bytes = std::vector<uint8_t>;

std::string Warning(const std::string& required, const std::string& available) {
    return "Sie ben\xF6tigen zur Installation dieses Bildschirmschoners " + required +
           " kB freien Festplattenspeicher im Windows-Verzeichnis. Ihr Laufwerk hat aber " +
           available + " kB freien Speicher. Soll die Installation trotzdem fortgesetzt werden?";
}

class FreeSpaceTest : public SimTest {};

TEST_F(FreeSpaceTest, QueryPrefersTheCallersShareOfTheDrive) {
    struct Case {
        const char* what;
        bool kernelFails, hasEx, exFails, oldFails;
        unsigned long long freeToCaller;
        DWORD sectors, bytes, clusters;
        uint32_t kilobytes;
        std::vector<std::string> queries;
    };
    const Case cases[] = {
        {"extended query",
         false,
         true,
         false,
         false,
         5000ull * 1024 + 1023,
         8,
         512,
         1,
         5000,
         {"Ex:C:\\"}},
        {"no extended query", false, false, false, false, 0, 8, 512, 1000, 4000, {"Old:C:\\"}},
        {"no library", true, true, false, false, 0, 8, 512, 1000, 4000, {"Old:C:\\"}},
        {"extended query fails",
         false,
         true,
         true,
         false,
         0,
         8,
         512,
         1000,
         4000,
         {"Ex:C:\\", "Old:C:\\"}},
        {"both fail",
         false,
         true,
         true,
         true,
         0,
         8,
         512,
         1000,
         0xFFFFFFFFu,
         {"Ex:C:\\", "Old:C:\\"}},
        {"below a kilobyte", false, true, false, false, 1023, 0, 0, 0, 0, {"Ex:C:\\"}},
        // Cluster counts whose product passes 32 bits.
        {"large clusters",
         false,
         false,
         false,
         false,
         0,
         64,
         4096,
         0x00400000u,
         0x40000000u,
         {"Old:C:\\"}},
        // 4 TiB and more must not look small.
        {"4 TiB", false, true, false, false, 1ull << 42, 0, 0, 0, 0xFFFFFFFFu, {"Ex:C:\\"}},
        {"8 TiB + 1 KB",
         false,
         true,
         false,
         false,
         (1ull << 43) + 1024,
         0,
         0,
         0,
         0xFFFFFFFFu,
         {"Ex:C:\\"}},
        {"old query 16 TiB",
         false,
         false,
         false,
         false,
         0,
         128,
         4096,
         0xFFFFFFFFu,
         0xFFFFFFFFu,
         {"Old:C:\\"}},
    };
    for (const Case& c : cases) {
        sim::Reset(root);
        auto& s = Sim();
        s.kernelLoadFails = c.kernelFails;
        s.hasDiskFreeSpaceEx = c.hasEx;
        s.diskFreeSpaceExFails = c.exFails;
        s.diskFreeSpaceFails = c.oldFails;
        s.freeToCaller = c.freeToCaller;
        s.totalFree = c.freeToCaller + 999999999;
        s.sectorsPerCluster = c.sectors;
        s.bytesPerSector = c.bytes;
        s.freeClusters = c.clusters;
        EXPECT_EQ(QueryFreeKilobytes("C:\\WINDOWS"), c.kilobytes) << c.what;
        EXPECT_EQ(s.diskQueries, c.queries) << c.what;
        EXPECT_EQ(s.loadLibraryCount, s.freeLibraryCount) << c.what;
    }
}

TEST_F(FreeSpaceTest, QueryAsksForTheFolderHoldingTheDirectory) {
    struct Case {
        const char* directory;
        std::vector<std::string> queries;
    };
    std::string deep = "D:\\" + std::string(40, 'a') + "\\" + std::string(30, 'b');
    const Case cases[] = {
        {"E:\\WINDOWS", {"Ex:E:\\"}},
        {"D:\\SYS\\WIN", {"Ex:D:\\SYS\\"}},
        {"C:\\", {"Ex:C:\\"}},
        // Long directories are cut behind their last backslash all the same.
        {deep.c_str(), {"Ex:D:\\" + std::string(40, 'a') + "\\"}},
    };
    for (const Case& c : cases) {
        sim::Reset(root);
        sim::SetWindowsDirectory(c.directory);
        EXPECT_NE(QueryFreeKilobytes(c.directory), 0xFFFFFFFFu) << c.directory;
        EXPECT_EQ(Sim().diskQueries, c.queries) << c.directory;
    }
    sim::Reset(root);
    EXPECT_EQ(QueryFreeKilobytes("WINDOWS"), 0xFFFFFFFFu);
    EXPECT_TRUE(Sim().diskQueries.empty());
}

TEST_F(FreeSpaceTest, WarnsUnlessThereIsMoreRoomThanNeeded) {
    struct Case {
        uint32_t installedBytes;
        unsigned long long freeBytes;
        int answer;
        int result;
        std::string warning;  // empty: no warning
    };
    const Case cases[] = {
        {2097152, 2048ull * 1024, IDOK, 1, Warning("2,048", "2,048")},
        {2097152, 2049ull * 1024, IDOK, 1, ""},
        {1000, 1000, IDOK, 1, Warning("0", "0")},
        {1048575, 1023ull * 1024, IDOK, 1, Warning("1,023", "1,023")},
        {1048575, 1024ull * 1024, IDOK, 1, ""},
        {1234567u * 1024, 89012ull * 1024, IDOK, 1, Warning("1,234,567", "89,012")},
        {4096, 0, IDCANCEL, 0, Warning("4", "0")},
        {4096, 0, 0, 1, Warning("4", "0")},
    };
    for (const Case& c : cases) {
        sim::Reset(root);
        ResetProgramState();
        // One entry that counts with its expanded length; its data is small.
        fixture::PeImage image = fixture::MakePe();
        fixture::WritePayload(image, "Name", 0, {{Bytes(16, 0), c.installedBytes, ""}});
        sim::WriteModule(image.bytes);
        Sim().freeToCaller = c.freeBytes;
        Sim().messageBoxAnswers = {c.answer};
        EXPECT_EQ(CheckFreeSpace(), c.result) << c.installedBytes;
        EXPECT_EQ(requiredBytes, c.installedBytes);
        ASSERT_EQ(Sim().messageBoxes.size(), c.warning.empty() ? 0u : 1u) << c.installedBytes;
        if (!c.warning.empty()) {
            EXPECT_EQ(Sim().messageBoxes[0].caption, "Datentr\xE4ger voll");
            EXPECT_EQ(Sim().messageBoxes[0].text, c.warning);
            EXPECT_EQ(Sim().messageBoxes[0].style, 0x41u);
        }
    }
}

TEST_F(FreeSpaceTest, PassesWhenNothingCanBeMeasured) {
    struct Case {
        const char* what;
        void (*setup)(sim::State&);
        uint32_t required;
    };
    const Case cases[] = {
        {"no payload", [](sim::State& s) { s.opensBeforeFailure = 0; }, 0},
        {"Windows directory unknown", [](sim::State& s) { s.windowsDirectoryFails = true; }, 5000},
        {"both queries fail",
         [](sim::State& s) {
             s.diskFreeSpaceExFails = true;
             s.diskFreeSpaceFails = true;
         },
         5000},
    };
    for (const Case& c : cases) {
        sim::Reset(root);
        ResetProgramState();
        InstallInstaller("Name", 0, {{Bytes(5000, 0)}});
        Sim().freeToCaller = 0;
        c.setup(Sim());
        EXPECT_EQ(CheckFreeSpace(), 1) << c.what;
        EXPECT_EQ(requiredBytes, c.required) << c.what;
        EXPECT_TRUE(Sim().messageBoxes.empty()) << c.what;
    }
}

}  // namespace
