// An output file written through one reused buffer while it is converted.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

#include "engine/charset_conversion.h"
#include "engine/work_control.h"
#include "platform/ansi_text.h"
#include "platform/file_access.h"

namespace engine {

// The largest buffer a FileSink gathers output in before it writes.
inline constexpr std::size_t largestChunk = std::size_t{1} << 20;

// Streams the output into the replacing file through one reused buffer, so a large output is
// never held in memory as a whole. The buffer is sized to the expected output, so a run over
// many small files does not prepare a large buffer for each, and it gathers the byte-order mark
// with the text, so a small file goes out in one write. A write that fails shows in the next
// call and in commit().
class FileSink final : public ByteSink {
public:
    // With the source's permission bits, the output is never more open than the source.
    FileSink(const platform::AnsiText& path, std::size_t expectedSize,
             std::optional<unsigned> sourcePermissions = std::nullopt)
        : file(path, sourcePermissions),
          chunk(std::clamp(expectedSize, std::size_t{4096}, largestChunk)) {}
    const platform::FileStatus& status() const { return file.status(); }
    platform::FileStatus commit() {
        if (!flush())
            return file.status();
        return file.commit();
    }

    std::span<char> room(std::size_t atLeast) override {
        // A buffer at least half full goes out first, so the converter gets a long stretch; the
        // little gathered in one that is not (a byte-order mark) moves into a larger one, so that
        // a small file still goes out in one write.
        if (pending >= chunk / 2 && chunk - pending < std::max(atLeast, chunk / 2))
            (void)flush();
        if (!buffer || chunk - pending < atLeast) {
            const std::size_t size = std::max(chunk, pending + atLeast);
            std::unique_ptr<char[]> larger(new char[size]);
            if (pending > 0)
                std::memcpy(larger.get(), buffer.get(), pending);
            buffer = std::move(larger);
            chunk = size;
        }
        return {buffer.get() + pending, chunk - pending};
    }
    bool wrote(std::size_t count) override {
        pending += count;
        return file.status().ok();
    }
    bool append(std::string_view bytes) override {
        if (bytes.empty())
            return file.status().ok();
        if (!buffer)
            buffer.reset(new char[chunk]);
        if (bytes.size() <= chunk - pending) {
            std::memcpy(buffer.get() + pending, bytes.data(), bytes.size());
            pending += bytes.size();
            return file.status().ok();
        }
        if (!flush() || !file.write(bytes))
            return false;
        written += bytes.size();
        return true;
    }
    bool truncate(std::size_t length) override {
        if (length >= written) {
            pending = std::min(pending, length - written);
            return file.status().ok();
        }
        pending = 0;
        if (!file.truncate(length))
            return false;
        written = length;
        return true;
    }
    std::size_t size() const override { return written + pending; }

private:
    bool flush() {
        if (pending == 0)
            return file.status().ok();
        const bool ok = file.write({buffer.get(), pending});
        written += pending;
        pending = 0;
        return ok;
    }

    platform::ReplacingFile file;
    std::size_t chunk;
    std::unique_ptr<char[]> buffer;
    std::size_t pending = 0; // bytes in the buffer, not yet written
    std::size_t written = 0; // bytes handed to the file
};

// Hands bytes on to another sink until the control's stop comes.
class StoppableSink final : public ByteSink {
public:
    StoppableSink(ByteSink& into, const WorkControl& stop) : target(into), control(stop) {}
    std::span<char> room(std::size_t atLeast) override { return target.room(atLeast); }
    bool wrote(std::size_t count) override { return target.wrote(count) && !control.abandoned(); }
    bool append(std::string_view bytes) override {
        return target.append(bytes) && !control.abandoned();
    }
    bool truncate(std::size_t length) override { return target.truncate(length); }
    std::size_t size() const override { return target.size(); }

private:
    ByteSink& target;
    const WorkControl& control;
};

} // namespace engine
