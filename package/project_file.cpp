// Parsing of project files.
#include "package/project_file.h"

#include <fstream>
#include <set>
#include <sstream>

namespace veltrane {
namespace {

std::string_view Trim(std::string_view text) {
    size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string_view::npos)
        return {};
    size_t end = text.find_last_not_of(" \t\r");
    return text.substr(begin, end - begin + 1);
}

}  // namespace

std::optional<uint32_t> ParseNumber(std::string_view text, uint32_t low, uint32_t high) {
    if (text.empty() || text.size() > 10)
        return std::nullopt;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    if (value < low || value > high)
        return std::nullopt;
    return static_cast<uint32_t>(value);
}

Result<ProjectFile> ParseProjectFile(const std::string& text, const std::filesystem::path& folder) {
    using R = Result<ProjectFile>;
    ProjectFile project;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    bool lastWasFile = false;
    std::set<std::string> seen;
    auto path = [&](std::string_view value) {
        return folder / std::filesystem::path(std::string(value));
    };
    while (std::getline(lines, line)) {
        ++number;
        std::string where = "line " + std::to_string(number) + ": ";
        std::string_view content = Trim(line);
        if (content.empty() || content.front() == '#')
            continue;
        size_t equals = content.find('=');
        if (equals == std::string_view::npos)
            return R::Fail(where + "expected \"key = value\"");
        std::string key(Trim(content.substr(0, equals)));
        std::string_view value = Trim(content.substr(equals + 1));
        bool isFile = false;
        if (key == "extension") {
            if (!lastWasFile)
                return R::Fail(where + "\"extension\" must follow a \"file\" line");
            if (project.files.back().extension)
                return R::Fail(where + "\"extension\" given twice for one file");
            project.files.back().extension = std::string(value);
            continue;
        }
        if (value.empty())
            return R::Fail(where + "\"" + key + "\" has no value");
        if (key != "file" && !seen.insert(key).second)
            return R::Fail(where + "\"" + key + "\" given twice");
        if (key == "name") {
            project.name = std::string(value);
        } else if (key == "output") {
            project.output = path(value);
        } else if (key == "stub") {
            project.stub = path(value);
        } else if (key == "first-number") {
            auto n = ParseNumber(value, 0, 65535);
            if (!n)
                return R::Fail(where + "first-number must be a number from 0 to 65535");
            project.firstNumber = static_cast<uint16_t>(*n);
        } else if (key == "compression") {
            if (value != "auto" && value != "stored" && value != "compressed")
                return R::Fail(where + "compression must be auto, stored or compressed");
            project.compression = std::string(value);
        } else if (key == "level") {
            auto n = ParseNumber(value, 1, 9);
            if (!n)
                return R::Fail(where + "level must be a number from 1 to 9");
            project.level = static_cast<int>(*n);
        } else if (key == "saver") {
            project.saver = path(value);
        } else if (key == "data") {
            project.data = path(value);
        } else if (key == "file") {
            project.files.push_back({path(value), std::nullopt});
            isFile = true;
        } else {
            return R::Fail(where + "unknown key \"" + key + "\"");
        }
        lastWasFile = isFile;
    }
    if (!project.files.empty() && !project.data)
        return R::Fail("numbered files need a data file before them (\"data = ...\")");
    if (project.data && !project.saver)
        return R::Fail("a data file needs a saver file (\"saver = ...\")");
    return R::Ok(std::move(project));
}

Result<ProjectFile> ReadProjectFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return Result<ProjectFile>::Fail(path.string() + ": cannot open");
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad())
        return Result<ProjectFile>::Fail(path.string() + ": cannot read");
    auto project = ParseProjectFile(text.str(), path.parent_path());
    if (!project)
        return Result<ProjectFile>::Fail(path.string() + ": " + project.error);
    return project;
}

}  // namespace veltrane
