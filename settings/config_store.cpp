// The store's life cycle and storage: opening, reloading and saving the file, the whole text,
// the listings, and where sections live in the registry and binary values on disk.
#include "settings/config_store.h"

#include "platform/editable_file.h"
#include "platform/file_access.h"
#include "platform/file_system.h"
#include "platform/path_scan.h"

namespace settings {

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
    copy->events = events;
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
    content = platform::readWholeFile(filePath).bytes;
    if (inMemory)
        file = makeMemoryBackend(content);
    else
        file = openFileBackend(filePath);
    return file != nullptr;
}

void ConfigStore::reload() {
    content = platform::readWholeFile(openedPath).bytes;
    if (file)
        file->reloaded(content);
}

bool ConfigStore::fileStillMatches() {
    if (!file)
        return false;
    if (file->matches(content))
        return true;
    // The file is left as it is for the rest of the session; `content` keeps serving this run.
    file.reset();
    changedElsewhere = true;
    return false;
}

bool ConfigStore::saveCopyAs(const AnsiText& target) {
    const AnsiText destination = target.empty() ? openedPath : target;
    if (destination.empty())
        return false;
    // The held settings file is rewritten through its own handle, which keeps its lock; once
    // another program has changed it, it is theirs.
    if (destination == openedPath && changedElsewhere)
        return false;
    if (destination == openedPath && file && file->savesInPlace())
        return fileStillMatches() && file->rewrite(content);
    // A file that another store holds open for editing is left to that store.
    const auto lock = platform::EditableFile::open(destination);
    return lock && platform::writeFileReplacing(destination, content).ok();
}

std::vector<AnsiText> ConfigStore::listSections(const AnsiText& include,
                                                const AnsiText& exclude) const {
    return ini::listSections(content, include, exclude);
}

std::vector<AnsiText> ConfigStore::listKeys(const AnsiText& include, const AnsiText& exclude,
                                            const AnsiText& headerInclude,
                                            const AnsiText& headerExclude) const {
    return ini::listKeys(content, include, exclude, headerInclude, headerExclude);
}

AnsiText ConfigStore::getAllText() const {
    return ini::cutAtZero(content);
}

void ConfigStore::setAllText(const AnsiText& text, bool append) {
    const bool editFile = fileStillMatches();
    if (!append) {
        content.clear();
        if (editFile)
            file->clear();
    }
    content += text;
    if (editFile)
        file->append(text);
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
    registryPrefix =
        platform::ansi("砚舟软件") + "\\" + platform::baseNameOfPath(path) + "\\" + name + "\\";
    return registryPrefix;
}

AnsiText ConfigStore::registryKey() const {
    // The prefix ends with the separator that selectSection added.
    return "HKEY_CLASSES_ROOT\\" + registryPrefix.substr(0, registryPrefix.size() - 1);
}

AnsiText ConfigStore::binaryPath(const AnsiText& key) const {
    const AnsiText folder = platform::directoryOfPath(path);
    return (folder.empty() ? AnsiText() : folder + platform::pathSeparator) + "inibin" +
           platform::pathSeparator + section + "-" + key + ".ibn";
}

ByteBuffer ConfigStore::readBinary(const AnsiText& key, const ByteBuffer& defaultValue) {
    platform::FileContent bytes = platform::readWholeFile(binaryPath(key));
    return bytes.bytes.empty() ? defaultValue : std::move(bytes.bytes);
}

bool ConfigStore::writeBinary(const AnsiText& key, const ByteBuffer& value) {
    const AnsiText folder = platform::directoryOfPath(path);
    platform::makeFolder((folder.empty() ? AnsiText() : folder + platform::pathSeparator) +
                         "inibin");
    return platform::writeFileReplacing(binaryPath(key), value).ok();
}

} // namespace settings
