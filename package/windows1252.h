// Conversion between UTF-8 (the tool's command line, project files and
// output) and Windows-1252 (the single-byte text the installer holds).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace veltrane {

// The Windows-1252 bytes of a UTF-8 text; nullopt when the text is not valid
// UTF-8 or holds a character Windows-1252 cannot represent.
std::optional<std::string> Utf8ToWindows1252(std::string_view utf8);

// The UTF-8 form of Windows-1252 bytes. The five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the control characters of
// the same value, as Windows maps them.
std::string Windows1252ToUtf8(std::string_view bytes);

}  // namespace veltrane
