// The Simplified/Traditional mapping by OpenCC's own rules over flat dictionaries: the text is cut
// into segments by the longest phrase of the segmentation dictionaries at each place (the
// characters between phrases form one segment), then each step of the chain maps every segment
// on its own, again taking the longest key at each place, and hands the result to the next step.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/phrase_dictionary.h"

namespace engine {

class PhraseConversion {
public:
    // Dictionaries tried in order at each place: the first one with any key there gives the
    // match, even when a later one holds a longer key.
    using DictionaryGroup = std::vector<std::shared_ptr<const PhraseDictionary>>;

    PhraseConversion(DictionaryGroup cutting, std::vector<DictionaryGroup> steps);

    // Appends the mapping of `utf8` to `out`; false, with `out` as it was, when `utf8` is not
    // valid UTF-8. Only reads the dictionaries: any number of threads convert at once.
    bool convert(std::string_view utf8, std::string& out) const;

private:
    void mapSegment(std::string_view segment, const PhraseDictionary::Match* phrase,
                    std::string& out, std::string (&scratch)[2]) const;

    DictionaryGroup segmentation;
    std::vector<DictionaryGroup> chain;
    // The segmentation's one dictionary leads the first step's group too (Simplified to
    // Traditional cuts and maps by the same phrases). The first step then needs no second look
    // in it: a phrase segment is the longest key at its start, so the step gives its value;
    // between phrases the segmentation found none of its keys at any place, nor will the step.
    bool firstStepLedByCutting = false;
};

} // namespace engine
