// Command-line scanning shared by the commands: long options with "=value"
// or a separate value, short options with an attached or separate value,
// "--" to end the options, everything else positional, all kept in order.
#pragma once

#include <string>
#include <vector>

#include "support/result.h"

namespace veltrane::cli {

struct OptionSpec {
    const char* longName;  // without "--"
    char shortName;        // 0 for none
    bool takesValue;
};

struct Argument {
    bool isOption = false;
    std::string name;   // an option's long name; empty for a positional
    std::string value;  // the option's value, or the positional itself
};

// Scans `args` (without the program and command names). Fails with a usage
// message on an unknown option, a missing value, or a value given to a flag.
Result<std::vector<Argument>> ScanArguments(const std::vector<std::string>& args,
                                            const std::vector<OptionSpec>& specs);

}  // namespace veltrane::cli
