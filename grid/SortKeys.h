// Keys the grid tools sort a large form's rows by without reaching into each component: a
// component's name, class and parent text lie wherever the component does, and a sort that
// compares them there waits on memory at almost every step.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tavrin {

// Each text's rank among the texts, so that ranks compare as the texts do (as bytes: capitals
// first), equal texts alike.
inline std::vector<uint32_t> RanksOf(const std::vector<std::string_view>& texts) {
    std::vector<uint32_t> order(texts.size());
    for (uint32_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return texts[a] < texts[b]; });
    std::vector<uint32_t> rank(texts.size());
    for (size_t i = 0; i < order.size(); ++i)
        rank[order[i]] = i > 0 && texts[order[i]] == texts[order[i - 1]] ? rank[order[i - 1]] : uint32_t(i);
    return rank;
}

// The first 16 bytes of a text as two numbers that compare as the texts do, a shorter text
// padded with zeros. Keys that differ order their texts; equal keys need the texts compared.
struct TextPrefix {
    uint64_t high = 0, low = 0;

    static TextPrefix Of(std::string_view text) {
        TextPrefix p;
        for (size_t i = 0; i < 16 && i < text.size(); ++i) {
            const uint64_t byte = static_cast<unsigned char>(text[i]);
            (i < 8 ? p.high : p.low) |= byte << (8 * (7 - i % 8));
        }
        return p;
    }
    // -1, 0 or 1, as std::string::compare's sign.
    int Compare(const TextPrefix& o) const {
        if (high != o.high) return high < o.high ? -1 : 1;
        if (low != o.low) return low < o.low ? -1 : 1;
        return 0;
    }
};

}  // namespace tavrin
