#include "engine/phrase_dictionary.h"

#include <unordered_map>

#include "platform/text_steps.h"

namespace engine {

std::optional<PhraseDictionary> PhraseDictionary::build(const std::vector<Entry>& entries) {
    PhraseDictionary dictionary;
    dictionary.nodeValue.push_back(noValue); // the root
    dictionary.valueStart.push_back(0);
    std::unordered_map<std::uint64_t, std::uint32_t> steps;
    char32_t highestRoot = 0;
    bool anyRoot = false;
    for (const Entry& entry : entries) {
        if (entry.key.empty() || entry.key.find('\0') != std::string::npos ||
            !platform::isValidUtf8(entry.key))
            return std::nullopt;
        const auto* p = reinterpret_cast<const unsigned char*>(entry.key.data());
        const auto* const end = p + entry.key.size();
        std::uint32_t node = 0;
        while (p < end) {
            char32_t scalar;
            p += readScalar(p, scalar);
            if (node == 0 && scalar < 0x10000) {
                highestRoot = std::max(highestRoot, scalar);
                anyRoot = true;
            }
            const std::uint64_t key = (std::uint64_t{node} << 21) | scalar;
            auto [step, added] =
                steps.try_emplace(key, static_cast<std::uint32_t>(dictionary.nodeValue.size()));
            if (added)
                dictionary.nodeValue.push_back(noValue);
            node = step->second;
        }
        if (dictionary.nodeValue[node] != noValue)
            continue;
        dictionary.nodeValue[node] = static_cast<std::uint32_t>(dictionary.valueStart.size() - 1);
        dictionary.pool += entry.value;
        dictionary.valueStart.push_back(dictionary.pool.size());
    }

    if (anyRoot)
        dictionary.rootSteps.assign(static_cast<std::size_t>(highestRoot) + 1, 0);
    // At most half full, so that a missing step, the common case, ends its probe soon.
    std::size_t capacity = 16;
    int bits = 4;
    while (capacity < 2 * steps.size()) {
        capacity *= 2;
        ++bits;
    }
    dictionary.slotMask = capacity - 1;
    dictionary.slotShift = 64 - bits;
    dictionary.stepKeys.assign(capacity, emptySlot);
    dictionary.stepChildren.assign(capacity, 0);
    for (const auto& [key, child] : steps) {
        if ((key >> 21) == 0 && (key & 0x1FFFFF) < dictionary.rootSteps.size()) {
            dictionary.rootSteps[key & 0x1FFFFF] = child;
            continue;
        }
        std::size_t slot = dictionary.slotOf(key);
        while (dictionary.stepKeys[slot] != emptySlot)
            slot = (slot + 1) & dictionary.slotMask;
        dictionary.stepKeys[slot] = key;
        dictionary.stepChildren[slot] = child;
    }
    return dictionary;
}

} // namespace engine
