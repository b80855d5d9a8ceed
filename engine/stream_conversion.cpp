#include "engine/stream_conversion.h"

#include <algorithm>
#include <cerrno>
#include <string>

#include "engine/charset_conversion.h"
#include "engine/conversion_problems.h"
#include "engine/other_encodings.h"
#include "engine/source_screening.h"
#include "platform/text_steps.h"

namespace engine {

namespace {

bool isUtf16(TextEncoding encoding) {
    return encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE;
}

// The UTF-16 unit at `at` (an even offset).
unsigned unitAt(std::string_view data, std::size_t at, TextEncoding encoding) {
    const auto first = static_cast<unsigned char>(data[at]);
    const auto second = static_cast<unsigned char>(data[at + 1]);
    return encoding == TextEncoding::Utf16LE ? first | second << 8 : first << 8 | second;
}

// Where a piece of `data` may end when more follows: after its last line feed, so that neither
// a character nor a CR LF pair is split (no byte of a GB18030, Big5 or UTF-8 character is
// 0x0A); 0 when there is none after `from`.
std::size_t lastLineEnd(std::string_view data, std::size_t from, TextEncoding encoding) {
    if (isUtf16(encoding)) {
        for (std::size_t end = data.size() & ~std::size_t{1}; end >= from + 2; end -= 2)
            if (unitAt(data, end - 2, encoding) == '\n')
                return end;
        return 0;
    }
    const std::size_t at = data.rfind('\n');
    return at == std::string_view::npos || at < from ? 0 : at + 1;
}

// Where a piece without a line end may end: after its last whole character, and before a CR
// that may start a CR LF pair.
std::size_t lastCharacterEnd(std::string_view data, std::size_t from, TextEncoding encoding) {
    std::size_t end = from;
    if (isUtf16(encoding)) {
        end = data.size() & ~std::size_t{1};
        if (end >= from + 2 && (unitAt(data, end - 2, encoding) & 0xFC00) == 0xD800)
            end -= 2; // a high surrogate waits for its low one
        if (end >= from + 2 && unitAt(data, end - 2, encoding) == '\r')
            end -= 2;
        return end;
    }
    for (std::size_t i = from; i < data.size();) {
        std::size_t length = 1;
        if (encoding == TextEncoding::Utf8) {
            const platform::Utf8Step step = platform::utf8StepAt(data, i);
            if (step.status == platform::Utf8Status::Truncated)
                break;
            length = step.length;
        } else if (static_cast<unsigned char>(data[i]) >= 0x81) {
            // A lead byte near the end may still miss the rest of its character.
            if (i + 4 > data.size())
                break;
            length = platform::doubleByteLength(data, i,
                                                encoding == TextEncoding::Ansi
                                                    ? platform::DoubleByteRule::Gb18030
                                                    : platform::DoubleByteRule::CodePage);
        }
        i += length;
        end = i;
    }
    if (end > from && data[end - 1] == '\r')
        --end;
    return end;
}

// Where the first character that ends the text of `data` from `from` stands; npos when there is
// none. In UTF-16 only a zero unit counts; the ANSI reading also ends at a 0x1A.
std::size_t firstZero(std::string_view data, std::size_t from, TextEncoding encoding) {
    if (encoding == TextEncoding::Ansi)
        return data.find_first_of(std::string_view("\0\x1A", 2), from);
    if (!isUtf16(encoding))
        return data.find('\0', from);
    for (std::size_t at = from; at + 1 < data.size(); at += 2)
        if (data[at] == '\0' && data[at + 1] == '\0')
            return at;
    return std::string_view::npos;
}

class StreamRun {
public:
    StreamRun(const StreamReader& reader, const StreamWriter& writer, const StreamLimits& sizes)
        : read(reader), writeBytes(writer), limits(sizes) {}

    StreamConversion run(TextEncoding input, TextEncoding output, const ScriptStep& script,
                         DetectionRule rule, const WriteOptions& write) {
        if (!fill(limits.headSize))
            return result;
        if (const std::string_view format = binaryFormatOf(buffer); !format.empty()) {
            result.status = {.problem = engine::problems::NotText, .detail = std::string(format)};
            return result;
        }
        const DetectedEncoding found = detectSourceEncoding(buffer, input, rule);
        encoding = found.encoding;
        std::size_t start = found.contentStart;
        if (encoding == TextEncoding::Ansi && found.utf8Trial) {
            // ANSI text is UTF-8 when it reads as UTF-8; the head decides for the whole stream.
            const std::size_t end =
                ended ? buffer.size() : lastCharacterEnd(buffer, start, TextEncoding::Utf8);
            const std::string_view content = std::string_view(buffer).substr(start, end - start);
            const std::string_view text = content.substr(0, content.find('\0'));
            // An empty text stays ANSI, as an empty file does.
            if (!text.empty() && platform::isValidUtf8(text))
                encoding = TextEncoding::Utf8;
        }
        result.detected = encoding;
        target = output == TextEncoding::Auto ? encoding : output;
        result.written = target;
        bool first = true;
        // iconv's wide encodings (UTF-16, UTF-32) have line feed bytes inside characters, and
        // write their own mark at every start: their stream converts as one piece.
        const bool whole = otherUnitSize(encoding) > 1 || otherUnitSize(target) > 1;
        while (true) {
            if (!fill(start + limits.pieceSize))
                return result;
            if (whole && !ended) {
                if (!fill(buffer.size() + limits.pieceSize))
                    return result;
                continue;
            }
            std::size_t end = ended ? buffer.size() : lastLineEnd(buffer, start, encoding);
            if (end == 0) {
                // A character of an encoding known only to iconv may end anywhere: its lines
                // are never cut.
                if (buffer.size() - start < limits.longestLine || isOtherEncoding(encoding)) {
                    if (!fill(buffer.size() + limits.pieceSize))
                        return result;
                    if (!ended)
                        continue;
                    end = buffer.size();
                } else {
                    end = std::max(lastCharacterEnd(buffer, start, encoding), start + 1);
                }
            }
            // Zeros read as iconv reads them stay for a target known to iconv; anything else
            // ends the text there.
            const std::size_t zero =
                isOtherEncoding(encoding) && isOtherEncoding(target) && !script
                    ? std::string_view::npos
                    : firstZero(std::string_view(buffer).substr(0, end), start, encoding);
            const bool last = zero != std::string_view::npos || (ended && end == buffer.size());
            if (!convertPiece(std::string_view(buffer).substr(0, std::min(zero, end)), start,
                              script, write, first))
                return result;
            if (zero != std::string_view::npos) {
                noteZeroCut(consumed + zero, zero);
                return result;
            }
            consumed += end;
            buffer.erase(0, end);
            start = 0;
            first = false;
            if (last)
                return result;
        }
    }

private:
    // Reads until the buffer holds `size` bytes or the stream ends; false after a read error.
    bool fill(std::size_t size) {
        while (!ended && buffer.size() < size) {
            const std::size_t had = buffer.size();
            buffer.resize(size);
            const std::ptrdiff_t count = read(buffer.data() + had, size - had);
            if (count < 0) {
                const int error = errno;
                buffer.resize(had);
                result.status = {platform::problems::SourceUnreadable, error};
                return false;
            }
            buffer.resize(had + static_cast<std::size_t>(count));
            ended = count == 0;
        }
        return true;
    }

    void note(platform::FileProblem problem, std::string detail = {}) {
        if (result.status.ok() && problem != platform::FileProblem::None) {
            result.status = {problem};
            result.status.detail = std::move(detail);
        }
    }

    // One piece through every step and out; false when the output refused it.
    bool convertPiece(std::string_view piece, std::size_t start, const ScriptStep& script,
                      const WriteOptions& write, bool first) {
        DecodedText decoded = decodeContent(ByteBuffer(piece), start, encoding, {}, false);
        if (decoded.lossy)
            note(engine::problems::LossyDecode);
        AnsiText text = std::move(decoded.text);
        TextEncoding encodeAs = target;
        if (script) {
            const ScriptStepOutcome stepped = script(text, encoding, {});
            note(stepped.problem, stepped.detail);
            if (stepped.big5) {
                const Big5Output settled = settleBig5Output(text, target);
                result.written = settled.written;
                encodeAs = settled.encodeAs;
            }
        }
        (void)changeLineEndings(text, write.lineEnding);
        ByteCollector collected(text.size() * 2);
        note(encodeTextInto(text, encodeAs, collected, {}, first && write.byteOrderMark));
        const ByteBuffer bytes = collected.take();
        if (!bytes.empty() && !writeBytes(bytes)) {
            result.status = {platform::problems::OutputUnwritable, errno};
            return false;
        }
        return true;
    }

    // The text ended at a zero character (or 0x1A) at `at` in the stream (`zero` in the buffer);
    // unless it is a single terminator that ends the stream, what follows it is lost.
    void noteZeroCut(std::size_t at, std::size_t zero) {
        const std::size_t unit = isUtf16(encoding) ? 2 : 1;
        const bool endMark = buffer[zero] == '\x1A';
        buffer.erase(0, zero);
        if (!fill(unit + 1) || buffer.size() <= unit)
            return;
        note(endMark ? engine::problems::EndMarkCut : engine::problems::ZeroByteCut);
        result.status.offset = at;
    }

    const StreamReader& read;
    const StreamWriter& writeBytes;
    const StreamLimits& limits;
    StreamConversion result;
    std::string buffer;
    bool ended = false;
    std::size_t consumed = 0; // stream bytes before the buffer's first
    TextEncoding encoding = TextEncoding::Auto;
    TextEncoding target = TextEncoding::Auto;
};

} // namespace

StreamConversion convertStream(const StreamReader& read, const StreamWriter& writeBytes,
                               TextEncoding input, TextEncoding output, const ScriptStep& script,
                               DetectionRule rule, const WriteOptions& write,
                               const StreamLimits& limits) {
    StreamRun run(read, writeBytes, limits);
    return run.run(input, output, script, rule, write);
}

} // namespace engine
