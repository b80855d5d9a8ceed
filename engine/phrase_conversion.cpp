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

PhraseDictionary::Match longestIn(const PhraseConversion::DictionaryGroup& group,
                                  std::string_view text) {
    for (const auto& dictionary : group) {
        const PhraseDictionary::Match match = dictionary->longestPrefix(text);
        if (match.keyLength > 0)
            return match;
    }
    return {};
}

// One step of the chain over one segment: the longest key at each place becomes its value,
// a character no key starts with stays as it is.
void mapStep(const PhraseConversion::DictionaryGroup& group, std::string_view segment,
             std::string& out) {
    std::size_t kept = 0; // start of the characters passed through and not yet appended
    std::size_t pos = 0;
    while (pos < segment.size()) {
        const PhraseDictionary::Match match = longestIn(group, segment.substr(pos));
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

void PhraseConversion::mapSegment(std::string_view segment, std::string& out,
                                  std::string (&scratch)[2]) const {
    std::string_view input = segment;
    for (std::size_t step = 0; step < chain.size(); ++step) {
        if (step + 1 == chain.size()) {
            mapStep(chain[step], input, out);
            return;
        }
        std::string& result = scratch[step % 2];
        result.clear();
        mapStep(chain[step], input, result);
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
        const std::size_t phrase = longestIn(segmentation, text.substr(pos)).keyLength;
        if (phrase == 0) {
            pos += scalarLength(static_cast<unsigned char>(text[pos]));
            continue;
        }
        if (unmatched < pos)
            mapSegment(text.substr(unmatched, pos - unmatched), out, scratch);
        mapSegment(text.substr(pos, phrase), out, scratch);
        pos += phrase;
        unmatched = pos;
    }
    if (unmatched < pos)
        mapSegment(text.substr(unmatched, pos - unmatched), out, scratch);
    return true;
}

} // namespace engine
