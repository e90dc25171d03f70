// Target names of the catalogue entries.
#include "package/target_names.h"

#include <cstdio>

#include "package/windows1252.h"

namespace veltrane {

EntryRole RoleOfEntry(uint32_t index) {
    return index == 0   ? EntryRole::Saver
           : index == 1 ? EntryRole::DataFile
                        : EntryRole::NumberedFile;
}

const char* RoleName(EntryRole role) {
    switch (role) {
        case EntryRole::Saver:
            return "saver";
        case EntryRole::DataFile:
            return "data file";
        case EntryRole::NumberedFile:
            return "numbered file";
    }
    return "?";
}

std::string UpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::string SaverFileName(std::string_view installerFileName) {
    std::string_view base = installerFileName.substr(0, installerFileName.find('.'));
    return UpperAscii(base) + ".SCR";
}

std::string FolderBase(std::string_view installerFileName) {
    size_t dot = installerFileName.rfind('.');
    return std::string(dot == std::string_view::npos ? installerFileName
                                                     : installerFileName.substr(0, dot));
}

uint32_t FileNumber(uint32_t index, uint16_t firstFileNumber) {
    return index + firstFileNumber - 2;
}

std::string NumberText(uint32_t number) {
    char text[16];
    std::snprintf(text, sizeof text, "%04u", static_cast<unsigned>(number));
    return text;
}

std::string ExtensionText(const PayloadEntry& entry) {
    return std::string(reinterpret_cast<const char*>(entry.extension), ExtensionLength(&entry));
}

std::string EntryFileName(std::string_view installerFileName, uint32_t index,
                          uint16_t firstFileNumber, const PayloadEntry& entry) {
    switch (RoleOfEntry(index)) {
        case EntryRole::Saver:
            return SaverFileName(installerFileName);
        case EntryRole::DataFile:
            return FolderBase(installerFileName) + ".DAT";
        case EntryRole::NumberedFile:
            return "FILE" + NumberText(FileNumber(index, firstFileNumber)) +
                   Windows1252ToUtf8(ExtensionText(entry));
    }
    return {};
}

std::string EntryRelativePath(std::string_view installerFileName, uint32_t index,
                              uint16_t firstFileNumber, const PayloadEntry& entry) {
    std::string name = EntryFileName(installerFileName, index, firstFileNumber, entry);
    if (index == 0)
        return name;
    return FolderBase(installerFileName) + "/" + name;
}

std::optional<std::string> WindowsNameProblem(std::string_view name) {
    if (name.empty())
        return "an empty name";
    if (name == "." || name == "..")
        return "a name of dots only";
    if (name.back() == '.' || name.back() == ' ')
        return "a name ending in a dot or a space";
    // Device names are reserved whatever extension follows them.
    std::string stem = UpperAscii(name.substr(0, name.find('.')));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    static const char* const devices[] = {"CON", "PRN", "AUX", "NUL"};
    for (const char* device : devices)
        if (stem == device)
            return "the reserved device name " + stem;
    if (stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) &&
        stem[3] >= '1' && stem[3] <= '9')
        return "the reserved device name " + stem;
    return std::nullopt;
}

std::string CaseKey(std::string_view name) {
    std::string out(name);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

}  // namespace veltrane
