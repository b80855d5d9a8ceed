// Whole-buffer conversions between named character sets through iconv, all or nothing: a
// conversion either converts every byte or gives nothing. The output may go to memory or
// straight into a file, so a large source is never held twice in converted form.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ansi_text.h"

namespace engine {

using platform::AnsiText;
using platform::ByteBuffer;

// Why a conversion gave nothing.
enum class ConversionStatus {
    Ok,             // every input byte converted
    UnknownPair,    // iconv knows no conversion between the two names
    Invalid,        // an invalid or incomplete sequence somewhere in the input
    OutputTooLarge, // the output outgrew the converter's growth rule
    SinkFailed,     // the receiver of the output refused it (a write error)
};

// Receives the bytes of an output file as they are produced.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    // Room for the converter to write into, at least `atLeast` bytes.
    virtual std::span<char> room(std::size_t atLeast) = 0;
    // The converter wrote `count` bytes at the start of the last room.
    virtual bool wrote(std::size_t count) = 0;
    // Appends bytes produced elsewhere (a byte-order mark, unconverted text).
    virtual bool append(std::string_view bytes) = 0;
    // Forgets everything after the first `length` bytes (the partial output of a conversion that
    // failed further on).
    virtual bool truncate(std::size_t length) = 0;
    // The number of bytes received so far.
    virtual std::size_t size() const = 0;
};

// Collects output in memory, in pieces that are never moved while the converter fills them.
class ByteCollector final : public ByteSink {
public:
    explicit ByteCollector(std::size_t expectedSize = 0);
    std::span<char> room(std::size_t atLeast) override;
    bool wrote(std::size_t count) override;
    bool append(std::string_view bytes) override;
    bool truncate(std::size_t length) override;
    std::size_t size() const override { return total; }
    // The first byte received, or -1 when there is none.
    int firstByte() const;
    // Everything received, up to (not including) the first zero byte when `cutAtZero`. The
    // pieces are released as they are copied.
    ByteBuffer take(bool cutAtZero = false);
    // Hands everything received to `sink` in order, releasing the pieces as they go; false when
    // the sink refused bytes.
    bool pourInto(ByteSink& sink);

private:
    struct Piece {
        std::unique_ptr<char[]> bytes;
        std::size_t capacity;
        std::size_t used;
    };
    std::vector<Piece> pieces;
    std::size_t total = 0;
    std::size_t nextCapacity;
};

// Collects output in one block of memory that is kept for the next conversion: reset() forgets
// the bytes and keeps the room, so a run of many pieces touches the same few buffers over and
// over instead of fresh pages for every piece.
class ReusedOutput final : public ByteSink {
public:
    // Forgets what was received, with room for at least `expectedSize` bytes.
    void reset(std::size_t expectedSize = 0);
    std::span<char> room(std::size_t atLeast) override;
    bool wrote(std::size_t count) override;
    bool append(std::string_view bytes) override;
    bool truncate(std::size_t length) override;
    std::size_t size() const override { return used; }
    std::string_view view() const { return {bytes.get(), used}; }

private:
    void grow(std::size_t wanted);

    std::unique_ptr<char[]> bytes;
    std::size_t capacity = 0;
    std::size_t used = 0;
};

// Outputs kept for later pieces: a piece takes one (a new one when none is spare) and gives it
// back once it is written, so that the pieces of a file, or of its windows one after the other,
// fill the same few buffers instead of fresh pages.
class SpareOutputs {
public:
    std::unique_ptr<ReusedOutput> take();
    void giveBack(std::unique_ptr<ReusedOutput> output);

private:
    std::mutex mutex;
    std::vector<std::unique_ptr<ReusedOutput>> outputs;
};

// Takes bytes only to count them, through one reused room of `roomSize` bytes: a dry run keeps
// no output, and a larger room makes the converter stop less often.
class CountingSink final : public ByteSink {
public:
    explicit CountingSink(std::size_t roomSize = std::size_t{1} << 16) : scratch(roomSize, '\0') {}
    std::span<char> room(std::size_t atLeast) override;
    bool wrote(std::size_t count) override;
    bool append(std::string_view bytes) override;
    bool truncate(std::size_t length) override;
    std::size_t size() const override { return received; }

private:
    std::string scratch;
    std::size_t received = 0;
};

// The most bytes a conversion of `inputLength` bytes may produce: the output buffer starts at
// the input's length and grows by (input length / 2 + 128) bytes at most 11 times.
std::uint64_t convertedSizeLimit(std::size_t inputLength);

// Converts the whole of `data` from `from` to `to` into `sink`. On any status but Ok the bytes
// already handed to the sink are incomplete and must be dropped. Names follow iconv's rules
// (case-insensitive, aliases); "UTF-8", "UTF-16LE" and "UTF-16BE" neither write nor expect a
// byte-order mark. Descriptors are kept per thread and name pair and reset between uses.
ConversionStatus convertCharsetInto(std::string_view data, std::string_view from,
                                    std::string_view to, ByteSink& sink);

// The same with the growth rule's limit given: a piece of a larger text converts under the whole
// text's limit, and the caller checks the pieces' sum against it.
ConversionStatus convertCharsetInto(std::string_view data, std::string_view from,
                                    std::string_view to, ByteSink& sink, std::uint64_t limit);

// The whole of `data` converted, or an empty buffer when any of it cannot be (unknown names,
// invalid or incomplete input, output beyond the growth rule). `ok`, when given, is true for a
// converted result and for empty input.
// Whether `charset` names the internal text's GB18030.
bool isInternalCharset(std::string_view charset);
// Whether a conversion between these keeps the Private Use characters GB18030 lacks under the
// internal text's own codes (engine/gb18030_private_use.h): GB18030 on exactly one side.
bool swapsPrivateUse(std::string_view from, std::string_view to);
// At an input `rest` iconv refused: the length of such a character there and its bytes on the
// other side in `swapped`, or 0.
std::size_t privateUseAt(std::string_view rest, std::string_view from, std::string_view to,
                         std::string& swapped);

ByteBuffer convertCharset(std::string_view data, std::string_view from, std::string_view to,
                          bool* ok = nullptr);

} // namespace engine
