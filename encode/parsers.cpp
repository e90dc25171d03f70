// Greedy, lazy and price-based optimal parsing.
#include "encode/parsers.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "encode/match_finder.h"

namespace {

constexpr int MaxMatches = MaxCopyLength - MinCopyLength + 1;

void InsertRange(MatchFinder& finder, size_t from, size_t to) {
    for (size_t p = from; p < to; ++p) {
        finder.Insert(p);
    }
}

MatchFinder FinderWithSpaces(const History& history, int maxChain) {
    MatchFinder finder(history, maxChain);
    InsertRange(finder, 0, std::min<size_t>(WindowFill, history.size()));
    return finder;
}

}  // namespace

void GreedyParse(const History& history, int maxChain, EntryEncoder& encoder) {
    MatchFinder finder = FinderWithSpaces(history, maxChain);
    size_t p = WindowFill;
    while (p < history.size() && !encoder.Stopped()) {
        Match m = finder.Longest(p);
        if (m.length >= MinCopyLength) {
            encoder.Copy(m.length, m.distance);
            InsertRange(finder, p, p + m.length);
            p += m.length;
        } else {
            encoder.Literal(history[p]);
            finder.Insert(p);
            ++p;
        }
    }
}

void LazyParse(const History& history, int maxChain, EntryEncoder& encoder) {
    MatchFinder finder = FinderWithSpaces(history, maxChain);
    size_t p = WindowFill;
    Match m = finder.Longest(p);
    while (p < history.size() && !encoder.Stopped()) {
        if (m.length < MinCopyLength) {
            encoder.Literal(history[p]);
            finder.Insert(p);
            ++p;
            m = finder.Longest(p);
            continue;
        }
        finder.Insert(p);
        Match next = m.length < MaxCopyLength ? finder.Longest(p + 1) : Match{0, 0};
        if (next.length > m.length) {
            // A longer match one position on: this byte goes as a literal.
            encoder.Literal(history[p]);
            ++p;
            m = next;
            continue;
        }
        encoder.Copy(m.length, m.distance);
        InsertRange(finder, p + 1, p + m.length);
        p += m.length;
        m = finder.Longest(p);
    }
}

namespace {

// Prices in 1/16 bit of every symbol in the model's current code.
struct Prices {
    uint32_t symbol[SymbolCount];
};

void TakePrices(const HuffmanModel& model, Prices& prices) {
    uint8_t lengths[SymbolCount];
    SymbolCodeLengths(model, lengths);
    for (int s = 0; s < SymbolCount; ++s) {
        prices.symbol[s] = lengths[s] * 16u;
    }
}

struct PositionMatches {
    uint8_t count;
    Match match[MaxMatches];
};

struct Step {
    uint32_t cost;
    uint16_t length;  // 1 for a literal
    uint16_t distance;
};

}  // namespace

void OptimalParse(const History& history, int maxChain, int horizon, int commit,
                  EntryEncoder& encoder) {
    MatchFinder finder = FinderWithSpaces(history, maxChain);
    const size_t end = history.size();
    const size_t ring = static_cast<size_t>(horizon);
    commit = std::clamp(commit, 1, horizon);
    std::vector<PositionMatches> matches(ring);
    std::vector<Step> steps(ring + 1);
    std::vector<Step> path;
    Prices prices;
    uint32_t distancePrice[WindowSize];
    for (int d = 0; d < WindowSize; ++d) {
        distancePrice[d] = static_cast<uint32_t>(DistanceBits(d)) * 16u;
    }

    size_t p = WindowFill;
    size_t found = WindowFill;  // positions below this have their matches in the ring
    while (p < end && !encoder.Stopped()) {
        size_t stop = std::min(end, p + ring);
        for (; found < stop; ++found) {
            PositionMatches& pm = matches[found % ring];
            pm.count = static_cast<uint8_t>(finder.All(found, pm.match));
            finder.Insert(found);
        }
        TakePrices(encoder.Model(), prices);

        // Cheapest way to reach each position of [p, stop], copies cut at
        // stop so that every path ends there.
        size_t span = stop - p;
        steps[0].cost = 0;
        for (size_t i = 1; i <= span; ++i) {
            steps[i].cost = std::numeric_limits<uint32_t>::max();
        }
        for (size_t i = 0; i < span; ++i) {
            uint32_t base = steps[i].cost;
            uint32_t literal = base + prices.symbol[history[p + i]];
            if (literal < steps[i + 1].cost) {
                steps[i + 1] = Step{literal, 1, 0};
            }
            const PositionMatches& pm = matches[(p + i) % ring];
            int reach = static_cast<int>(std::min<size_t>(MaxCopyLength, span - i));
            int length = MinCopyLength;
            for (int k = 0; k < pm.count && length <= reach; ++k) {
                const Match& m = pm.match[k];
                uint32_t withDistance = base + distancePrice[m.distance];
                int top = std::min<int>(m.length, reach);
                for (; length <= top; ++length) {
                    uint32_t cost = withDistance + prices.symbol[length + CopyLengthBias];
                    Step& to = steps[i + static_cast<size_t>(length)];
                    if (cost < to.cost) {
                        to = Step{cost, static_cast<uint16_t>(length), m.distance};
                    }
                }
            }
        }

        path.clear();
        for (size_t i = span; i > 0; i -= steps[i].length) {
            path.push_back(steps[i]);
        }
        std::reverse(path.begin(), path.end());
        size_t limit = stop == end ? end : p + static_cast<size_t>(commit);
        for (const Step& s : path) {
            if (p >= limit) {
                break;
            }
            if (s.length == 1) {
                encoder.Literal(history[p]);
            } else {
                encoder.Copy(s.length, s.distance);
            }
            p += s.length;
        }
    }
}
