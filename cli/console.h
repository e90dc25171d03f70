// What the commands share about talking to the user: exit codes, error
// messages, number formatting and the progress display.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace veltrane::cli {

constexpr int ExitOk = 0;
constexpr int ExitUsage = 1;    // the command line is wrong
constexpr int ExitDamaged = 2;  // damaged or unsupported input, or an I/O error

// Prints "veltrane: MESSAGE" to stderr.
void PrintError(std::string_view message);
// Prints "veltrane: warning: MESSAGE" to stderr.
void PrintWarning(std::string_view message);

// Decimal with ',' between groups of three digits: 1,234,567.
std::string Thousands(uint64_t value);

// The text with control characters shown as \xNN, safe to print on a
// terminal whatever an installer holds.
std::string Printable(std::string_view text);

// A JSON string literal of UTF-8 text; bytes that are not valid UTF-8 become
// U+FFFD.
std::string JsonString(std::string_view text);

// A one-line progress display on stderr, shown only when stderr is a
// terminal, the user did not ask for quiet, and the work is long.
class Progress {
  public:
    explicit Progress(bool quiet);
    ~Progress();
    void Update(std::string_view what, uint64_t done, uint64_t total);
    // Removes the line, if one is shown.
    void Clear();

  private:
    bool enabled_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point last_{};
};

}  // namespace veltrane::cli
