// The store's life cycle and storage: opening, reloading and saving the file, the whole text,
// the listings, and where sections live in the registry and binary values on disk.
#include "settings/config_store.h"

#include "platform/editable_file.h"

namespace settings {

namespace {

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
        file = makeMemoryBackend(content);
    else
        file = openFileBackend(filePath);
    return file != nullptr;
}

void ConfigStore::reload() {
    content = platform::readEntireFile(openedPath).value_or(ByteBuffer());
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
    return lock && platform::replaceFileContent(destination, content);
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

} // namespace settings
