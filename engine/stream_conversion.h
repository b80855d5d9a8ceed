// A conversion from a stream to a stream (standard input to standard output), in pieces cut at
// line ends so that memory stays bounded whatever the length: the same steps as a file's, a
// piece at a time.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

#include "engine/single_file_conversion.h"
#include "engine/text_encoding.h"
#include "engine/write_options.h"
#include "platform/file_problem.h"

namespace engine {

// Fills `buffer` with up to `size` bytes; the count read, 0 at the end, or -1 with errno set
// (which ends the conversion: a reader retries an interrupted read itself when it should).
using StreamReader = std::function<std::ptrdiff_t(char* buffer, std::size_t size)>;
// Takes converted bytes in order; false when they could not be written (errno set).
using StreamWriter = std::function<bool(std::string_view bytes)>;

// How far Auto looks into a stream before it decides: the mark, a web page's declaration, the
// UTF-8 trial and the smart reading all see at most this much of its start.
inline constexpr std::size_t streamHeadSize = std::size_t{64} << 10;

struct [[nodiscard]] StreamConversion {
    TextEncoding detected = TextEncoding::Auto; // Auto when nothing was read
    TextEncoding written = TextEncoding::Auto;
    // The first problem met (as a file's: LossyDecode, ZeroByteCut, LossyScript, LossyEncode,
    // Unconverted, ...); SourceUnreadable or OutputUnwritable with the error number when reading
    // or writing failed, which ends the conversion there.
    platform::FileStatus status;
};

struct StreamLimits {
    std::size_t headSize = streamHeadSize;        // what Auto decides on
    std::size_t pieceSize = std::size_t{1} << 20; // bytes read for one piece
    // A piece grows past pieceSize up to this to reach a line end; beyond, it is cut at a
    // character's end.
    std::size_t longestLine = std::size_t{16} << 20;
};

// Reads the whole stream and writes its conversion: decoded by `input` (Auto decides from the
// first streamHeadSize bytes, once for the whole stream), `script` applied, line ends changed,
// encoded by `output` (Auto: as detected) with a mark only when `write` asks for one. The text
// ends at the first zero byte, as a file's does.
StreamConversion convertStream(const StreamReader& read, const StreamWriter& writeBytes,
                               TextEncoding input, TextEncoding output,
                               const ScriptStep& script = {},
                               DetectionRule rule = DetectionRule::Classic,
                               const WriteOptions& write = {}, const StreamLimits& limits = {});

} // namespace engine
