// A text converted in small pieces on two workers must give exactly what it gives converted
// whole, in every encoding and both directions: the text, the encoding reported, the lossy flag
// and the problem, failures and fallbacks included. The first byte chooses the piece size.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/piece_cutting.h"
#include "engine/script_conversion.h"
#include "engine/text_encoding.h"
#include "platform/worker_pool.h"

using engine::TextEncoding;

namespace {

void expectSame(bool same) {
    if (!same)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    static platform::WorkerPool pool(2);
    engine::WorkControl pieces;
    pieces.pool = &pool;
    pieces.pieceSize = 1 + data[0] % 64;
    const engine::WorkControl whole;
    const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

    for (int choice = static_cast<int>(TextEncoding::Ansi);
         choice <= static_cast<int>(TextEncoding::Big5Hkscs); ++choice) {
        const auto encoding = static_cast<TextEncoding>(choice);
        const std::size_t start = engine::detectSourceEncoding(bytes, encoding).contentStart;
        const engine::DecodedText cut = engine::decodeContent(bytes, start, encoding, pieces);
        const engine::DecodedText one = engine::decodeContent(bytes, start, encoding, whole);
        expectSame(cut.text == one.text && cut.encoding == one.encoding && cut.lossy == one.lossy &&
                   !cut.abandoned);

        engine::ByteCollector cutSink;
        engine::ByteCollector oneSink;
        const auto cutProblem = engine::encodeTextInto(bytes, encoding, cutSink, pieces);
        const auto oneProblem = engine::encodeTextInto(bytes, encoding, oneSink, whole);
        expectSame(cutProblem == oneProblem && cutSink.take() == oneSink.take());
    }
    for (const auto mode :
         {engine::ScriptMode::Big5ToTraditional, engine::ScriptMode::TraditionalToBig5}) {
        const engine::ScriptResult cut = engine::convertScript(mode, bytes, pieces);
        const engine::ScriptResult one = engine::convertScript(mode, bytes, whole);
        expectSame(cut.text == one.text && cut.problem == one.problem);
    }
    return 0;
}
