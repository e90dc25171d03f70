// Command-line scanning: option forms, values, "--" and the usage errors.
#include "cli/arguments.h"

#include <gtest/gtest.h>

namespace veltrane::cli {
namespace {

const std::vector<OptionSpec> Specs = {
    {"output", 'o', true}, {"quiet", 'q', false}, {"json", 0, false}};

std::string Scan(const std::vector<std::string>& args) {
    auto scanned = ScanArguments(args, Specs);
    if (!scanned)
        return "error: " + scanned.error;
    std::string out;
    for (const Argument& a : *scanned)
        out += a.isOption ? "[" + a.name + "=" + a.value + "]" : "<" + a.value + ">";
    return out;
}

TEST(Arguments, Forms) {
    struct Case {
        std::vector<std::string> args;
        const char* scanned;
    };
    const Case cases[] = {
        {{"-o", "a.exe", "x"}, "[output=a.exe]<x>"},
        {{"-oa.exe"}, "[output=a.exe]"},
        {{"--output", "a.exe"}, "[output=a.exe]"},
        {{"--output=a.exe"}, "[output=a.exe]"},
        {{"--output="}, "[output=]"},
        {{"-o", "-q"}, "[output=-q]"},         // a value may look like an option
        {{"x", "-q", "y"}, "<x>[quiet=]<y>"},  // order is kept
        {{"--", "-q", "--json"}, "<-q><--json>"},
        {{"-"}, "<->"},
        {{"-o", "a", "-o", "b"}, "[output=a][output=b]"},  // the command judges repeats
        {{"-x"}, "error: unknown option -x"},
        {{"--out"}, "error: unknown option --out"},
        {{"-o"}, "error: option --output needs a value"},
        {{"--json=1"}, "error: option --json takes no value"},
        {{"-qq"}, "error: option -q takes no value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        EXPECT_EQ(Scan(c.args), c.scanned);
    }
}

}  // namespace
}  // namespace veltrane::cli
