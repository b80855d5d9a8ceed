// One dictionary of the Simplified/Traditional mapping as a flat trie over code points: built
// once, then only read, so every worker looks phrases up in it at once, without locks and
// without allocating.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

// The code point starting at `p` and its length, for text already known to be valid UTF-8.
inline std::size_t readScalar(const unsigned char* p, char32_t& scalar) {
    const unsigned lead = p[0];
    if (lead < 0x80) {
        scalar = lead;
        return 1;
    }
    if (lead < 0xE0) {
        scalar = ((lead & 0x1Fu) << 6) | (p[1] & 0x3Fu);
        return 2;
    }
    if (lead < 0xF0) {
        scalar = ((lead & 0x0Fu) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu);
        return 3;
    }
    scalar =
        ((lead & 0x07u) << 18) | ((p[1] & 0x3Fu) << 12) | ((p[2] & 0x3Fu) << 6) | (p[3] & 0x3Fu);
    return 4;
}

class PhraseDictionary {
public:
    struct Entry {
        std::string key;   // UTF-8
        std::string value; // what the key becomes
    };

    // Nothing when a key is empty, holds a zero byte or is not valid UTF-8 (such a key would
    // not match here as it does in the library), or when the keys need more than two thousand
    // million nodes. Of two equal keys the first counts.
    static std::optional<PhraseDictionary> build(const std::vector<Entry>& entries);

    struct Match {
        std::size_t keyLength = 0; // bytes of the text the key covers; 0: no key matched
        std::string_view value;
    };

    // The longest key that `text` (valid UTF-8) begins with.
    Match longestPrefix(std::string_view text) const {
        const auto* const start = reinterpret_cast<const unsigned char*>(text.data());
        const auto* p = start;
        const auto* const end = start + text.size();
        Match found;
        if (p == end)
            return found;
        char32_t scalar;
        std::size_t length = readScalar(p, scalar);
        Step step = scalar < rootSteps.size() ? rootSteps[scalar] : hashedStep(0, scalar);
        while (step.node != 0) {
            p += length;
            if (step.value != noValue) {
                found.keyLength = static_cast<std::size_t>(p - start);
                found.value = {pool.data() + valueStart[step.value],
                               valueStart[step.value + 1] - valueStart[step.value]};
            }
            if (!(step.node & hasSteps) || p == end)
                break;
            length = readScalar(p, scalar);
            step = hashedStep(step.node & ~hasSteps, scalar);
        }
        return found;
    }

private:
    PhraseDictionary() = default; // only build() makes one, with its tables in place

    static constexpr std::uint32_t noValue = 0xFFFFFFFF;
    static constexpr std::uint32_t hasSteps = 0x80000000; // in Step::node: not a leaf
    static constexpr std::uint64_t emptySlot = ~std::uint64_t{0};

    // A step of the trie to a node: the node's number (0, the root's, is nobody's child, so 0
    // means "no such step") with hasSteps when longer keys go on from it, and the value of the
    // key ending there, if one does. Carrying both, a step is one read of memory.
    struct Step {
        std::uint32_t node = 0;
        std::uint32_t value = noValue;
    };
    struct Slot {
        std::uint64_t key = emptySlot; // (node << 21) | code point
        Step step;
    };

    // The root's steps into the Basic Multilingual Plane, taken at every character of a text,
    // are a plain array; all others share one open-addressed table, in front of which a bit
    // array answers "surely absent" for most missing steps without touching the table.
    Step hashedStep(std::uint32_t node, char32_t scalar) const {
        const std::uint64_t key = (std::uint64_t{node} << 21) | scalar;
        const std::uint64_t hash = key * 0x9E3779B97F4A7C15ull;
        const std::size_t bit = static_cast<std::size_t>(hash >> filterShift);
        if (!((filter[bit / 64] >> (bit % 64)) & 1))
            return {};
        for (std::size_t slot = static_cast<std::size_t>(hash >> slotShift);;
             slot = (slot + 1) & slotMask) {
            if (slots[slot].key == key)
                return slots[slot].step;
            if (slots[slot].key == emptySlot)
                return {};
        }
    }

    std::vector<Step> rootSteps;
    std::vector<Slot> slots;
    std::size_t slotMask = 0;
    int slotShift = 63;
    std::vector<std::uint64_t> filter;
    int filterShift = 63;
    std::vector<std::size_t> valueStart; // value i is pool[valueStart[i], valueStart[i + 1])
    std::string pool;
};

} // namespace engine
