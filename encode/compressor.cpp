// Levels: which parser and how hard the match finder looks.
#include "encode/compressor.h"

#include <algorithm>
#include <cstring>

#include "encode/history.h"
#include "encode/parsers.h"

namespace {

enum class Parser { Greedy, Lazy, Optimal };

struct LevelSettings {
    Parser parser;
    int maxChain;
};

constexpr LevelSettings Levels[] = {
    {Parser::Greedy, 4},   {Parser::Greedy, 16},   {Parser::Greedy, 64},
    {Parser::Lazy, 16},    {Parser::Lazy, 64},     {Parser::Lazy, 256},
    {Parser::Optimal, 64}, {Parser::Optimal, 256}, {Parser::Optimal, 1024},
};

constexpr int OptimalHorizon = 2048;
constexpr int OptimalCommit = 1024;

// Runs one parse into sink (nullptr: measure only); the stream's length, or
// nullopt when the sink stopped it.
std::optional<uint64_t> Run(const History& history, LevelSettings settings, CompressedSink* sink) {
    EntryEncoder encoder(sink);
    switch (settings.parser) {
        case Parser::Greedy:
            GreedyParse(history, settings.maxChain, encoder);
            break;
        case Parser::Lazy:
            LazyParse(history, settings.maxChain, encoder);
            break;
        case Parser::Optimal:
            OptimalParse(history, settings.maxChain, OptimalHorizon, OptimalCommit, encoder);
            break;
    }
    if (!encoder.Finish()) {
        return std::nullopt;
    }
    return encoder.ByteCount();
}

class VectorSink final : public CompressedSink {
  public:
    bool Write(uint64_t offset, std::span<const uint8_t> bytes) override {
        if (bytes_.size() < offset + bytes.size()) {
            bytes_.resize(offset + bytes.size());
        }
        std::memcpy(bytes_.data() + offset, bytes.data(), bytes.size());
        return true;
    }

    std::vector<uint8_t> Take(uint64_t length) {
        bytes_.resize(length);
        return std::move(bytes_);
    }

  private:
    std::vector<uint8_t> bytes_;
};

}  // namespace

std::optional<uint64_t> CompressEntry(std::span<const uint8_t> input, int level,
                                      CompressedSink& sink) {
    if (input.empty()) {
        return 0;
    }
    level = std::clamp(level, MinLevel, MaxLevel);
    const History history(input);
    const LevelSettings settings = Levels[level - 1];
    if (level != MaxLevel) {
        return Run(history, settings, &sink);
    }
    // The adaptive code can make a parse that looked cheaper come out
    // longer; the smallest level never loses to the simpler parsers. They
    // are measured first, the optimal parse is written, and the first of
    // them that beats it is written over it.
    const LevelSettings others[] = {
        Levels[0], {Parser::Greedy, settings.maxChain}, {Parser::Lazy, settings.maxChain}};
    const LevelSettings* cheapest = nullptr;
    uint64_t cheapestLength = 0;
    for (const LevelSettings& other : others) {
        const uint64_t length = *Run(history, other, nullptr);
        if (cheapest == nullptr || length < cheapestLength) {
            cheapest = &other;
            cheapestLength = length;
        }
    }
    std::optional<uint64_t> best = Run(history, settings, &sink);
    if (best && *best <= cheapestLength) {
        return best;
    }
    return Run(history, *cheapest, &sink);
}

std::vector<uint8_t> CompressEntry(std::span<const uint8_t> input, int level) {
    VectorSink sink;
    std::optional<uint64_t> length = CompressEntry(input, level, sink);
    return sink.Take(length.value_or(0));
}
