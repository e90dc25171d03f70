// Extraction's folder: confined, atomic, never following links.
#include "package/output_folder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "test_files.h"

namespace veltrane {
namespace {

using testfiles::ReadBytes;
using testfiles::TempDir;

Status Text(int fd, const std::string& text) {
    return ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size())
               ? Status::Ok()
               : Status::Fail("write");
}

std::string Contents(const std::filesystem::path& path) {
    std::vector<uint8_t> bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

TEST(OutputFolder, WritesAndCreatesFolders) {
    TempDir dir;
    auto root = OutputFolder::Open(dir / "a/b");
    ASSERT_TRUE(root) << root.error;
    auto sub = root->Subfolder("Sea.World");
    ASSERT_TRUE(sub) << sub.error;
    ASSERT_TRUE(sub->WriteFile("FILE0009.TMP", false, [](int fd) { return Text(fd, "hello"); }));
    EXPECT_EQ(Contents(dir / "a/b/Sea.World/FILE0009.TMP"), "hello");
    // A second open of an existing subfolder is fine.
    EXPECT_TRUE(root->Subfolder("Sea.World"));
    EXPECT_EQ(testfiles::ListTree(dir / "a/b"),
              (std::vector<std::string>{"Sea.World/", "Sea.World/FILE0009.TMP"}));
}

TEST(OutputFolder, ExistingFilesNeedOverwrite) {
    TempDir dir;
    auto root = OutputFolder::Open(dir.Path());
    ASSERT_TRUE(root);
    testfiles::WriteText(dir / "SEA.SCR", "old");
    Status refused = root->WriteFile("SEA.SCR", false, [](int fd) { return Text(fd, "new"); });
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error.find("--overwrite"), std::string::npos);
    EXPECT_EQ(Contents(dir / "SEA.SCR"), "old");
    ASSERT_TRUE(root->WriteFile("SEA.SCR", true, [](int fd) { return Text(fd, "new"); }));
    EXPECT_EQ(Contents(dir / "SEA.SCR"), "new");
    std::filesystem::create_directory(dir / "DIR.SCR");
    EXPECT_FALSE(root->WriteFile("DIR.SCR", true, [](int fd) { return Text(fd, "x"); }));
    EXPECT_EQ(testfiles::ListTree(dir.Path()), (std::vector<std::string>{"DIR.SCR/", "SEA.SCR"}));
}

TEST(OutputFolder, SymbolicLinksAreNeverFollowed) {
    TempDir dir;
    TempDir outside;
    testfiles::WriteText(outside / "victim", "keep");
    auto root = OutputFolder::Open(dir / "out");
    ASSERT_TRUE(root);
    std::filesystem::create_directory_symlink(outside.Path(), dir / "out/Sea");
    auto sub = root->Subfolder("Sea");
    ASSERT_FALSE(sub);
    EXPECT_NE(sub.error.find("symbolic link"), std::string::npos) << sub.error;

    // A link in a file's place: refused without --overwrite, replaced (not
    // written through) with it.
    std::filesystem::create_symlink(outside / "victim", dir / "out/SEA.SCR");
    EXPECT_FALSE(root->WriteFile("SEA.SCR", false, [](int fd) { return Text(fd, "new"); }));
    ASSERT_TRUE(root->WriteFile("SEA.SCR", true, [](int fd) { return Text(fd, "new"); }));
    EXPECT_FALSE(std::filesystem::is_symlink(dir / "out/SEA.SCR"));
    EXPECT_EQ(Contents(dir / "out/SEA.SCR"), "new");
    EXPECT_EQ(Contents(outside / "victim"), "keep");
    // A dangling link is no way out either.
    std::filesystem::create_symlink(outside / "created", dir / "out/NEW.SCR");
    EXPECT_FALSE(root->WriteFile("NEW.SCR", false, [](int fd) { return Text(fd, "x"); }));
    EXPECT_FALSE(std::filesystem::exists(outside / "created"));
}

TEST(OutputFolder, OnlyPlainNames) {
    TempDir dir;
    auto root = OutputFolder::Open(dir.Path());
    ASSERT_TRUE(root);
    for (const char* name : {"", ".", "..", "a/b", "../x", "/etc"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(root->Subfolder(name));
        EXPECT_FALSE(root->WriteFile(name, true, [](int fd) { return Text(fd, "x"); }));
    }
    EXPECT_TRUE(testfiles::ListTree(dir.Path()).empty());
}

TEST(OutputFolder, FailedFillLeavesNoFile) {
    TempDir dir;
    auto root = OutputFolder::Open(dir.Path());
    ASSERT_TRUE(root);
    testfiles::WriteText(dir / "KEEP", "old");
    for (bool overwrite : {false, true}) {
        Status failed = root->WriteFile(overwrite ? "KEEP" : "NEW", overwrite, [](int fd) {
            (void)Text(fd, "partial");
            return Status::Fail("damaged");
        });
        EXPECT_EQ(failed.error, "damaged");
    }
    EXPECT_EQ(testfiles::ListTree(dir.Path()), (std::vector<std::string>{"KEEP"}));
    EXPECT_EQ(Contents(dir / "KEEP"), "old");
}

}  // namespace
}  // namespace veltrane
