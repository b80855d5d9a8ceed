// A file that lives only in memory: the settings store's working copy when it must not touch
// the disk. It grows in steps of 1024 bytes.
#pragma once

#include "platform/random_access_file.h"

namespace platform {

class MemoryFile final : public RandomAccessFile {
public:
    MemoryFile() = default;
    explicit MemoryFile(std::string_view initial) { writeAt(0, initial); }

    std::int64_t length() const override { return static_cast<std::int64_t>(data.size()); }
    bool readAt(std::int64_t offset, std::int64_t count, std::string& out) const override;
    bool writeAt(std::int64_t offset, std::string_view bytes) override;
    bool truncate(std::int64_t newLength) override;

    const std::string& bytes() const { return data; }

private:
    static constexpr std::size_t growthStep = 1024;
    void reserveFor(std::size_t size);
    std::string data;
};

} // namespace platform
