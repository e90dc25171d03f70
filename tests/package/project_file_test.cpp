// The project file of pack.
#include "package/project_file.h"

#include <gtest/gtest.h>

namespace veltrane {
namespace {

TEST(ProjectFile, ReadsEveryKey) {
    auto project = ParseProjectFile(
        "# a comment\n"
        "name = Sea World  \n"
        "\n"
        "output = out/sea.exe\n"
        "stub=/abs/stub.exe\n"
        "first-number = 9\r\n"
        "compression = compressed\n"
        "level = 3\n"
        "saver = sea.scr\n"
        "data = sea.dat\n"
        "file = a.jpeg\n"
        "extension = .JPG\n"
        "file = b.bmp\n",
        "/proj");
    ASSERT_TRUE(project) << project.error;
    EXPECT_EQ(project->name, "Sea World");
    EXPECT_EQ(project->output, std::filesystem::path("/proj/out/sea.exe"));
    EXPECT_EQ(project->stub, std::filesystem::path("/abs/stub.exe"));
    EXPECT_EQ(project->firstNumber, 9);
    EXPECT_EQ(project->compression, "compressed");
    EXPECT_EQ(project->level, 3);
    EXPECT_EQ(project->saver, std::filesystem::path("/proj/sea.scr"));
    ASSERT_EQ(project->files.size(), 2u);
    EXPECT_EQ(project->files[0].extension, ".JPG");
    EXPECT_FALSE(project->files[1].extension.has_value());
}

TEST(ProjectFile, ErrorsNameTheLine) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"name Sea", "line 1: expected"},
        {"name = a\nname = b", "line 2: \"name\" given twice"},
        {"colour = red", "unknown key \"colour\""},
        {"first-number = 65536", "first-number"},
        {"first-number = -1", "first-number"},
        {"level = 0", "level"},
        {"level = 10", "level"},
        {"compression = fast", "compression"},
        {"extension = .x", "must follow a \"file\""},
        {"saver = s\ndata = d\nfile = f\nextension = .a\nextension = .b", "line 5"},
        {"saver = s\nfile = f", "need a data file"},
        {"data = d", "needs a saver"},
        {"output =", "has no value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        auto project = ParseProjectFile(c.text, "/p");
        ASSERT_FALSE(project);
        EXPECT_NE(project.error.find(c.message), std::string::npos) << project.error;
    }
}

}  // namespace
}  // namespace veltrane
