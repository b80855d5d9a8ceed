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

    // Nothing when a key is empty, holds a zero byte or is not valid UTF-8: such a key would
    // not match here as it does in the library. Of two equal keys the first counts.
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
        std::uint32_t node = 0;
        while (p < end) {
            char32_t scalar;
            const std::size_t length = readScalar(p, scalar);
            node = child(node, scalar);
            if (node == 0)
                break;
            p += length;
            const std::uint32_t value = nodeValue[node];
            if (value != noValue) {
                found.keyLength = static_cast<std::size_t>(p - start);
                found.value = {pool.data() + valueStart[value],
                               valueStart[value + 1] - valueStart[value]};
            }
        }
        return found;
    }

    std::size_t keyCount() const { return valueStart.empty() ? 0 : valueStart.size() - 1; }

private:
    static constexpr std::uint32_t noValue = 0xFFFFFFFF;
    static constexpr std::uint64_t emptySlot = ~std::uint64_t{0};

    // A step of the trie: (node, code point) to the child node; node 0, the root, is nobody's
    // child, so 0 means "no such step". The root's steps to the Basic Multilingual Plane, taken
    // at every character of a text, are a plain array; all others share one open-addressed table.
    std::uint32_t child(std::uint32_t node, char32_t scalar) const {
        if (node == 0 && scalar < rootSteps.size())
            return rootSteps[scalar];
        const std::uint64_t key = (std::uint64_t{node} << 21) | scalar;
        for (std::size_t slot = slotOf(key);; slot = (slot + 1) & slotMask) {
            if (stepKeys[slot] == key)
                return stepChildren[slot];
            if (stepKeys[slot] == emptySlot)
                return 0;
        }
    }

    std::size_t slotOf(std::uint64_t key) const {
        return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> slotShift);
    }

    std::vector<std::uint32_t> rootSteps;
    std::vector<std::uint64_t> stepKeys; // emptySlot where free
    std::vector<std::uint32_t> stepChildren;
    std::size_t slotMask = 0;
    int slotShift = 63;
    std::vector<std::uint32_t> nodeValue; // per node: its key's value, or noValue
    std::vector<std::size_t> valueStart;  // value i is pool[valueStart[i], valueStart[i + 1])
    std::string pool;
};

} // namespace engine
