#include "platform/registry_store.h"

#include <string_view>
#include <vector>

#include "platform/file_access.h"
#include "platform/file_system.h"
#include "platform/user_folders.h"

namespace platform {

namespace {

// One line per value: key path, name and value separated by tabs. Tabs, line breaks, zero
// bytes and '%' inside them are written as %XX, so every text survives.
struct Record {
    AnsiText keyPath;
    AnsiText name;
    AnsiText value;
};

AnsiText escape(std::string_view text) {
    static const char digits[] = "0123456789ABCDEF";
    AnsiText out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '%' || byte == '\t' || byte == '\n' || byte == '\r' || byte == 0) {
            out += '%';
            out += digits[byte >> 4];
            out += digits[byte & 15];
        } else {
            out += c;
        }
    }
    return out;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

AnsiText unescape(std::string_view text) {
    AnsiText out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
            hexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The registry ignores ASCII case in key paths and value names.
bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    // Character-wise: the trail byte of a two-byte character may look like an ASCII letter.
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto byte = static_cast<unsigned char>(a[i]);
        if (byte >= 0x80) {
            const std::size_t width =
                i + 1 < a.size() && a[i + 1] >= '0' && a[i + 1] <= '9' ? 4 : 2;
            if (a.substr(i, width) != b.substr(i, width))
                return false;
            i += width - 1;
            continue;
        }
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

std::vector<Record> parse(std::string_view content) {
    std::vector<Record> records;
    while (!content.empty()) {
        const auto end = content.find('\n');
        const std::string_view line = content.substr(0, end);
        content = end == std::string_view::npos ? std::string_view() : content.substr(end + 1);
        const auto firstTab = line.find('\t');
        const auto secondTab =
            firstTab == std::string_view::npos ? firstTab : line.find('\t', firstTab + 1);
        if (secondTab == std::string_view::npos)
            continue;
        records.push_back({unescape(line.substr(0, firstTab)),
                           unescape(line.substr(firstTab + 1, secondTab - firstTab - 1)),
                           unescape(line.substr(secondTab + 1))});
    }
    return records;
}

} // namespace

AnsiText RegistryStore::defaultBackingFile() {
    const AnsiText folder = userConfigFolder();
    return folder.empty() ? AnsiText() : folder + ansi("/青枫匣/registry");
}

std::optional<AnsiText> RegistryStore::readString(const AnsiText& keyPath,
                                                  const AnsiText& name) const {
    const FileContent content = readWholeFile(file);
    if (!content.status.ok())
        return std::nullopt;
    for (const Record& record : parse(content.bytes)) {
        if (sameName(record.keyPath, keyPath) && sameName(record.name, name))
            return record.value;
    }
    return std::nullopt;
}

bool RegistryStore::writeString(const AnsiText& keyPath, const AnsiText& name,
                                const AnsiText& value) {
    if (file.empty())
        return false;
    std::vector<Record> records = parse(readWholeFile(file).bytes);
    bool replaced = false;
    for (Record& record : records) {
        if (sameName(record.keyPath, keyPath) && sameName(record.name, name)) {
            record.value = value;
            replaced = true;
            break;
        }
    }
    if (!replaced)
        records.push_back({keyPath, name, value});
    ByteBuffer content;
    for (const Record& record : records)
        content += escape(record.keyPath) + '\t' + escape(record.name) + '\t' +
                   escape(record.value) + '\n';
    createFolderPath(file);
    return writeFileReplacing(file, content).ok();
}

} // namespace platform
