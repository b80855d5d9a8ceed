// The folder scan's filters on arbitrary input: the wildcard turned into a regular expression
// and matched, and the system's wildcard rules. Neither may crash, hang or read past a text.
#include <cstdint>
#include <cstdlib>
#include <string>

#include <fuzzer/FuzzedDataProvider.h>

#include "batch/folder_scan.h"
#include "batch/regex_matcher.h"
#include "platform/directory_listing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    const std::string filter = provider.ConsumeRandomLengthString(64);
    const bool ignoreCase = provider.ConsumeBool();
    const bool global = provider.ConsumeBool();
    const std::string name = provider.ConsumeRemainingBytesAsString();

    (void)batch::folderScanMode(filter);
    const std::string regex = batch::wildcardToRegex(filter);
    batch::RegexMatcher matcher;
    if (matcher.create(regex, ignoreCase, true, global)) {
        const int matches = matcher.countMatches(name);
        if (matches < 0 || (!global && matches > 1))
            std::abort();
    } else if (matcher.hasExpression()) {
        std::abort();
    }
    // The filter taken as an expression of its own, as a typed pattern may be.
    batch::RegexMatcher raw;
    if (raw.create(filter))
        (void)raw.countMatches(name);

    const platform::WildcardPattern pattern(filter);
    const bool matched = pattern.matches(name);
    if (matched && !pattern.valid())
        std::abort(); // an invalid pattern matches nothing
    return 0;
}
