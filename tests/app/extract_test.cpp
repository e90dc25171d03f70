// The extraction run: stored copies, compressed entries, targets, failures
// and the registration of the saver.
#include <gtest/gtest.h>
#include <pe_fixture.h>

#include "app/extract_dialog.h"
#include "app/program_state.h"
#include "app/target_names.h"
#include "payload/payload_reader.h"
#include "sim_fixture.h"

namespace {

using stubtest::InstallerFile;
using stubtest::SimTest;
using Bytes = std::vector<uint8_t>;

const char SaverPath[] = "C:\\WINDOWS\\SETUP.SCR";
const char DataFolder[] = "C:\\WINDOWS\\PELLIVAR\\VELTRANE\\setup";
const char DataFile[] = "C:\\WINDOWS\\PELLIVAR\\VELTRANE\\setup\\setup.DAT";

class ExtractTest : public SimTest {
  protected:
    void SetUp() override {
        SimTest::SetUp();
        Sim().modulePath = "C:\\INSTALL\\setup.exe";
        MakeSaverFileName(Sim().modulePath.c_str(), saverFileName);
    }
    void Write(const std::vector<InstallerFile>& files, uint16_t firstFileNumber = 9) {
        InstallInstaller("Name", firstFileNumber, files);
    }
    static std::string Numbered(const char* name) { return std::string(DataFolder) + "\\" + name; }
    void ExpectNoTemporaryFiles() {
        EXPECT_FALSE(sim::ReadFile("C:\\WINDOWS\\~VLT.TMP"));
        EXPECT_FALSE(sim::ReadFile(std::string(DataFolder) + "\\~VLT.TMP"));
    }
};

TEST_F(ExtractTest, EveryEntryGoesToItsTargetInOrder) {
    Bytes saver = stubtest::PatternBytes(3000, 1), data = stubtest::PatternBytes(10, 2);
    Bytes first = stubtest::PatternBytes(2048, 3), second = stubtest::PatternBytes(1, 4);
    Write({{saver}, {data}, {first, false, ".TMP"}, {second, false, ".TM"}});
    ExtractPayload();
    EXPECT_EQ(extraction.finished, 1);
    EXPECT_EQ(extraction.saverWritten, 1);
    EXPECT_STREQ(extraction.firstFailure, "");
    EXPECT_EQ(sim::ReadFile(SaverPath), saver);
    EXPECT_EQ(sim::ReadFile(DataFile), data);
    EXPECT_EQ(sim::ReadFile(Numbered("FILE0009.TMP")), first);
    EXPECT_EQ(sim::ReadFile(Numbered("FILE0010.TM")), second);
    EXPECT_EQ(sim::ListDirectory(DataFolder),
              (std::vector<std::string>{"FILE0009.TMP", "FILE0010.TM", "setup.DAT"}));
    ExpectNoTemporaryFiles();
}

TEST_F(ExtractTest, SmallCataloguesMakeNoDataFolder) {
    for (size_t count : {size_t{0}, size_t{1}}) {
        sim::Reset(root);
        Sim().modulePath = "C:\\INSTALL\\setup.exe";
        ResetProgramState();
        MakeSaverFileName(Sim().modulePath.c_str(), saverFileName);
        std::vector<InstallerFile> files(count, InstallerFile{Bytes{7}});
        Write(files);
        ExtractPayload();
        EXPECT_STREQ(extraction.firstFailure, "") << count;
        EXPECT_EQ(extraction.saverWritten, count == 1 ? 1 : 0);
        EXPECT_EQ(sim::ReadFile(SaverPath).has_value(), count == 1);
        EXPECT_EQ(GetFileAttributesA("C:\\WINDOWS\\PELLIVAR"), INVALID_FILE_ATTRIBUTES) << count;
    }
}

TEST_F(ExtractTest, CompressedEntryBetweenStoredOnesKeepsTheCatalogueWalk) {
    if (!stubtest::CanCompress())
        GTEST_SKIP() << "needs the compressor";
    Bytes saver = stubtest::PatternBytes(40000, 5), data = stubtest::PatternBytes(2049, 6);
    Bytes numbered = stubtest::PatternBytes(70000, 7);
    Write({{saver, false, ""},
           {data, true, ""},
           {numbered, false, ".BMP"},
           {Bytes{1, 2}, true, ".X"}});
    ExtractPayload();
    EXPECT_STREQ(extraction.firstFailure, "");
    EXPECT_EQ(sim::ReadFile(SaverPath), saver);
    EXPECT_EQ(sim::ReadFile(DataFile), data);
    EXPECT_EQ(sim::ReadFile(Numbered("FILE0009.BMP")), numbered);
    EXPECT_EQ(sim::ReadFile(Numbered("FILE0010.X")), (Bytes{1, 2}));
    ExpectNoTemporaryFiles();
}

TEST_F(ExtractTest, StoredCopiesTakeExactlyTheEntrysBytes) {
    for (size_t size :
         {size_t{1}, size_t{2047}, size_t{2048}, size_t{2049}, size_t{4096}, size_t{5000}}) {
        // The data behind the entry must not reach its file.
        Bytes content = stubtest::PatternBytes(size, static_cast<uint32_t>(size));
        Write({{content}, {Bytes(3000, 0xEE)}});
        ExtractPayload();
        EXPECT_EQ(sim::ReadFile(SaverPath), content) << size;
    }
}

TEST_F(ExtractTest, CopyStoredEntryReportsShortAndFailedCopies) {
    Bytes content = stubtest::PatternBytes(5000, 9);
    Write({{content}});
    HFILE payload = OpenPayload();
    ASSERT_NE(payload, HFILE_ERROR);
    uint32_t dataOffset = static_cast<uint32_t>(fixture::MakePe().markerData + 34 + 32);
    uint8_t buffer[CopyBufferSize];
    const char* target = "C:\\WINDOWS\\COPY.BIN";

    EXPECT_EQ(CopyStoredEntry(payload, dataOffset, 5000, buffer, target), 1);
    EXPECT_EQ(sim::ReadFile(target), content);

    // An entry that reaches past the end of the file: what there is arrives,
    // and the copy says it is incomplete.
    EXPECT_EQ(CopyStoredEntry(payload, dataOffset + 1000, 5000, buffer, target), 0);
    EXPECT_EQ(sim::ReadFile(target), Bytes(content.begin() + 1000, content.end()));

    Sim().readFailsAt = dataOffset + 3000;
    EXPECT_EQ(CopyStoredEntry(payload, dataOffset, 5000, buffer, target), 0);
    EXPECT_EQ(sim::ReadFile(target)->size(), 2048u);
    Sim().readFailsAt = -1;

    Sim().diskFullAfterBytes = Sim().bytesWritten + 100;
    EXPECT_EQ(CopyStoredEntry(payload, dataOffset, 5000, buffer, target), 0);
    Sim().diskFullAfterBytes = -1;

    Sim().uncreatableFiles = {target};
    EXPECT_EQ(CopyStoredEntry(payload, dataOffset, 5000, buffer, target), 0);
    _lclose(payload);
}

TEST_F(ExtractTest, FailedEntryIsNamedAndTheRunGoesOn) {
    Write({{Bytes{1}}, {Bytes{2}}, {Bytes{3}, false, ".A"}});
    Sim().uncreatableFiles = {DataFile};
    ExtractPayload();
    EXPECT_STREQ(extraction.firstFailure, DataFile);
    EXPECT_EQ(extraction.saverWritten, 1);
    EXPECT_EQ(sim::ReadFile(SaverPath), Bytes{1});
    EXPECT_FALSE(sim::ReadFile(DataFile));
    EXPECT_EQ(sim::ReadFile(Numbered("FILE0009.A")), Bytes{3});
    ExpectNoTemporaryFiles();
}

TEST_F(ExtractTest, FirstFailureIsKeptWhenMoreFollow) {
    Write({{Bytes{1}}, {Bytes{2}}, {Bytes{3}, false, ".A"}});
    Sim().uncreatableFiles = {SaverPath, Numbered("FILE0009.A")};
    ExtractPayload();
    EXPECT_STREQ(extraction.firstFailure, SaverPath);
    EXPECT_EQ(extraction.saverWritten, 0);
    EXPECT_EQ(sim::ReadFile(DataFile), Bytes{2});
}

TEST_F(ExtractTest, DiskFullKeepsTheFileThatWasToBeReplaced) {
    Bytes old = {'o', 'l', 'd'};
    sim::WriteFile(DataFile, old);
    sim::WriteFile(SaverPath, old);
    Write({{stubtest::PatternBytes(100, 1)}, {stubtest::PatternBytes(9000, 2)}});
    Sim().diskFullAfterBytes = 5000;
    ExtractPayload();
    EXPECT_STREQ(extraction.firstFailure, DataFile);
    EXPECT_EQ(sim::ReadFile(SaverPath), stubtest::PatternBytes(100, 1));
    EXPECT_EQ(sim::ReadFile(DataFile), old);
    ExpectNoTemporaryFiles();
}

TEST_F(ExtractTest, CompressedEntryThatFailsLeavesNoFile) {
    // Bytes that are no real compressed stream still decode; the write fails.
    Write({{Bytes{1}}, {stubtest::PatternBytes(3000, 8), false, ""}});
    fixture::PeImage image = fixture::MakePe();
    auto installer = *sim::ReadFile(Sim().modulePath);
    fixture::PutLe32(installer, image.markerData + 34 + 16 + 8, 100000);  // compressed now
    sim::WriteModule(installer);
    Sim().diskFullAfterBytes = 16384 + 1;
    ExtractPayload();
    EXPECT_STREQ(extraction.firstFailure, DataFile);
    EXPECT_FALSE(sim::ReadFile(DataFile));
    ExpectNoTemporaryFiles();
}

TEST_F(ExtractTest, RunThatCannotGoOnNamesWhatIsMissing) {
    struct Case {
        const char* what;
        void (*fault)(sim::State&);
        std::string failure;
        bool saver;
    };
    const Case cases[] = {
        {"payload cannot be opened", [](sim::State& s) { s.opensBeforeFailure = 0; }, SaverPath,
         false},
        {"no copy buffer", [](sim::State& s) { s.localAllocFails = true; }, SaverPath, false},
        // Run, expansion of entry 0, then the reopening fails.
        {"payload cannot be reopened", [](sim::State& s) { s.opensBeforeFailure = 2; }, DataFolder,
         true},
        // The data lies behind the catalogue, so the saver's is cut as well.
        {"file ends inside the catalogue",
         [](sim::State& s) { s.readEndsAt = fixture::MakePe().markerData + 34 + 16 + 8; },
         SaverPath, false},
    };
    for (const Case& c : cases) {
        sim::Reset(root);
        Sim().modulePath = "C:\\INSTALL\\setup.exe";
        ResetProgramState();
        MakeSaverFileName(Sim().modulePath.c_str(), saverFileName);
        Write({{stubtest::PatternBytes(100, 1)}, {Bytes{2}}});
        auto installer = *sim::ReadFile(Sim().modulePath);
        fixture::PutLe32(installer, fixture::MakePe().markerData + 34 + 8,
                         300);  // entry 0 compressed
        sim::WriteModule(installer);
        c.fault(Sim());
        ExtractPayload();
        EXPECT_EQ(extraction.finished, 1) << c.what;
        EXPECT_EQ(std::string(extraction.firstFailure), c.failure) << c.what;
        EXPECT_EQ(extraction.saverWritten, c.saver ? 1 : 0) << c.what;
        EXPECT_EQ(Sim().openHandles, 0) << c.what;
        EXPECT_EQ(Sim().liveAllocations, 0) << c.what;
    }
}

TEST_F(ExtractTest, TargetsTooLongForAPathFail) {
    Sim().modulePath = "C:\\I\\" + std::string(113, 'b') + ".exe";
    MakeSaverFileName(Sim().modulePath.c_str(), saverFileName);
    Write({{Bytes{1}}, {Bytes{2}}, {Bytes{3}, false, ".A"}});
    ExtractPayload();
    char folder[MAX_PATH];
    ASSERT_EQ(MakeDataFolderPath(folder), 1);
    std::string failure = extraction.firstFailure;
    EXPECT_EQ(failure.rfind(folder, 0), 0u) << failure;
    EXPECT_LE(failure.size(), 259u);
    EXPECT_EQ(extraction.saverWritten, 1);
    EXPECT_EQ(sim::ListDirectory(folder), (std::vector<std::string>{"FILE0009.A"}));
}

class RegisterTest : public ExtractTest {
  protected:
    void SetUp() override {
        ExtractTest::SetUp();
        Sim().modulePath = "C:\\INSTALL\\LongSaverName.exe";
        MakeSaverFileName(Sim().modulePath.c_str(), saverFileName);
        sim::WriteFile("C:\\WINDOWS\\LONGSAVERNAME.SCR", {1});
        extraction.saverWritten = 1;
    }
};

TEST_F(RegisterTest, ShortPathBecomesTheDefaultSaver) {
    RegisterDefaultSaver();
    EXPECT_EQ(sim::ReadIniValue("system.ini", "boot", "SCRNSAVE.EXE"), "C:\\WINDOWS\\LONGSA~1.SCR");
    ASSERT_EQ(Sim().parameterCalls.size(), 1u);
    EXPECT_EQ(Sim().parameterCalls[0].action, static_cast<UINT>(SPI_SETSCREENSAVEACTIVE));
    EXPECT_EQ(Sim().parameterCalls[0].param, 1u);
    EXPECT_EQ(Sim().parameterCalls[0].flags, static_cast<UINT>(SPIF_UPDATEINIFILE));
}

TEST_F(RegisterTest, LongPathStandsInWhenThereIsNoShortOne) {
    struct Case {
        bool fails;
        DWORD needs;
    };
    for (Case c : {Case{true, 0}, Case{false, 300}, Case{false, 261}}) {
        Sim().shortPathFails = c.fails;
        Sim().shortPathLength = c.needs;
        sim::SetWindowsDirectory("C:\\Windows");
        RegisterDefaultSaver();
        EXPECT_EQ(sim::ReadIniValue("system.ini", "boot", "SCRNSAVE.EXE"),
                  "C:\\Windows\\LONGSAVERNAME.SCR");
    }
}

TEST_F(RegisterTest, SaverThatWasNotWrittenIsNotRegistered) {
    extraction.saverWritten = 0;
    RegisterDefaultSaver();
    EXPECT_FALSE(sim::ReadIniValue("system.ini", "boot", "SCRNSAVE.EXE"));
    EXPECT_TRUE(Sim().parameterCalls.empty());
    extraction.saverWritten = 1;
    Sim().windowsDirectoryFails = true;
    RegisterDefaultSaver();
    EXPECT_TRUE(Sim().parameterCalls.empty());
}

}  // namespace
