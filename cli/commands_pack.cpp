// `veltrane pack`: writes an installer.
#include <cstdio>
#include <optional>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/console.h"
#include "package/installer_writer.h"
#include "package/project_file.h"

namespace veltrane::cli {

const char* const PackUsage =
    "Usage: veltrane pack -o OUT.exe [--stub STUB] --name NAME [--first-number N]\n"
    "                     [OPTIONS] SAVER.scr [DATA.dat [[--ext EXT] FILE ...]]\n"
    "       veltrane pack --project PROJECT [OPTIONS] [FILES ...]\n"
    "\n"
    "Writes an installer: the stub followed by the display name, the catalogue and\n"
    "the data of every file. The first file is the screen saver, the second the data\n"
    "file, every later one a numbered file whose extension (at most 4 characters,\n"
    "dot included) comes from its name or from --ext just before it.\n"
    "\n"
    "Options:\n"
    "  -o, --output OUT        the installer to write (replaced atomically)\n"
    "      --stub STUB         the stub (default: veltrane-stub.exe beside veltrane)\n"
    "      --name NAME         display name, at most 32 bytes in Windows-1252\n"
    "      --first-number N    number of the first numbered file, 0-65535 (default 0)\n"
    "      --ext EXT           extension of the next numbered file, e.g. .BMP\n"
    "      --level N           compression level, 1 fastest ... 9 smallest (default 6)\n"
    "      --stored            store every entry uncompressed\n"
    "      --compressed        compress every entry, even when it grows\n"
    "  -p, --project FILE      take settings and files from a project file; the\n"
    "                          command line overrides it, and files given on it\n"
    "                          replace the project's files\n"
    "  -q, --quiet             print nothing but errors\n"
    "  -h, --help              show this help\n"
    "\n"
    "Project file: one \"key = value\" per line, '#' starts a comment line. Keys:\n"
    "name, output, stub, first-number, compression (auto|stored|compressed), level,\n"
    "saver, data, file (repeatable, in order) and extension (for the file before).\n"
    "Relative paths count from the project file's folder.\n";

namespace {

int Usage(const std::string& message) {
    PrintError(message);
    std::fputs("Try 'veltrane pack --help'.\n", stderr);
    return ExitUsage;
}

}  // namespace

int RunPack(const std::vector<std::string>& args, const ToolContext& context) {
    const std::vector<OptionSpec> specs = {
        {"output", 'o', true},     {"stub", 0, true},        {"name", 0, true},
        {"first-number", 0, true}, {"ext", 0, true},         {"level", 0, true},
        {"stored", 0, false},      {"compressed", 0, false}, {"project", 'p', true},
        {"quiet", 'q', false},     {"help", 'h', false}};
    auto scanned = ScanArguments(args, specs);
    if (!scanned)
        return Usage(scanned.error);

    std::optional<std::string> name, firstNumber, level, output, stub, project, pendingExt;
    bool stored = false, compressed = false, quiet = false;
    struct FileArg {
        std::string path;
        std::optional<std::string> extension;
    };
    std::vector<FileArg> files;
    for (const Argument& a : *scanned) {
        if (!a.isOption) {
            files.push_back({a.value, pendingExt});
            pendingExt.reset();
            continue;
        }
        if (a.name == "help") {
            std::fputs(PackUsage, stdout);
            return ExitOk;
        }
        if (a.name == "stored")
            stored = true;
        else if (a.name == "compressed")
            compressed = true;
        else if (a.name == "quiet")
            quiet = true;
        else if (a.name == "ext") {
            if (pendingExt)
                return Usage("--ext given twice for one file");
            if (files.size() < 2)
                return Usage("--ext applies to numbered files, the third file on");
            pendingExt = a.value;
        } else {
            std::optional<std::string>* slot = a.name == "name"           ? &name
                                               : a.name == "first-number" ? &firstNumber
                                               : a.name == "level"        ? &level
                                               : a.name == "output"       ? &output
                                               : a.name == "stub"         ? &stub
                                                                          : &project;
            if (*slot)
                return Usage("option --" + a.name + " given twice");
            *slot = a.value;
        }
    }
    if (pendingExt)
        return Usage("--ext must come before the file it applies to");
    if (stored && compressed)
        return Usage("--stored and --compressed exclude each other");

    ProjectFile settings;
    if (project) {
        auto read = ReadProjectFile(*project);
        if (!read) {
            PrintError(read.error);
            return ExitUsage;
        }
        settings = std::move(*read);
    }

    PackRequest request;
    if (output)
        request.output = *output;
    else if (settings.output)
        request.output = *settings.output;
    else
        return Usage("no output given (-o OUT.exe)");
    if (stub)
        request.stub = *stub;
    else if (settings.stub)
        request.stub = *settings.stub;
    else
        request.stub = context.toolFolder / "veltrane-stub.exe";

    std::optional<std::string> displayName = name ? name : settings.name;
    if (!displayName)
        return Usage("no display name given (--name NAME)");
    auto encodedName = EncodeDisplayName(*displayName);
    if (!encodedName)
        return Usage(encodedName.error);
    request.displayName = *encodedName;

    if (firstNumber) {
        auto n = ParseNumber(*firstNumber, 0, 65535);
        if (!n)
            return Usage("--first-number must be a number from 0 to 65535");
        request.firstFileNumber = static_cast<uint16_t>(*n);
    } else if (settings.firstNumber) {
        request.firstFileNumber = *settings.firstNumber;
    }
    if (level) {
        auto n = ParseNumber(*level, 1, 9);
        if (!n)
            return Usage("--level must be a number from 1 to 9");
        request.level = static_cast<int>(*n);
    } else if (settings.level) {
        request.level = *settings.level;
    }
    std::string mode = stored       ? "stored"
                       : compressed ? "compressed"
                                    : settings.compression.value_or("auto");
    request.compression = mode == "stored"       ? Compression::Stored
                          : mode == "compressed" ? Compression::Compressed
                                                 : Compression::Auto;

    if (files.empty()) {
        if (settings.saver)
            files.push_back({settings.saver->string(), std::nullopt});
        if (settings.data)
            files.push_back({settings.data->string(), std::nullopt});
        for (const auto& f : settings.files) files.push_back({f.path.string(), f.extension});
    }
    if (files.empty())
        return Usage("no saver file given");
    for (size_t i = 0; i < files.size(); ++i) {
        PackInput input;
        input.path = files[i].path;
        if (i >= 2) {
            bool given = files[i].extension.has_value();
            std::string text = given ? *files[i].extension : ExtensionOfFileName(input.path);
            auto extension = EncodeExtension(text);
            if (!extension)
                return Usage(files[i].path + ": " + extension.error +
                             (given ? "" : "; give one with --ext"));
            input.extension = *extension;
        }
        request.inputs.push_back(std::move(input));
    }

    Progress progress(quiet);
    request.progress = [&](std::string_view what, uint64_t done, uint64_t total) {
        progress.Update(what, done, total);
    };
    auto packed = PackInstaller(request);
    progress.Clear();
    if (!packed) {
        PrintError(packed.error);
        return ExitDamaged;
    }
    if (!quiet) {
        uint64_t installed = 0;
        size_t compressedCount = 0;
        for (const PackedEntry& e : packed->entries) {
            installed += e.expandedLength;
            compressedCount += e.compressed ? 1 : 0;
        }
        std::printf("%s: %zu entries (%zu compressed), %s bytes installed, installer %s bytes\n",
                    request.output.c_str(), packed->entries.size(), compressedCount,
                    Thousands(installed).c_str(), Thousands(packed->installerSize).c_str());
        if (!packed->compressorAvailable && request.compression == Compression::Auto)
            PrintWarning("this build has no compressor; every entry was stored");
    }
    return ExitOk;
}

}  // namespace veltrane::cli
