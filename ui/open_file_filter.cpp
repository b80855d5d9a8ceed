#include "ui/open_file_filter.h"

namespace ui {
namespace {

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (true) {
        size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string_view::npos)
            return parts;
        start = end + 1;
    }
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

std::string qtPatterns(std::string_view patterns) {
    std::string result;
    for (std::string_view pattern : split(patterns, ';')) {
        pattern = trimBlanks(pattern);
        if (pattern.empty())
            continue;
        if (!result.empty())
            result += ' ';
        result += pattern == "*.*" ? std::string_view("*") : pattern;
    }
    return result.empty() ? "*" : result;
}

} // namespace

std::vector<std::string> qtNameFilters(std::string_view filter) {
    std::vector<std::string> filters;
    if (filter.empty())
        return filters;
    std::vector<std::string_view> fields = split(filter, '|');
    for (size_t i = 0; i + 1 < fields.size(); i += 2) {
        std::string_view description = trimBlanks(fields[i]);
        std::string patterns = qtPatterns(fields[i + 1]);
        filters.push_back((description.empty() ? patterns : std::string(description)) + " (" +
                          patterns + ")");
    }
    return filters;
}

} // namespace ui
