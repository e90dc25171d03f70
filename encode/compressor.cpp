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
std::optional<uint64_t> Run(const History& history, LevelSettings settings, CompressedSink* sink,
                            std::function<void(uint64_t)> reached = {}) {
    EntryEncoder encoder(sink, std::move(reached));
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

// Progress over several parses of one input: each parse has a share of the
// work after its parser's rough cost per byte.
class PassProgress {
  public:
    PassProgress(const std::function<void(uint64_t, uint64_t)>& progress, uint64_t size,
                 std::span<const LevelSettings> passes)
        : progress_(progress), size_(size) {
        for (const LevelSettings& pass : passes) {
            total_ += Cost(pass);
        }
    }

    // The reporter for the next parse, of the given settings.
    std::function<void(uint64_t)> Next(LevelSettings settings) {
        if (!progress_) {
            return {};
        }
        const uint64_t before = done_;
        const uint64_t share = Cost(settings);
        done_ += share;
        return [this, before, share](uint64_t encoded) {
            const uint64_t units = before * size_ + share * encoded;
            progress_(units / total_, size_);
        };
    }

  private:
    static uint64_t Cost(LevelSettings settings) {
        switch (settings.parser) {
            case Parser::Greedy:
                return 1;
            case Parser::Lazy:
                return 2;
            case Parser::Optimal:
                return 6;
        }
        return 1;
    }

    const std::function<void(uint64_t, uint64_t)>& progress_;
    uint64_t size_;
    uint64_t total_ = 0;
    uint64_t done_ = 0;
};

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

std::optional<uint64_t> CompressEntry(
    std::span<const uint8_t> input, int level, CompressedSink& sink,
    const std::function<void(uint64_t done, uint64_t total)>& progress) {
    if (input.empty()) {
        return 0;
    }
    level = std::clamp(level, MinLevel, MaxLevel);
    const History history(input);
    const LevelSettings settings = Levels[level - 1];
    if (level != MaxLevel) {
        PassProgress passes(progress, input.size(), {&settings, 1});
        return Run(history, settings, &sink, passes.Next(settings));
    }
    // The adaptive code can make a parse that looked cheaper come out
    // longer; the smallest level never loses to the simpler parsers. They
    // are measured first, the optimal parse is written, and the first of
    // them that beats it is written over it.
    const LevelSettings all[] = {Levels[0],
                                 {Parser::Greedy, settings.maxChain},
                                 {Parser::Lazy, settings.maxChain},
                                 settings};
    const std::span<const LevelSettings> others(all, 3);
    PassProgress passes(progress, input.size(), all);
    const LevelSettings* cheapest = nullptr;
    uint64_t cheapestLength = 0;
    for (const LevelSettings& other : others) {
        const uint64_t length = *Run(history, other, nullptr, passes.Next(other));
        if (cheapest == nullptr || length < cheapestLength) {
            cheapest = &other;
            cheapestLength = length;
        }
    }
    std::optional<uint64_t> best = Run(history, settings, &sink, passes.Next(settings));
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
