#include "engine/phrase_conversion.h"

#include "platform/text_steps.h"

namespace engine {

namespace {

// The length of the character whose first byte is `lead`, in valid UTF-8.
std::size_t scalarLength(unsigned char lead) {
    if (lead < 0x80)
        return 1;
    if (lead < 0xE0)
        return 2;
    return lead < 0xF0 ? 3 : 4;
}

// The match of the group's first member from `from` on that has any key at the start of `text`.
PhraseDictionary::Match longestIn(const PhraseConversion::DictionaryGroup& group, std::size_t from,
                                  std::string_view text) {
    for (std::size_t member = from; member < group.size(); ++member) {
        const PhraseDictionary::Match match = group[member]->longestPrefix(text);
        if (match.keyLength > 0)
            return match;
    }
    return {};
}

// One step of the chain over one segment: the longest key at each place becomes its value,
// a character no key starts with stays as it is. The members before `from` are known to hold
// no key anywhere in the segment.
void mapStep(const PhraseConversion::DictionaryGroup& group, std::size_t from,
             std::string_view segment, std::string& out) {
    std::size_t kept = 0; // start of the characters passed through and not yet appended
    std::size_t pos = 0;
    while (pos < segment.size()) {
        const PhraseDictionary::Match match = longestIn(group, from, segment.substr(pos));
        if (match.keyLength == 0) {
            pos += scalarLength(static_cast<unsigned char>(segment[pos]));
            continue;
        }
        out.append(segment.data() + kept, pos - kept);
        out.append(match.value);
        pos += match.keyLength;
        kept = pos;
    }
    out.append(segment.data() + kept, segment.size() - kept);
}

} // namespace

PhraseConversion::PhraseConversion(DictionaryGroup cutting, std::vector<DictionaryGroup> steps)
    : segmentation(std::move(cutting)), chain(std::move(steps)) {
    firstStepLedByCutting = segmentation.size() == 1 && !chain.empty() && !chain[0].empty() &&
                            chain[0][0] == segmentation[0];
}

// `phrase`: the segmentation's match the segment is, or nullptr for the characters between two.
void PhraseConversion::mapSegment(std::string_view segment, const PhraseDictionary::Match* phrase,
                                  std::string& out, std::string (&scratch)[2]) const {
    std::string_view input = segment;
    for (std::size_t step = 0; step < chain.size(); ++step) {
        const bool last = step + 1 == chain.size();
        std::string& result = last ? out : scratch[step % 2];
        if (!last)
            result.clear();
        if (step > 0 || !firstStepLedByCutting)
            mapStep(chain[step], 0, input, result);
        else if (phrase)
            result.append(phrase->value);
        else
            mapStep(chain[0], 1, input, result);
        if (last)
            return;
        input = result;
    }
    out.append(input);
}

bool PhraseConversion::convert(std::string_view text, std::string& out) const {
    if (!platform::isValidUtf8(text))
        return false;
    // Reused by every segment: a segment costs no allocation once they have grown.
    std::string scratch[2];
    std::size_t unmatched = 0; // start of the characters between two phrases
    std::size_t pos = 0;
    while (pos < text.size()) {
        const PhraseDictionary::Match phrase = longestIn(segmentation, 0, text.substr(pos));
        if (phrase.keyLength == 0) {
            pos += scalarLength(static_cast<unsigned char>(text[pos]));
            continue;
        }
        if (unmatched < pos)
            mapSegment(text.substr(unmatched, pos - unmatched), nullptr, out, scratch);
        mapSegment(text.substr(pos, phrase.keyLength), &phrase, out, scratch);
        pos += phrase.keyLength;
        unmatched = pos;
    }
    if (unmatched < pos)
        mapSegment(text.substr(unmatched, pos - unmatched), nullptr, out, scratch);
    return true;
}

} // namespace engine
