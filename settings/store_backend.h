// Where the store's edits land besides `content`: the settings file on disk, held open and
// locked, or an in-memory copy of it. Both are edited by byte offset, which is right only while
// they still hold exactly the bytes the store holds.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/ansi_text.h"
#include "platform/random_access_file.h"

namespace settings {

using platform::AnsiText;
using platform::ByteBuffer;

class StoreBackend {
public:
    virtual ~StoreBackend() = default;

    // Whether the held bytes still equal `content`. Another program may rewrite the disk file
    // in place (the lock binds only this program), or an edit may have failed halfway; an edit
    // by offset would then garble it.
    bool matches(const ByteBuffer& content) const;
    // The edit `content` has just received, made at the same 0-based offset here. A failure is
    // not reported: `content` stays the truth for the run.
    void replace(std::int64_t offset, std::int64_t count, std::string_view bytes);
    // Empties the held bytes.
    void clear();
    // Adds `bytes` at the end.
    void append(std::string_view bytes);
    // Writes all of `content` over the held bytes.
    bool rewrite(const ByteBuffer& content);

    // `content` was read again from the disk.
    virtual void reloaded(const ByteBuffer& content) = 0;
    // Whether saving over the opened file goes through this backend's own handle (which keeps
    // its lock) rather than by the file's name.
    virtual bool savesInPlace() const = 0;

protected:
    explicit StoreBackend(std::unique_ptr<platform::RandomAccessFile> held)
        : file(std::move(held)) {}

private:
    std::unique_ptr<platform::RandomAccessFile> file;
};

// The file at `path` held open for editing; nothing when it cannot be (locked by another
// instance, read-only).
std::unique_ptr<StoreBackend> openFileBackend(const AnsiText& path);
// An in-memory copy of `content`, which never touches the disk.
std::unique_ptr<StoreBackend> makeMemoryBackend(const ByteBuffer& content);

} // namespace settings
