// The web-page charset test and its text helpers on arbitrary pages and markers.
#include <cstdint>
#include <cstdlib>
#include <string>

#include <fuzzer/FuzzedDataProvider.h>

#include "engine/web_page_charset.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string whole(reinterpret_cast<const char*>(data), size);
    const engine::WebPageCharset charset = engine::detectWebPageCharset(whole);
    if (charset != engine::WebPageCharset::None && charset != engine::WebPageCharset::Utf8 &&
        charset != engine::WebPageCharset::Big5 && charset != engine::WebPageCharset::Big5Hkscs)
        std::abort();

    FuzzedDataProvider provider(data, size);
    const std::string startMarker = provider.ConsumeRandomLengthString(16);
    const std::string endMarker = provider.ConsumeRandomLengthString(16);
    const std::string list = provider.ConsumeRandomLengthString(32);
    const bool any = provider.ConsumeBool();
    std::int64_t position = provider.ConsumeIntegral<std::int64_t>();
    const std::string page = provider.ConsumeRemainingBytesAsString();

    const std::int64_t before = position;
    const std::string between = engine::textBetween(page, startMarker, endMarker, position);
    if (between.size() > page.size() + 64)
        std::abort();
    if (position != before && position < 1)
        std::abort();
    (void)engine::matchesList(page, list, any);
    const std::string expanded = engine::expandDoubledQuotes(page);
    if (expanded.size() > page.size())
        std::abort();
    return 0;
}
