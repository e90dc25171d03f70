// The commands of `veltrane`. Each takes the arguments behind its name and
// returns the process exit code (console.h).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace veltrane::cli {

struct ToolContext {
    std::filesystem::path toolFolder;  // where the veltrane binary lies; the default stub is there
};

int RunPack(const std::vector<std::string>& args, const ToolContext& context);
int RunList(const std::vector<std::string>& args);
int RunTest(const std::vector<std::string>& args);
int RunExtract(const std::vector<std::string>& args);

extern const char* const PackUsage;
extern const char* const ListUsage;
extern const char* const TestUsage;
extern const char* const ExtractUsage;

}  // namespace veltrane::cli
