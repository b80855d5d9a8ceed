#include "settings/config_store.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>

#include "platform/editable_file.h"
#include "platform/memory_file.h"

namespace settings {

namespace {

const AnsiText lineBreak = "\r\n";

// 1-based search in `haystack`; start positions 0 and 1 both mean the first byte.
std::int64_t findBytes(const ByteBuffer& haystack, std::string_view needle, std::int64_t start) {
    const auto from = static_cast<std::size_t>(start <= 1 ? 0 : start - 1);
    if (from > haystack.size())
        return -1;
    const auto at = haystack.find(needle, from);
    return at == ByteBuffer::npos ? -1 : static_cast<std::int64_t>(at) + 1;
}

// Width of the character starting at `at`: a byte of 0x80 or above starts a two-byte
// character, or a four-byte one when a digit follows it.
std::size_t characterWidth(std::string_view text, std::size_t at) {
    if (static_cast<unsigned char>(text[at]) < 0x80)
        return 1;
    const bool fourBytes = at + 1 < text.size() && text[at + 1] >= '0' && text[at + 1] <= '9';
    return std::min<std::size_t>(fourBytes ? 4 : 2, text.size() - at);
}

// Searches character by character, so a match never starts on the trail byte of a character.
std::size_t findText(std::string_view text, std::string_view needle) {
    for (std::size_t at = 0; at + needle.size() <= text.size(); at += characterWidth(text, at)) {
        if (text.compare(at, needle.size(), needle) == 0)
            return at;
    }
    return std::string_view::npos;
}

AnsiText replaceText(std::string_view text, std::string_view from, std::string_view to) {
    AnsiText out;
    for (std::size_t at = 0; at < text.size();) {
        if (text.compare(at, from.size(), from) == 0) {
            out += to;
            at += from.size();
        } else {
            const std::size_t width = characterWidth(text, at);
            out.append(text.substr(at, width));
            at += width;
        }
    }
    return out;
}

bool contains(std::string_view text, std::string_view needle) {
    return findText(text, needle) != std::string_view::npos;
}

// The include/exclude rule of the listings: an empty filter does not filter.
bool passes(std::string_view name, std::string_view include, std::string_view exclude) {
    return (include.empty() || contains(name, include)) &&
           (exclude.empty() || !contains(name, exclude));
}

AnsiText cutAtZero(std::string_view bytes) {
    return AnsiText(bytes.substr(0, bytes.find('\0')));
}

// Lines as a line-by-line reader sees them: ended by CR LF, LF or a lone CR.
std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] != '\r' && text[at] != '\n')
            continue;
        lines.push_back(text.substr(start, at - start));
        if (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n')
            ++at;
        start = at + 1;
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

bool isHeaderLine(std::string_view line) {
    return line.size() >= 2 && line.front() == '[' && line.back() == ']';
}

const AnsiText& escapedLineBreak() {
    static const AnsiText marker = platform::ansi("┊*┊");
    return marker;
}
const AnsiText& trueText() {
    static const AnsiText text = platform::ansi("真");
    return text;
}
const AnsiText& falseText() {
    static const AnsiText text = platform::ansi("假");
    return text;
}

// Reads the leading number of a text as the classic conversion does: leading blanks skipped,
// an optional sign, then as many characters as form a number; 0 when there is none.
template <typename Number> Number leadingNumber(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() ? value : Number{};
}

AnsiText numberText(double value) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 13);
    return AnsiText(buffer, result.ptr);
}

AnsiText integerText(std::int64_t value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return AnsiText(buffer, result.ptr);
}

int clampToInt(double value) {
    if (std::isnan(value))
        return 0;
    const double rounded = std::round(value);
    return static_cast<int>(std::clamp(rounded, double(std::numeric_limits<int>::min()),
                                       double(std::numeric_limits<int>::max())));
}

AnsiText folderOf(const AnsiText& filePath) {
    const auto separator = filePath.rfind(platform::pathSeparator);
    return separator == AnsiText::npos ? AnsiText() : filePath.substr(0, separator);
}

// File name after the last separator and before its last ".".
AnsiText baseNameOf(const AnsiText& filePath) {
    const auto separator = filePath.rfind(platform::pathSeparator);
    AnsiText name = separator == AnsiText::npos ? filePath : filePath.substr(separator + 1);
    const auto dot = name.rfind('.');
    if (dot != AnsiText::npos)
        name.resize(dot);
    return name;
}

// A direct write that keeps losing what it has just added (a window event replacing the
// content meanwhile) gives up after this many additions.
constexpr int maximumAdditions = 10;

} // namespace

ConfigStore::ConfigStore() : registry(platform::RegistryStore::defaultBackingFile()) {}

ConfigStore::ConfigStore(AnsiText registryFile) : registry(std::move(registryFile)) {}

ConfigStore::~ConfigStore() {
    close();
}

void ConfigStore::destroy() {
    close();
    ByteBuffer().swap(content);
    openedPath.clear();
    path.clear();
    section.clear();
    registryPrefix.clear();
    pending.clear();
}

std::unique_ptr<ConfigStore> ConfigStore::clone() const {
    auto copy = std::make_unique<ConfigStore>(registry.backingFile());
    copy->content = content;
    copy->file = file;
    copy->openedPath = openedPath;
    copy->busy = busy;
    copy->pending = pending;
    copy->path = path;
    copy->section = section;
    copy->mode = mode;
    copy->registryPrefix = registryPrefix;
    copy->window = window;
    copy->changedElsewhere = changedElsewhere;
    return copy;
}

void ConfigStore::close() {
    file.reset();
    content.clear();
}

bool ConfigStore::open(const AnsiText& filePath, bool inMemory) {
    close();
    openedPath = filePath;
    changedElsewhere = false;
    // Read before opening: the content is known even when the file cannot be edited.
    content = platform::readEntireFile(filePath).value_or(ByteBuffer());
    if (inMemory)
        file = std::make_shared<platform::MemoryFile>(content);
    else
        file = platform::EditableFile::open(filePath);
    return file != nullptr;
}

void ConfigStore::reload() {
    content = platform::readEntireFile(openedPath).value_or(ByteBuffer());
    // The in-memory copy follows, so that later edits land where `content` has them.
    if (auto* memory = dynamic_cast<platform::MemoryFile*>(file.get())) {
        memory->truncate(0);
        memory->writeAt(0, content);
    }
}

int ConfigStore::runPendingOperations() {
    if (pending.empty())
        return -1;
    // A nested run would edit `content` under the positions of the running edit.
    if (busy)
        return storeQueued;
    bool first = true;
    int firstResult = -1;
    while (!pending.empty()) {
        busy = true;
        const PendingOperation operation = pending.front();
        const int result = runOperation(operation);
        pending.pop_front();
        busy = false;
        if (first)
            firstResult = result;
        first = false;
    }
    return firstResult;
}

int ConfigStore::runOperation(const PendingOperation& operation) {
    const AnsiText* arguments = operation.arguments;
    switch (operation.kind) {
    case PendingOperation::Kind::Write:
        return writeDirect(arguments[0], arguments[1], arguments[2]);
    case PendingOperation::Kind::Delete:
        return deleteDirect(arguments[0], arguments[1]);
    case PendingOperation::Kind::RenameSection:
        return renameSectionDirect(arguments[0], arguments[1]);
    case PendingOperation::Kind::RenameKey:
        return renameKeyDirect(arguments[0], arguments[1], arguments[2]);
    }
    return storeFailed;
}

int ConfigStore::enqueue(PendingOperation operation) {
    pending.push_back(std::move(operation));
    if (busy)
        return storeQueued;
    return runPendingOperations();
}

void ConfigStore::pump() {
    if (window)
        window->pumpEvents();
}

ConfigStore::SectionMatch ConfigStore::locateSection(const AnsiText& sectionName,
                                                     std::int64_t from) {
    const AnsiText needle = "[" + sectionName + "]";
    for (;;) {
        pump();
        const std::int64_t at = findBytes(content, needle, from);
        if (at == -1)
            return {};
        // A header stands at the very start of the file or directly after a CR LF.
        if (at == 1 || (at >= 3 && content[at - 3] == '\r' && content[at - 2] == '\n'))
            return {at, at + static_cast<std::int64_t>(needle.size()) - 1};
        from = at + 1;
    }
}

ConfigStore::EntryMatch ConfigStore::findEntry(const SectionMatch& sectionMatch,
                                               const AnsiText& key) const {
    const std::int64_t lineStart = findBytes(content, lineBreak + key + "=", sectionMatch.bracket);
    if (lineStart == -1)
        return {};
    const std::int64_t keyStart = lineStart + 2;
    if (findBoundary(sectionMatch.bracket + 1, keyStart - 1) != -1)
        return {};
    const std::int64_t valueStart = keyStart + static_cast<std::int64_t>(key.size()) + 1;
    const std::int64_t next = findBytes(content, lineBreak, valueStart);
    const std::int64_t valueEnd = next == -1 ? static_cast<std::int64_t>(content.size()) : next - 1;
    return {lineStart, keyStart, valueStart, valueEnd};
}

std::int64_t ConfigStore::findBoundary(std::int64_t from, std::int64_t to) const {
    std::int64_t at = from;
    for (;;) {
        at = findBytes(content, "\r\n[", at);
        if (at == -1 || at >= to)
            return -1;
        at += 2;
        const std::int64_t closing = findBytes(content, "]\r\n", at);
        if (closing > to)
            return -1;
        if (closing == -1)
            continue;
        // The first CR LF from the "[" on lies at or after the "]" CR LF, so none between.
        if (findBytes(content, lineBreak, at) > closing)
            return at;
    }
}

bool ConfigStore::fileStillMatches() {
    if (!file)
        return false;
    const std::int64_t length = file->length();
    std::string held;
    if (length == static_cast<std::int64_t>(content.size()) && file->readAt(0, length, held) &&
        held == content)
        return true;
    // Another program rewrote the file in place (the lock binds only this program), or an
    // edit failed halfway: an edit by offset would now garble it. The file is left as it is
    // for the rest of the session; `content` keeps serving this run.
    file.reset();
    changedElsewhere = true;
    return false;
}

void ConfigStore::replaceBytes(std::int64_t position, std::int64_t count, const AnsiText& bytes) {
    const bool editFile = fileStillMatches();
    content.replace(static_cast<std::size_t>(position - 1), static_cast<std::size_t>(count), bytes);
    // A failing file edit is not reported: `content` stays the truth for this run.
    if (editFile)
        platform::replaceBytes(*file, position - 1, count, bytes);
}

int ConfigStore::writeValue(const AnsiText& sectionName, const AnsiText& key, const AnsiText& value,
                            bool direct) {
    if (direct)
        return writeDirect(sectionName, key, value);
    return enqueue({PendingOperation::Kind::Write, {sectionName, key, value}});
}

int ConfigStore::writeDirect(const AnsiText& sectionName, const AnsiText& key,
                             const AnsiText& value) {
    std::int64_t from = 0;
    int appended = 0;
    int keysInserted = 0;
    for (;;) {
        const SectionMatch match = locateSection(sectionName, from);
        if (match.header != -1) {
            const EntryMatch entry = findEntry(match, key);
            if (entry.key != -1) {
                replaceBytes(entry.valueStart, entry.valueEnd - entry.valueStart + 1, value);
                return storeDone;
            }
            // The next pass finds the new entry with its empty value and fills it.
            if (++keysInserted > maximumAdditions)
                break;
            // When the header line goes on after "]" (a comment, or lines ended by LF alone),
            // the new entry gets its own line end; otherwise those bytes would become its
            // value and be overwritten.
            const auto after = static_cast<std::size_t>(match.bracket);
            const bool lineEndsAfterHeader =
                after == content.size() || content.compare(after, 2, lineBreak) == 0;
            replaceBytes(match.bracket + 1, 0,
                         lineBreak + key + "=" + (lineEndsAfterHeader ? "" : lineBreak));
            from = match.header;
            continue;
        }
        const auto length = static_cast<std::int64_t>(content.size());
        from = length;
        const AnsiText header = (length >= 1 ? lineBreak : AnsiText()) + "[" + sectionName + "]";
        replaceBytes(length + 1, 0, header);
        if (++appended > maximumAdditions)
            break;
    }
    raiseAlarm();
    return storeFailed;
}

void ConfigStore::raiseAlarm() {
    if (!window)
        return;
    // Warning icon, OK, system-modal; then the content with no icon, task-modal.
    window->showMessage(platform::ansi("配置模块出现意外，可能导致无法正常保存！详情请咨询砚舟。"),
                        0x1030, platform::ansi("砚舟："));
    window->showMessage(getAllText(), 0x2000, platform::ansi("信息："));
}

AnsiText ConfigStore::readValue(const AnsiText& sectionName, const AnsiText& key,
                                const AnsiText& defaultValue, bool emptyMeansDefault) {
    const SectionMatch match = locateSection(sectionName, 0);
    if (match.header == -1)
        return defaultValue;
    const EntryMatch entry = findEntry(match, key);
    if (entry.key == -1)
        return defaultValue;
    const auto value = std::string_view(content).substr(
        static_cast<std::size_t>(entry.valueStart - 1),
        static_cast<std::size_t>(entry.valueEnd - entry.valueStart + 1));
    if (value.empty() && emptyMeansDefault)
        return defaultValue;
    return cutAtZero(value);
}

int ConfigStore::deleteEntry(const AnsiText& sectionName, const AnsiText& key, bool direct) {
    if (direct)
        return deleteDirect(sectionName, key);
    return enqueue({PendingOperation::Kind::Delete, {sectionName, key}});
}

int ConfigStore::deleteDirect(const AnsiText& sectionName, const AnsiText& key) {
    const SectionMatch match = locateSection(sectionName, 0);
    if (match.header == -1)
        return storeSectionAbsent;
    const auto length = static_cast<std::int64_t>(content.size());
    if (key.empty()) {
        // The whole section up to the CR LF before the next boundary, or to the end.
        const std::int64_t boundary = findBoundary(match.bracket + 1, length);
        const std::int64_t last = boundary == -1 ? length : boundary - 1;
        replaceBytes(match.header, last - match.header + 1, {});
        return storeDone;
    }
    const EntryMatch entry = findEntry(match, key);
    if (entry.key == -1)
        return storeKeyAbsent;
    replaceBytes(entry.lineBreak, entry.valueEnd - entry.lineBreak + 1, {});
    return storeDone;
}

int ConfigStore::renameSection(const AnsiText& oldName, const AnsiText& newName, bool direct) {
    if (direct)
        return renameSectionDirect(oldName, newName);
    return enqueue({PendingOperation::Kind::RenameSection, {oldName, newName}});
}

int ConfigStore::renameSectionDirect(const AnsiText& oldName, const AnsiText& newName) {
    const SectionMatch match = locateSection(oldName, 0);
    if (match.header == -1)
        return storeSectionAbsent;
    replaceBytes(match.header + 1, static_cast<std::int64_t>(oldName.size()), newName);
    return storeDone;
}

int ConfigStore::renameKey(const AnsiText& sectionName, const AnsiText& oldKey,
                           const AnsiText& newKey, bool direct) {
    if (direct)
        return renameKeyDirect(sectionName, oldKey, newKey);
    return enqueue({PendingOperation::Kind::RenameKey, {sectionName, oldKey, newKey}});
}

int ConfigStore::renameKeyDirect(const AnsiText& sectionName, const AnsiText& oldKey,
                                 const AnsiText& newKey) {
    const SectionMatch match = locateSection(sectionName, 0);
    if (match.header == -1)
        return storeSectionAbsent;
    const EntryMatch entry = findEntry(match, oldKey);
    if (entry.key == -1)
        return storeKeyAbsent;
    replaceBytes(entry.key, static_cast<std::int64_t>(oldKey.size()), newKey);
    return storeDone;
}

std::vector<AnsiText> ConfigStore::listSectionsWithKey(const AnsiText& key) {
    std::vector<AnsiText> names;
    for (const AnsiText& name : listSections({}, {})) {
        if (std::find(names.begin(), names.end(), name) != names.end())
            continue;
        const SectionMatch match = locateSection(name, 0);
        if (match.header != -1 && findEntry(match, key).key != -1)
            names.push_back(name);
    }
    return names;
}

std::vector<AnsiText> ConfigStore::listKeysWithValue(const AnsiText& value,
                                                     const AnsiText& sectionName) {
    std::vector<AnsiText> keys;
    std::vector<AnsiText> seen; // keys met in the section, matching or not
    const auto length = static_cast<std::int64_t>(content.size());
    std::int64_t from = 1;
    std::int64_t end = length + 1; // entries must start (with their CR LF) before this
    if (!sectionName.empty()) {
        const SectionMatch match = locateSection(sectionName, 0);
        if (match.header == -1)
            return keys;
        from = match.bracket + 1;
        const std::int64_t boundary = findBoundary(from, length);
        if (boundary != -1)
            end = boundary - 2;
    }
    for (std::int64_t at = findBytes(content, lineBreak, from); at != -1 && at < end;
         at = findBytes(content, lineBreak, at + 2)) {
        const std::int64_t lineEnd = findBytes(content, lineBreak, at + 2);
        const auto line = std::string_view(content).substr(
            static_cast<std::size_t>(at + 1),
            static_cast<std::size_t>((lineEnd == -1 ? length + 1 : lineEnd) - at - 2));
        const auto equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        const AnsiText key(line.substr(0, equals));
        const std::string_view entryValue = line.substr(equals + 1);
        // Within one section only the first entry of a key belongs to it.
        if (!sectionName.empty()) {
            if (std::find(seen.begin(), seen.end(), key) != seen.end())
                continue;
            seen.push_back(key);
        }
        const bool matches =
            value.empty() ? entryValue.empty() && lineEnd != -1 : entryValue.starts_with(value);
        if (matches)
            keys.push_back(key);
    }
    return keys;
}

bool ConfigStore::saveCopyAs(const AnsiText& target) {
    const AnsiText destination = target.empty() ? openedPath : target;
    if (destination.empty())
        return false;
    // The held settings file is rewritten through its own handle, which keeps its lock; once
    // another program has changed it, it is theirs.
    if (destination == openedPath && changedElsewhere)
        return false;
    if (destination == openedPath && file && !dynamic_cast<platform::MemoryFile*>(file.get()))
        return fileStillMatches() && file->writeAt(0, content) &&
               file->truncate(static_cast<std::int64_t>(content.size()));
    // A file that another store holds open for editing is left to that store.
    const auto lock = platform::EditableFile::open(destination);
    return lock && platform::replaceFileContent(destination, content);
}

std::vector<AnsiText> ConfigStore::listSections(const AnsiText& include,
                                                const AnsiText& exclude) const {
    std::vector<AnsiText> names;
    for (const std::string_view line : splitLines(content)) {
        if (!isHeaderLine(line))
            continue;
        const std::string_view name = line.substr(1, line.size() - 2);
        if (passes(name, include, exclude))
            names.emplace_back(name);
    }
    return names;
}

std::vector<AnsiText> ConfigStore::listKeys(const AnsiText& include, const AnsiText& exclude,
                                            const AnsiText& headerInclude,
                                            const AnsiText& headerExclude) const {
    std::vector<AnsiText> keys;
    const bool filtering = !headerInclude.empty();
    bool inside = !filtering;
    for (const std::string_view line : splitLines(content)) {
        if (isHeaderLine(line)) {
            if (filtering) {
                if (inside)
                    break;
                inside = passes(line.substr(1, line.size() - 2), headerInclude, headerExclude);
            }
            continue;
        }
        const auto equals = line.find('=');
        if (!inside || equals == std::string_view::npos)
            continue;
        const std::string_view key = line.substr(0, equals);
        if (passes(key, include, exclude))
            keys.emplace_back(key);
    }
    return keys;
}

AnsiText ConfigStore::getAllText() const {
    return cutAtZero(content);
}

void ConfigStore::setAllText(const AnsiText& text, bool append) {
    const bool editFile = fileStillMatches();
    if (!append) {
        content.clear();
        if (editFile)
            file->truncate(0);
    }
    content += text;
    if (editFile) {
        const std::int64_t end = file->length();
        if (end >= 0)
            file->writeAt(end, text);
    }
}

bool ConfigStore::setFile(const AnsiText& filePath, StorageMode storageMode) {
    path = filePath;
    mode = storageMode;
    if (mode == StorageMode::Registry)
        return true;
    return open(filePath, mode == StorageMode::MemoryCopy);
}

AnsiText ConfigStore::selectSection(const AnsiText& name) {
    section = name;
    registryPrefix = platform::ansi("砚舟软件") + "\\" + baseNameOf(path) + "\\" + name + "\\";
    return registryPrefix;
}

AnsiText ConfigStore::registryKey() const {
    // The prefix ends with the separator that selectSection added.
    return "HKEY_CLASSES_ROOT\\" + registryPrefix.substr(0, registryPrefix.size() - 1);
}

AnsiText ConfigStore::binaryPath(const AnsiText& key) const {
    const AnsiText folder = folderOf(path);
    return (folder.empty() ? AnsiText() : folder + platform::pathSeparator) + "inibin" +
           platform::pathSeparator + section + "-" + key + ".ibn";
}

ByteBuffer ConfigStore::readBinary(const AnsiText& key, const ByteBuffer& defaultValue) {
    const auto bytes = platform::readEntireFile(binaryPath(key));
    return bytes && !bytes->empty() ? *bytes : defaultValue;
}

bool ConfigStore::writeBinary(const AnsiText& key, const ByteBuffer& value) {
    const AnsiText folder = folderOf(path);
    platform::ensureFolder((folder.empty() ? AnsiText() : folder + platform::pathSeparator) +
                           "inibin");
    return platform::replaceFileContent(binaryPath(key), value);
}

bool ConfigStore::writeRaw(const AnsiText& key, const AnsiText& value) {
    if (mode == StorageMode::Registry)
        return registry.writeString(registryKey(), key, value);
    return writeValue(section, key, value, false) == storeDone;
}

AnsiText ConfigStore::readRaw(const AnsiText& key, const AnsiText& defaultValue) {
    if (mode == StorageMode::Registry)
        return registry.readString(registryKey(), key).value_or(defaultValue);
    return readValue(section, key, defaultValue, false);
}

bool ConfigStore::writeText(const AnsiText& key, const AnsiText& value) {
    return writeRaw(key, replaceText(value, lineBreak, escapedLineBreak()));
}

AnsiText ConfigStore::readText(const AnsiText& key, const AnsiText& defaultValue) {
    const AnsiText stored = readRaw(key, replaceText(defaultValue, lineBreak, escapedLineBreak()));
    return replaceText(stored, escapedLineBreak(), lineBreak);
}

bool ConfigStore::writeNumber(const AnsiText& key, double value) {
    return writeRaw(key, numberText(value));
}

double ConfigStore::readNumber(const AnsiText& key, double defaultValue) {
    return leadingNumber<double>(readRaw(key, numberText(defaultValue)));
}

bool ConfigStore::writeFlag(const AnsiText& key, bool value) {
    return writeRaw(key, value ? trueText() : falseText());
}

bool ConfigStore::readFlag(const AnsiText& key, bool defaultValue) {
    return readRaw(key, defaultValue ? trueText() : falseText()) == trueText();
}

bool ConfigStore::readFlagDefaultTrue(const AnsiText& key, bool defaultValue) {
    return readRaw(key, defaultValue ? trueText() : falseText()) != falseText();
}

bool ConfigStore::writeInt64(const AnsiText& key, std::int64_t value) {
    return writeRaw(key, integerText(value));
}

std::int64_t ConfigStore::readInt64(const AnsiText& key, std::int64_t defaultValue) {
    return leadingNumber<std::int64_t>(readRaw(key, integerText(defaultValue)));
}

bool ConfigStore::saveRadioButton(batch::BatchHost& controls, std::string_view control) {
    return writeFlag(controls.textAttribute(control, batch::ControlAttribute::Caption),
                     controls.flagAttribute(control, batch::ControlAttribute::Selected));
}

bool ConfigStore::restoreRadioButton(batch::BatchHost& controls, std::string_view control) {
    const bool current = controls.flagAttribute(control, batch::ControlAttribute::Selected);
    const bool stored =
        readFlag(controls.textAttribute(control, batch::ControlAttribute::Caption), current);
    controls.setFlagAttribute(control, batch::ControlAttribute::Selected, stored);
    return controls.flagAttribute(control, batch::ControlAttribute::Selected);
}

// Check boxes and checkable items keep their checked state exactly as radio buttons do.
bool ConfigStore::saveCheckBox(batch::BatchHost& controls, std::string_view control) {
    return saveRadioButton(controls, control);
}
bool ConfigStore::restoreCheckBox(batch::BatchHost& controls, std::string_view control) {
    return restoreRadioButton(controls, control);
}
bool ConfigStore::saveCheckableItem(batch::BatchHost& controls, std::string_view control) {
    return saveRadioButton(controls, control);
}
bool ConfigStore::restoreCheckableItem(batch::BatchHost& controls, std::string_view control) {
    return restoreRadioButton(controls, control);
}

namespace {

struct GeometryKey {
    const char* key;
    batch::ControlAttribute attribute;
};
const GeometryKey geometryKeys[] = {
    {"左边", batch::ControlAttribute::Left},
    {"顶边", batch::ControlAttribute::Top},
    {"宽度", batch::ControlAttribute::Width},
    {"高度", batch::ControlAttribute::Height},
};
// Placement states from minimised on carry no position of their own.
constexpr int minimisedState = 2;

AnsiText geometrySection(const AnsiText& name) {
    return (name.empty() ? platform::ansi("主界面") : name) + platform::ansi(".尺寸");
}

} // namespace

void ConfigStore::saveWindowGeometry(batch::BatchHost& controls, const AnsiText& name) {
    const AnsiText windowItself;
    selectSection(geometrySection(name));
    const int state =
        controls.numberAttribute(windowItself, batch::ControlAttribute::PlacementState);
    writeNumber(platform::ansi("位置"), state);
    if (state >= minimisedState)
        return;
    for (const GeometryKey& entry : geometryKeys)
        writeNumber(platform::ansi(entry.key),
                    controls.numberAttribute(windowItself, entry.attribute));
}

void ConfigStore::restoreWindowGeometry(batch::BatchHost& controls, const AnsiText& name) {
    const AnsiText windowItself;
    selectSection(geometrySection(name));
    const int state = clampToInt(readNumber(
        platform::ansi("位置"),
        controls.numberAttribute(windowItself, batch::ControlAttribute::PlacementState)));
    controls.setNumberAttribute(windowItself, batch::ControlAttribute::PlacementState, state);
    if (state >= minimisedState)
        return;
    for (const GeometryKey& entry : geometryKeys) {
        const int current = controls.numberAttribute(windowItself, entry.attribute);
        controls.setNumberAttribute(windowItself, entry.attribute,
                                    clampToInt(readNumber(platform::ansi(entry.key), current)));
    }
}

} // namespace settings
