#include "engine/phrase_dictionary.h"

#include <algorithm>
#include <unordered_map>

#include "platform/text_steps.h"

namespace engine {

std::optional<PhraseDictionary> PhraseDictionary::build(const std::vector<Entry>& entries) {
    PhraseDictionary dictionary;
    dictionary.valueStart.push_back(0);
    // The steps as they are added, keyed as in the table; nodes numbered from 1 as made.
    std::unordered_map<std::uint64_t, Step> steps;
    char32_t highestRoot = 0;
    for (const Entry& entry : entries) {
        if (entry.key.empty() || entry.key.find('\0') != std::string::npos ||
            !platform::isValidUtf8(entry.key))
            return std::nullopt;
        const auto* p = reinterpret_cast<const unsigned char*>(entry.key.data());
        const auto* const end = p + entry.key.size();
        std::uint32_t node = 0;
        Step* step = nullptr;
        while (p < end) {
            char32_t scalar;
            p += readScalar(p, scalar);
            if (node == 0 && scalar < 0x10000)
                highestRoot = std::max(highestRoot, scalar);
            if (step)
                step->node |= hasSteps;
            const std::uint64_t key = (std::uint64_t{node} << 21) | scalar;
            auto [found, added] = steps.try_emplace(key);
            if (added) {
                if (steps.size() >= hasSteps)
                    return std::nullopt;
                found->second.node = static_cast<std::uint32_t>(steps.size());
            }
            step = &found->second;
            node = step->node & ~hasSteps;
        }
        if (step->value != noValue)
            continue;
        step->value = static_cast<std::uint32_t>(dictionary.valueStart.size() - 1);
        dictionary.pool += entry.value;
        dictionary.valueStart.push_back(dictionary.pool.size());
    }
    if (!steps.empty())
        dictionary.rootSteps.assign(static_cast<std::size_t>(highestRoot) + 1, Step{});
    // At most half full, so that a missing step ends its probe soon; the bit array in front
    // has eight bits per step and so stays small enough to be held close to the processor.
    int bits = 4;
    while ((std::size_t{1} << bits) < 2 * steps.size())
        ++bits;
    dictionary.slotMask = (std::size_t{1} << bits) - 1;
    dictionary.slotShift = 64 - bits;
    dictionary.slots.assign(std::size_t{1} << bits, Slot{});
    dictionary.filterShift = 64 - (bits + 2);
    dictionary.filter.assign((std::size_t{1} << (bits + 2)) / 64, 0);
    for (const auto& [key, step] : steps) {
        const char32_t scalar = static_cast<char32_t>(key & 0x1FFFFF);
        if ((key >> 21) == 0 && scalar < dictionary.rootSteps.size()) {
            dictionary.rootSteps[scalar] = step;
            continue;
        }
        const std::uint64_t hash = key * 0x9E3779B97F4A7C15ull;
        const std::size_t bit = static_cast<std::size_t>(hash >> dictionary.filterShift);
        dictionary.filter[bit / 64] |= std::uint64_t{1} << (bit % 64);
        std::size_t slot = static_cast<std::size_t>(hash >> dictionary.slotShift);
        while (dictionary.slots[slot].key != emptySlot)
            slot = (slot + 1) & dictionary.slotMask;
        dictionary.slots[slot] = {key, step};
    }
    return dictionary;
}

} // namespace engine
