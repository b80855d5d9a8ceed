// The settings file held open for editing. Opening takes an exclusive advisory lock (flock), so
// a second instance of the program can still read the file but cannot edit it; the lock and the
// descriptor go away with the object.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/ansi_text.h"
#include "platform/random_access_file.h"

namespace platform {

class EditableFile final : public RandomAccessFile {
public:
    // Opens `path` for reading and writing, creating it empty when missing and never truncating
    // it. Nothing (a null pointer) when the path cannot be represented, the file cannot be
    // opened for writing, or another open holds its lock.
    static std::unique_ptr<EditableFile> open(const AnsiText& path);

    EditableFile(const EditableFile&) = delete;
    EditableFile& operator=(const EditableFile&) = delete;
    ~EditableFile() override;

    std::int64_t length() const override;
    bool readAt(std::int64_t offset, std::int64_t count, std::string& out) const override;
    bool writeAt(std::int64_t offset, std::string_view bytes) override;
    bool truncate(std::int64_t newLength) override;

private:
    explicit EditableFile(int descriptor) : fd(descriptor) {}
    int fd;
};

} // namespace platform
