// The program's settings store: named values in sections of a small INI-style file, edited in
// place one value at a time. The file is held open (and locked) from open to close; every
// edit reaches it at once by moving only the bytes behind the edit. Values may instead live in
// an in-memory copy or in the registry stand-in.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/ansi_text.h"
#include "platform/message_box.h"
#include "platform/registry_store.h"
#include "settings/ini_text.h"
#include "settings/store_backend.h"

namespace settings {

using platform::AnsiText;
using platform::ByteBuffer;

enum class StorageMode : int {
    File = 0,       // the file on disk, edited in place
    MemoryCopy = 1, // the file's bytes copied once into memory; the disk only by saveCopyAs
    Registry = 2,   // no file; values live in the registry
};

struct PendingOperation {
    enum class Kind : int {
        Write = 0,         // section, key, value
        Delete = 1,        // section, key
        RenameSection = 2, // old name, new name
        RenameKey = 3,     // section, old key, new key
    };
    Kind kind = Kind::Write;
    AnsiText arguments[3];
};

// Results of writeValue and of the queued edits.
enum class StoreResult {
    Done,
    Queued,         // applied once the edit in progress has finished
    Failed,         // the section could not be created (after the alarm)
    SectionAbsent,  // deleteEntry, renameSection, renameKey: no such section
    KeyAbsent,      // deleteEntry, renameKey: no such key in the section
    NothingPending, // runPendingOperations: the queue was empty
};

// What the store needs from the window while it works: its pending events processed during
// long searches, and a message box for the alarm (text, style, title). Lent for the length
// of a load or save; without them nothing is pumped or shown.
struct StoreEvents {
    std::function<void()> pump;
    std::function<void(const AnsiText& text, const platform::MessageStyle& style,
                       const AnsiText& title)>
        showMessage;
};

// How the window stood when its placement was saved.
enum class PlacementState : int {
    Normal = 0,
    Centred = 1,
    Minimised = 2, // from here on the state carries no position of its own
    Maximised = 3,
};

// The window's placement, frame included.
struct WindowPlacement {
    PlacementState state = PlacementState::Normal;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

class ConfigStore {
public:
    // Registry mode keeps its values in the user's registry file.
    ConfigStore();
    // Registry mode keeps its values in `registryFile`.
    explicit ConfigStore(AnsiText registryFile);
    ConfigStore(const ConfigStore&) = delete;
    ConfigStore& operator=(const ConfigStore&) = delete;
    ~ConfigStore();

    // The window's events for as long as the returned guard lives (the store keeps no window).
    class LentEvents {
    public:
        LentEvents(ConfigStore& owner, const StoreEvents& events) : store(owner) {
            previous = std::exchange(store.events, &events);
        }
        ~LentEvents() { store.events = previous; }
        LentEvents(const LentEvents&) = delete;
        LentEvents& operator=(const LentEvents&) = delete;

    private:
        ConfigStore& store;
        const StoreEvents* previous;
    };
    [[nodiscard]] LentEvents lendEvents(const StoreEvents& lent) { return {*this, lent}; }

    // close, then release every text and the queue.
    void destroy();
    // Copy of every field; the open file is shared with the copy.
    std::unique_ptr<ConfigStore> clone() const;
    // Closes the file if open and empties `content`.
    void close();
    // Reads the file at `path` into `content`, then holds it open for editing (or, inMemory,
    // an in-memory copy of it). True when a file was obtained; false when the disk file
    // cannot be opened for editing (locked by another instance, read-only): the store then
    // edits `content` only. The same happens from the moment the file no longer equals
    // `content` before an edit (another program rewrote it): it is not written again.
    bool open(const AnsiText& path, bool inMemory);
    // Loads `content` again from `openedPath` (the in-memory copy follows).
    void reload();
    // Works off the queue; the result of its first operation, NothingPending when it was empty,
    // or Queued when called while an operation is running.
    StoreResult runPendingOperations();

    // The core edit: Done, Queued or Failed.
    StoreResult writeValue(const AnsiText& sectionName, const AnsiText& key, const AnsiText& value,
                           bool direct);
    // The core lookup; the default when the section or key is absent (or, with
    // emptyMeansDefault, when the value is empty). Cut at the first zero byte.
    AnsiText readValue(const AnsiText& sectionName, const AnsiText& key,
                       const AnsiText& defaultValue, bool emptyMeansDefault);
    // 1-based position of the "[" of the first section boundary between `from` and `to`, or -1.
    std::int64_t findBoundary(std::int64_t from, std::int64_t to) const;

    // Sections (in file order) that hold an entry with this key.
    std::vector<AnsiText> listSectionsWithKey(const AnsiText& key);
    // Keys whose value begins with `value` (empty: whose value is empty and followed by a line
    // break), in the whole file or, when `sectionName` is given, in that section only.
    std::vector<AnsiText> listKeysWithValue(const AnsiText& value, const AnsiText& sectionName);
    // Writes all of `content` to `target` (empty: `openedPath`), replacing that file; false
    // when it cannot be written or another store holds it open for editing.
    bool saveCopyAs(const AnsiText& target = {});
    // Names of the header lines "[...]", kept when they contain a non-empty include and do not
    // contain a non-empty exclude.
    std::vector<AnsiText> listSections(const AnsiText& include, const AnsiText& exclude) const;
    // Key names of the entry lines under the same rule. With a non-empty header filter, only
    // the keys between the first header passing it and the next header.
    std::vector<AnsiText> listKeys(const AnsiText& include, const AnsiText& exclude,
                                   const AnsiText& headerInclude = {},
                                   const AnsiText& headerExclude = {}) const;

    // With a key: removes that entry; with an empty key: the whole section. Done, SectionAbsent,
    // KeyAbsent, or Queued.
    StoreResult deleteEntry(const AnsiText& sectionName, const AnsiText& key, bool direct = false);
    // Done, SectionAbsent or Queued.
    StoreResult renameSection(const AnsiText& oldName, const AnsiText& newName,
                              bool direct = false);
    // Done, SectionAbsent, KeyAbsent or Queued.
    StoreResult renameKey(const AnsiText& sectionName, const AnsiText& oldKey,
                          const AnsiText& newKey, bool direct = false);

    // All of `content` up to its first zero byte.
    AnsiText getAllText() const;
    // Without append, empties `content` and the file first; then adds `text` to both.
    void setAllText(const AnsiText& text, bool append);

    // Remembers the path and mode; opens the file unless the mode is Registry.
    bool setFile(const AnsiText& filePath, StorageMode storageMode);
    // Makes `name` the current section; answers its registry key prefix.
    AnsiText selectSection(const AnsiText& name);

    // Binary values, each in folder of the settings file + "/inibin/" + section-key.ibn.
    ByteBuffer readBinary(const AnsiText& key, const ByteBuffer& defaultValue);
    bool writeBinary(const AnsiText& key, const ByteBuffer& value);

    // Values of the current section. The writers answer true when the value was written now
    // (false when it failed or was queued behind an edit in progress).
    bool writeText(const AnsiText& key, const AnsiText& value);
    AnsiText readText(const AnsiText& key, const AnsiText& defaultValue);
    bool writeNumber(const AnsiText& key, double value);
    double readNumber(const AnsiText& key, double defaultValue);
    bool writeFlag(const AnsiText& key, bool value);
    // True only for the stored true text; `defaultValue` when the key is absent.
    bool readFlag(const AnsiText& key, bool defaultValue);
    // False only for the stored false text, so that any other value reads as true;
    // `defaultValue` when the key is absent.
    bool readFlagTrueUnlessFalse(const AnsiText& key, bool defaultValue);
    bool writeInt64(const AnsiText& key, std::int64_t value);
    std::int64_t readInt64(const AnsiText& key, std::int64_t defaultValue);

    // Checkable controls: the caption is the key, the checked state the flag. Saving answers
    // whether the flag was written now; restoring answers the state the control is to have: the
    // stored one, or `current` when the key is missing.
    bool saveCheckableItem(const AnsiText& caption, bool checked);
    bool restoreCheckableItem(const AnsiText& caption, bool current);
    bool saveCheckBox(const AnsiText& caption, bool checked);
    bool restoreCheckBox(const AnsiText& caption, bool current);
    bool saveRadioButton(const AnsiText& caption, bool selected);
    bool restoreRadioButton(const AnsiText& caption, bool current);

    // The window's placement in section name + ".尺寸" (name empty: "主界面"). A minimised or
    // maximised window keeps only its state; restoring answers `current` with what was stored
    // put over it.
    void saveWindowGeometry(const WindowPlacement& placement, const AnsiText& name = {});
    WindowPlacement restoreWindowGeometry(const WindowPlacement& current,
                                          const AnsiText& name = {});

    AnsiText getFilePath() const { return path; }

    // The bytes the store holds (zero bytes included); equal to the file in File mode.
    const ByteBuffer& currentContent() const { return content; }
    // Whether a file (disk or in-memory) is held open.
    bool hasFile() const { return file != nullptr; }

private:
    // The section's header line from `from` on; the window runs before each search.
    ini::SectionMatch locateSection(const AnsiText& sectionName, std::int64_t from);
    StoreResult runOperation(const PendingOperation& operation);
    StoreResult enqueue(PendingOperation operation);
    StoreResult writeDirect(const AnsiText& sectionName, const AnsiText& key,
                            const AnsiText& value);
    StoreResult deleteDirect(const AnsiText& sectionName, const AnsiText& key);
    StoreResult renameSectionDirect(const AnsiText& oldName, const AnsiText& newName);
    StoreResult renameKeyDirect(const AnsiText& sectionName, const AnsiText& oldKey,
                                const AnsiText& newKey);
    // Whether the held file still equals `content`; lets it go for good when it does not.
    bool fileStillMatches();
    // Edits `content` and, while it still matches, the held file at the same place.
    void replaceBytes(std::int64_t position, std::int64_t count, const AnsiText& bytes);
    void raiseAlarm();
    void pump();
    bool writeRaw(const AnsiText& key, const AnsiText& value);
    AnsiText readRaw(const AnsiText& key, const AnsiText& defaultValue);
    AnsiText registryKey() const;
    AnsiText binaryPath(const AnsiText& key) const;

    ByteBuffer content;
    std::shared_ptr<StoreBackend> file; // shared with clones
    AnsiText openedPath;
    bool busy = false;
    std::deque<PendingOperation> pending;
    AnsiText path;
    AnsiText section;
    StorageMode mode = StorageMode::File;
    AnsiText registryPrefix;

    platform::RegistryStore registry;
    const StoreEvents* events = nullptr; // lent by lendEvents, never owned
    bool changedElsewhere = false;       // the opened file was changed by another program
};

} // namespace settings
