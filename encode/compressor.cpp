// Levels: which parser and how hard the match finder looks.
#include "encode/compressor.h"

#include <algorithm>

#include "encode/match_finder.h"
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

std::vector<uint8_t> Run(std::span<const uint8_t> history, LevelSettings settings) {
    EntryEncoder encoder;
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
    return encoder.Finish();
}

}  // namespace

std::vector<uint8_t> CompressEntry(std::span<const uint8_t> input, int level) {
    if (input.empty()) {
        return {};
    }
    level = std::clamp(level, MinLevel, MaxLevel);
    std::vector<uint8_t> history = MakeHistory(input);
    LevelSettings settings = Levels[level - 1];
    std::vector<uint8_t> best = Run(history, settings);
    if (level == MaxLevel) {
        // The adaptive code can make a parse that looked cheaper come out
        // longer; the smallest level never loses to the simpler parsers.
        const LevelSettings others[] = {
            Levels[0], {Parser::Greedy, settings.maxChain}, {Parser::Lazy, settings.maxChain}};
        for (const LevelSettings& other : others) {
            std::vector<uint8_t> candidate = Run(history, other);
            if (candidate.size() < best.size()) {
                best = std::move(candidate);
            }
        }
    }
    return best;
}
