// The store's edits of `content` and of the held file, and the queue of edits that arrive while
// another one is in progress (the window runs during the searches).
#include <algorithm>
#include <optional>

#include "platform/message_box.h"
#include "settings/config_store.h"

namespace settings {

using ini::EntryMatch;
using ini::lineBreak;
using ini::SectionMatch;

namespace {

// A direct write that keeps losing what it has just added (a window event replacing the
// content meanwhile) gives up after this many additions.
constexpr int maximumAdditions = 10;

} // namespace

StoreResult ConfigStore::runPendingOperations() {
    if (pending.empty())
        return StoreResult::NothingPending;
    // A nested run would edit `content` under the positions of the running edit.
    if (busy)
        return StoreResult::Queued;
    bool first = true;
    StoreResult firstResult = StoreResult::NothingPending;
    while (!pending.empty()) {
        busy = true;
        const PendingOperation operation = pending.front();
        const StoreResult result = runOperation(operation);
        pending.pop_front();
        busy = false;
        if (first)
            firstResult = result;
        first = false;
    }
    return firstResult;
}

StoreResult ConfigStore::runOperation(const PendingOperation& operation) {
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
    return StoreResult::Failed;
}

StoreResult ConfigStore::enqueue(PendingOperation operation) {
    pending.push_back(std::move(operation));
    if (busy)
        return StoreResult::Queued;
    return runPendingOperations();
}

void ConfigStore::pump() {
    if (events && events->pump)
        events->pump();
}

SectionMatch ConfigStore::locateSection(const AnsiText& sectionName, std::int64_t from) {
    for (;;) {
        pump();
        const ini::HeaderSearch found = ini::searchHeader(content, sectionName, from);
        if (found.retryFrom == -1)
            return found.match;
        from = found.retryFrom;
    }
}

std::int64_t ConfigStore::findBoundary(std::int64_t from, std::int64_t to) const {
    return ini::findBoundary(content, from, to);
}

void ConfigStore::replaceBytes(std::int64_t position, std::int64_t count, const AnsiText& bytes) {
    const bool editFile = fileStillMatches();
    content.replace(static_cast<std::size_t>(position - 1), static_cast<std::size_t>(count), bytes);
    // A failing file edit is not reported: `content` stays the truth for this run.
    if (editFile)
        file->replace(position - 1, count, bytes);
}

StoreResult ConfigStore::writeValue(const AnsiText& sectionName, const AnsiText& key,
                                    const AnsiText& value, bool direct) {
    if (direct)
        return writeDirect(sectionName, key, value);
    return enqueue({PendingOperation::Kind::Write, {sectionName, key, value}});
}

StoreResult ConfigStore::writeDirect(const AnsiText& sectionName, const AnsiText& key,
                                     const AnsiText& value) {
    std::int64_t from = 0;
    int appended = 0;
    int keysInserted = 0;
    for (;;) {
        const SectionMatch match = locateSection(sectionName, from);
        if (match.header != -1) {
            const EntryMatch entry = ini::findEntry(content, match, key);
            if (entry.key != -1) {
                replaceBytes(entry.valueStart, entry.valueEnd - entry.valueStart + 1, value);
                return StoreResult::Done;
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
    return StoreResult::Failed;
}

void ConfigStore::raiseAlarm() {
    if (!events || !events->showMessage)
        return;
    // The warning first; then the content, for the record.
    events->showMessage(platform::ansi("配置模块出现意外，可能导致无法正常保存！详情请咨询砚舟。"),
                        platform::systemModalWarning, platform::ansi("砚舟："));
    events->showMessage(getAllText(), platform::taskModalMessage, platform::ansi("信息："));
}

AnsiText ConfigStore::readValue(const AnsiText& sectionName, const AnsiText& key,
                                const AnsiText& defaultValue, bool emptyMeansDefault) {
    const SectionMatch match = locateSection(sectionName, 0);
    if (match.header == -1)
        return defaultValue;
    const EntryMatch entry = ini::findEntry(content, match, key);
    if (entry.key == -1)
        return defaultValue;
    const auto value = std::string_view(content).substr(
        static_cast<std::size_t>(entry.valueStart - 1),
        static_cast<std::size_t>(entry.valueEnd - entry.valueStart + 1));
    if (value.empty() && emptyMeansDefault)
        return defaultValue;
    return ini::cutAtZero(value);
}

StoreResult ConfigStore::deleteEntry(const AnsiText& sectionName, const AnsiText& key,
                                     bool direct) {
    if (direct)
        return deleteDirect(sectionName, key);
    return enqueue({PendingOperation::Kind::Delete, {sectionName, key}});
}

StoreResult ConfigStore::deleteDirect(const AnsiText& sectionName, const AnsiText& key) {
    const SectionMatch match = locateSection(sectionName, 0);
    if (match.header == -1)
        return StoreResult::SectionAbsent;
    const auto length = static_cast<std::int64_t>(content.size());
    if (key.empty()) {
        // The whole section up to the CR LF before the next boundary, or to the end.
        const std::int64_t boundary = findBoundary(match.bracket + 1, length);
        const std::int64_t last = boundary == -1 ? length : boundary - 1;
        replaceBytes(match.header, last - match.header + 1, {});
        return StoreResult::Done;
    }
    const EntryMatch entry = ini::findEntry(content, match, key);
    if (entry.key == -1)
        return StoreResult::KeyAbsent;
    replaceBytes(entry.lineBreak, entry.valueEnd - entry.lineBreak + 1, {});
    return StoreResult::Done;
}

StoreResult ConfigStore::renameSection(const AnsiText& oldName, const AnsiText& newName,
                                       bool direct) {
    if (direct)
        return renameSectionDirect(oldName, newName);
    return enqueue({PendingOperation::Kind::RenameSection, {oldName, newName}});
}

StoreResult ConfigStore::renameSectionDirect(const AnsiText& oldName, const AnsiText& newName) {
    const SectionMatch match = locateSection(oldName, 0);
    if (match.header == -1)
        return StoreResult::SectionAbsent;
    replaceBytes(match.header + 1, static_cast<std::int64_t>(oldName.size()), newName);
    return StoreResult::Done;
}

StoreResult ConfigStore::renameKey(const AnsiText& sectionName, const AnsiText& oldKey,
                                   const AnsiText& newKey, bool direct) {
    if (direct)
        return renameKeyDirect(sectionName, oldKey, newKey);
    return enqueue({PendingOperation::Kind::RenameKey, {sectionName, oldKey, newKey}});
}

StoreResult ConfigStore::renameKeyDirect(const AnsiText& sectionName, const AnsiText& oldKey,
                                         const AnsiText& newKey) {
    const SectionMatch match = locateSection(sectionName, 0);
    if (match.header == -1)
        return StoreResult::SectionAbsent;
    const EntryMatch entry = ini::findEntry(content, match, oldKey);
    if (entry.key == -1)
        return StoreResult::KeyAbsent;
    replaceBytes(entry.key, static_cast<std::int64_t>(oldKey.size()), newKey);
    return StoreResult::Done;
}

std::vector<AnsiText> ConfigStore::listSectionsWithKey(const AnsiText& key) {
    std::vector<AnsiText> names;
    for (const AnsiText& name : listSections({}, {})) {
        if (std::find(names.begin(), names.end(), name) != names.end())
            continue;
        const SectionMatch match = locateSection(name, 0);
        if (match.header != -1 && ini::findEntry(content, match, key).key != -1)
            names.push_back(name);
    }
    return names;
}

std::vector<AnsiText> ConfigStore::listKeysWithValue(const AnsiText& value,
                                                     const AnsiText& sectionName) {
    std::optional<SectionMatch> within;
    if (!sectionName.empty()) {
        within = locateSection(sectionName, 0);
        if (within->header == -1)
            return {};
    }
    return ini::keysWithValue(content, value, within);
}

} // namespace settings
