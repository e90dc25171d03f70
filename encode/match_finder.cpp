// Hash-chain match finding over the window of the compressed entry format.
#include "encode/match_finder.h"

#include <algorithm>

MatchFinder::MatchFinder(const History& history, int maxChain)
    : history_(history),
      maxChain_(std::max(1, maxChain)),
      head_(size_t{1} << HashBits, None),
      prev_(WindowSize, None) {}

void MatchFinder::Insert(size_t p) {
    if (p + MinCopyLength > history_.size()) {
        return;  // too close to the end to begin a match
    }
    uint32_t h = Hash(p);
    prev_[p & WindowMask] = head_[h];
    head_[h] = static_cast<uint32_t>(p);
}

template <typename Found>
void MatchFinder::Walk(size_t p, Found found) const {
    size_t left = history_.size() - p;
    if (left < static_cast<size_t>(MinCopyLength)) {
        return;
    }
    int limit = static_cast<int>(std::min<size_t>(left, MaxCopyLength));
    const uint8_t* here = history_.At(p);
    int best = MinCopyLength - 1;
    uint32_t candidate = head_[Hash(p)];
    for (int chain = maxChain_; candidate != None && chain > 0; --chain) {
        size_t back = p - static_cast<size_t>(candidate);
        if (back > static_cast<size_t>(WindowSize)) {
            break;  // beyond the window; older ones are farther still
        }
        const uint8_t* there = history_.At(candidate);
        // The byte that would make this match longer than the best decides
        // most candidates at once.
        if (there[best] == here[best]) {
            int length = 0;
            while (length < limit && there[length] == here[length]) {
                ++length;
            }
            if (length > best) {
                best = length;
                found(length, static_cast<int>(back - 1));
                if (length == limit) {
                    return;
                }
            }
        }
        candidate = prev_[static_cast<size_t>(candidate) & WindowMask];
    }
}

Match MatchFinder::Longest(size_t p) const {
    Match match{0, 0};
    Walk(p, [&](int length, int distance) {
        match = Match{static_cast<uint16_t>(length), static_cast<uint16_t>(distance)};
    });
    return match;
}

int MatchFinder::All(size_t p, Match* out) const {
    int count = 0;
    Walk(p, [&](int length, int distance) {
        out[count++] = Match{static_cast<uint16_t>(length), static_cast<uint16_t>(distance)};
    });
    return count;
}
