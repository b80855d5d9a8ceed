// A file addressed by byte offsets, open for reading and writing: the settings file on disk or
// its in-memory copy. The settings store edits either one in place through insertBytes and
// deleteBytes, which move only the tail behind the edit.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

class RandomAccessFile {
public:
    virtual ~RandomAccessFile() = default;

    // Current length in bytes, or -1 when it cannot be told.
    virtual std::int64_t length() const = 0;
    // Reads exactly `count` bytes from `offset` into `out`; false when fewer are there.
    virtual bool readAt(std::int64_t offset, std::int64_t count, std::string& out) const = 0;
    // Writes all bytes at `offset`, growing the file when they reach past its end.
    virtual bool writeAt(std::int64_t offset, std::string_view bytes) = 0;
    // Cuts (or zero-extends) the file to `newLength` bytes.
    virtual bool truncate(std::int64_t newLength) = 0;
};

// Size of the pieces in which an edit moves the tail of a file.
inline constexpr std::int64_t editChunkSize = 4096;

// Inserts `bytes` at `offset` (0 .. length): the tail moves towards the end in chunks, last
// chunk first, then the bytes are written. False when the offset lies beyond the end or a read
// or write fails (the file may then hold a partly moved tail).
bool insertBytes(RandomAccessFile& file, std::int64_t offset, std::string_view bytes);

// Removes `count` bytes at `offset`: the tail moves down in chunks, first chunk first, then the
// file is shortened. False when the range lies outside the file or a step fails.
bool deleteBytes(RandomAccessFile& file, std::int64_t offset, std::int64_t count);

// Replaces the `count` bytes at `offset` by `bytes`, moving the tail once by the difference in
// length.
bool replaceBytes(RandomAccessFile& file, std::int64_t offset, std::int64_t count,
                  std::string_view bytes);

} // namespace platform
