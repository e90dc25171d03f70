// Command-line scanning.
#include "cli/arguments.h"

namespace veltrane::cli {

Result<std::vector<Argument>> ScanArguments(const std::vector<std::string>& args,
                                            const std::vector<OptionSpec>& specs) {
    using R = Result<std::vector<Argument>>;
    std::vector<Argument> out;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            out.push_back({false, {}, arg});
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const OptionSpec* spec = nullptr;
        std::string value;
        bool hasValue = false;
        if (arg[1] == '-') {
            std::string name = arg.substr(2);
            size_t equals = name.find('=');
            if (equals != std::string::npos) {
                value = name.substr(equals + 1);
                name.resize(equals);
                hasValue = true;
            }
            for (const OptionSpec& s : specs)
                if (name == s.longName)
                    spec = &s;
            if (!spec)
                return R::Fail("unknown option --" + name);
        } else {
            for (const OptionSpec& s : specs)
                if (s.shortName != 0 && arg[1] == s.shortName)
                    spec = &s;
            if (!spec)
                return R::Fail(std::string("unknown option -") + arg[1]);
            if (arg.size() > 2) {
                if (!spec->takesValue)
                    return R::Fail(std::string("option -") + arg[1] + " takes no value");
                value = arg.substr(2);
                hasValue = true;
            }
        }
        if (spec->takesValue && !hasValue) {
            if (i + 1 >= args.size())
                return R::Fail(std::string("option --") + spec->longName + " needs a value");
            value = args[++i];
        } else if (!spec->takesValue && hasValue) {
            return R::Fail(std::string("option --") + spec->longName + " takes no value");
        }
        out.push_back({true, spec->longName, value});
    }
    return R::Ok(std::move(out));
}

}  // namespace veltrane::cli
