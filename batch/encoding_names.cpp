#include "batch/encoding_names.h"

#include <algorithm>
#include <numeric>

#include "platform/iconv_names.h"

namespace batch {

namespace {

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == y; });
}

// Levenshtein distance, case ignored.
std::size_t editDistance(std::string_view typed, std::string_view name) {
    std::vector<std::size_t> row(name.size() + 1);
    std::iota(row.begin(), row.end(), std::size_t{0});
    for (std::size_t i = 1; i <= typed.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= name.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1,
                               diagonal + (lower(typed[i - 1]) == name[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[name.size()];
}

} // namespace

const EncodingName* findEncodingName(std::string_view name) {
    for (const EncodingName& row : encodingNames)
        if (sameIgnoringCase(name, row.name))
            return &row;
    return nullptr;
}

std::vector<std::string_view> closestEncodingNames(std::string_view name, std::size_t count) {
    std::vector<std::pair<std::size_t, std::string_view>> ranked;
    for (const EncodingName& row : encodingNames)
        ranked.emplace_back(editDistance(name, row.name), row.name);
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string_view> names;
    for (std::size_t i = 0; i < ranked.size() && names.size() < count; ++i)
        names.push_back(ranked[i].second);
    return names;
}

std::string encodingNameList() {
    std::string list;
    const EncodingName* lineOf = nullptr;
    for (const EncodingName& row : encodingNames) {
        const bool sameLine = lineOf && lineOf->encoding == row.encoding &&
                              lineOf->smartDetection == row.smartDetection;
        if (!sameLine) {
            list += lineOf ? "\n" : "";
            lineOf = &row;
        } else {
            list += " ";
        }
        list += row.name;
    }
    list += "\n";
    // Then every name of iconv's own, each meaning what it means to iconv.
    for (const std::string& name : platform::iconvEncodingNames())
        list += name + "\n";
    return list;
}

} // namespace batch
