#include "settings/store_backend.h"

#include <string>

#include "platform/editable_file.h"
#include "platform/memory_file.h"

namespace settings {

namespace {

class FileBackend final : public StoreBackend {
public:
    explicit FileBackend(std::unique_ptr<platform::EditableFile> held)
        : StoreBackend(std::move(held)) {}
    // The file is where `content` was read from, so it follows by itself.
    void reloaded(const ByteBuffer&) override {}
    bool savesInPlace() const override { return true; }
};

class MemoryBackend final : public StoreBackend {
public:
    explicit MemoryBackend(const ByteBuffer& content)
        : StoreBackend(std::make_unique<platform::MemoryFile>(content)) {}
    // The copy follows, so that later edits land where `content` has them.
    void reloaded(const ByteBuffer& content) override {
        clear();
        append(content);
    }
    bool savesInPlace() const override { return false; }
};

} // namespace

bool StoreBackend::matches(const ByteBuffer& content) const {
    const std::int64_t length = file->length();
    std::string held;
    return length == static_cast<std::int64_t>(content.size()) && file->readAt(0, length, held) &&
           held == content;
}

void StoreBackend::replace(std::int64_t offset, std::int64_t count, std::string_view bytes) {
    platform::replaceBytes(*file, offset, count, bytes);
}

void StoreBackend::clear() {
    file->truncate(0);
}

void StoreBackend::append(std::string_view bytes) {
    const std::int64_t end = file->length();
    if (end >= 0)
        file->writeAt(end, bytes);
}

bool StoreBackend::rewrite(const ByteBuffer& content) {
    return file->writeAt(0, content) && file->truncate(static_cast<std::int64_t>(content.size()));
}

std::unique_ptr<StoreBackend> openFileBackend(const AnsiText& path) {
    auto held = platform::EditableFile::open(path);
    if (!held)
        return nullptr;
    return std::make_unique<FileBackend>(std::move(held));
}

std::unique_ptr<StoreBackend> makeMemoryBackend(const ByteBuffer& content) {
    return std::make_unique<MemoryBackend>(content);
}

} // namespace settings
