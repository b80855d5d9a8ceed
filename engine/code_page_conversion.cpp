#include "engine/code_page_conversion.h"

#include <cstring>
#include <string>

#include "platform/code_page.h"

namespace engine {

namespace {

// Through UTF-16, each step measured first and then filled. Characters the target lacks become
// "?" rather than the zero byte that would cut the text there.
CodePageResult convertThroughUtf16(std::string_view text, unsigned source, unsigned target) {
    const std::string input(text.substr(0, text.find('\0')));
    const int units =
        platform::multiByteToWideChar(source, input.c_str(), platform::zeroTerminated, nullptr, 0);
    std::u16string wide(static_cast<std::size_t>(units), u'\0');
    bool replaced = false;
    if (units > 0)
        platform::multiByteToWideChar(source, input.c_str(), platform::zeroTerminated, wide.data(),
                                      units, &replaced);
    const int needed =
        platform::wideCharToMultiByte(target, wide.data(), units, nullptr, 0, "?", nullptr);
    std::string destination(static_cast<std::size_t>(needed), ' ');
    bool used = false;
    if (needed > 0)
        platform::wideCharToMultiByte(target, wide.data(), units, destination.data(), needed, "?",
                                      &used);
    destination.resize(std::strlen(destination.c_str()));
    return {std::move(destination), replaced || used};
}

} // namespace

CodePageResult big5ToAnsi(std::string_view text) {
    return convertThroughUtf16(text, platform::codePage::big5, platform::codePage::gbk);
}

CodePageResult ansiToBig5(std::string_view text) {
    return convertThroughUtf16(text, platform::codePage::gbk, platform::codePage::big5);
}

} // namespace engine
