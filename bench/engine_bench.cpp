// Micro-benchmarks of the engine's hot operations on a built-in sample of Chinese prose mixed
// with ASCII, each reporting bytes per second of its input:
//
//     engine-bench [--benchmark_filter=REGEX] [--benchmark_min_time=0.2]
//
// The sample is generated in memory (no corpus needed) and is a few megabytes, larger than the
// caches, so the figures are those of a large file rather than of one hot cache line.

#include <array>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

#include <benchmark/benchmark.h>

#include "engine/ansi_scan.h"
#include "engine/charset_conversion.h"
#include "engine/code_page_conversion.h"
#include "engine/script_conversion.h"
#include "engine/table_codecs.h"
#include "engine/text_encoding.h"
#include "engine/web_page_charset.h"
#include "platform/ansi_text.h"
#include "platform/iconv_handle.h"

namespace {

using engine::TextEncoding;
using platform::AnsiText;
using platform::ByteBuffer;

constexpr std::size_t sampleSize = std::size_t{8} << 20;

constexpr std::array<std::string_view, 16> sentences = {
    "今天天气很好，我们一起去公园散步吧。",
    "随着互联网的普及，人们的生活方式发生了很大变化；",
    "新的软件版本修复了许多已知的错误！",
    "这个月的销售额比上个月增长了百分之十，",
    "系统将在今晚进行例行维护。",
    "政府出台了一系列支持中小企业的政策：",
    "传统手工艺需要一代又一代人的传承，",
    "文件已经保存到指定的文件夹中。",
    "转换完成后，请检查输出文件的编码？",
    "他们在山顶上看到了美丽的日出。",
    "人工智能正在改变我们的生活，",
    "这座城市的交通越来越方便了。",
    " version 2.3.1 ",
    " UTF-8 GBK Big5 ",
    " 2024年6月1日 ",
    "\n",
};

// A deterministic mix of the sentences above (a small linear congruential generator), in UTF-8.
const std::string& sampleUtf8() {
    static const std::string text = [] {
        std::string result;
        result.reserve(sampleSize + 256);
        std::uint32_t state = 12345;
        while (result.size() < sampleSize) {
            state = state * 1664525u + 1013904223u;
            result += sentences[(state >> 16) % sentences.size()];
        }
        return result;
    }();
    return text;
}

// The sample as the internal GB18030 text.
const AnsiText& sampleAnsi() {
    static const AnsiText text = engine::convertCharset(sampleUtf8(), "UTF-8", "GB18030");
    return text;
}

const ByteBuffer& sampleIn(TextEncoding encoding) {
    static const ByteBuffer utf16le = engine::convertCharset(sampleAnsi(), "GB18030", "UTF-16LE");
    static const ByteBuffer utf16be = engine::convertCharset(sampleAnsi(), "GB18030", "UTF-16BE");
    static const ByteBuffer big5 =
        engine::convertScript(engine::ScriptMode::SimplifiedToBig5, sampleAnsi()).text;
    switch (encoding) {
    case TextEncoding::Utf8:
        return sampleUtf8();
    case TextEncoding::Utf16LE:
        return utf16le;
    case TextEncoding::Utf16BE:
        return utf16be;
    case TextEncoding::Big5:
        return big5;
    default:
        return sampleAnsi();
    }
}

// The sample in Traditional characters that Big5 holds, as the internal text.
const AnsiText& sampleTraditional() {
    static const AnsiText text = engine::big5ToAnsi(sampleIn(TextEncoding::Big5)).text;
    return text;
}

// The sample wrapped as a web page declaring `charset` in its head.
const ByteBuffer& samplePage() {
    static const ByteBuffer page = "<html><head><title>t</title>\n"
                                   "<meta http-equiv=\"Content-Type\" content=\"text/html; "
                                   "charset=UTF-8\">\n</head><body>\n" +
                                   sampleUtf8() + "</body></html>\n";
    return page;
}

void countBytes(benchmark::State& state, std::size_t bytes) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(bytes));
}

void detectPlainText(benchmark::State& state) {
    const ByteBuffer& data = sampleAnsi();
    for (auto _ : state)
        benchmark::DoNotOptimize(engine::detectSourceEncoding(data, TextEncoding::Auto));
    countBytes(state, data.size());
}
BENCHMARK(detectPlainText);

void detectWebPage(benchmark::State& state) {
    const ByteBuffer& page = samplePage();
    for (auto _ : state)
        benchmark::DoNotOptimize(engine::detectSourceEncoding(page, TextEncoding::Auto));
    countBytes(state, page.size());
}
BENCHMARK(detectWebPage);

void webPageCharset(benchmark::State& state) {
    const ByteBuffer& page = samplePage();
    for (auto _ : state)
        benchmark::DoNotOptimize(engine::detectWebPageCharset(page));
    countBytes(state, page.size());
}
BENCHMARK(webPageCharset);

void ansiView(benchmark::State& state) {
    const ByteBuffer& data = sampleAnsi();
    for (auto _ : state)
        benchmark::DoNotOptimize(engine::ansiTextLength(data));
    countBytes(state, data.size());
}
BENCHMARK(ansiView);

// The UTF-8 trial on a GBK source fails at its first Chinese character; what is left is the
// ANSI reading of the buffer.
void decodeAnsiSource(benchmark::State& state) {
    const ByteBuffer& data = sampleAnsi();
    for (auto _ : state) {
        state.PauseTiming();
        ByteBuffer copy = data;
        state.ResumeTiming();
        benchmark::DoNotOptimize(engine::decodeContent(std::move(copy), 0, TextEncoding::Ansi));
    }
    countBytes(state, data.size());
}
BENCHMARK(decodeAnsiSource);

// The UTF-8 trial that succeeds: a UTF-8 source without a mark read as ANSI.
void decodeUtf8Trial(benchmark::State& state) {
    const ByteBuffer& data = sampleUtf8();
    for (auto _ : state) {
        state.PauseTiming();
        ByteBuffer copy = data;
        state.ResumeTiming();
        benchmark::DoNotOptimize(engine::decodeContent(std::move(copy), 0, TextEncoding::Ansi));
    }
    countBytes(state, data.size());
}
BENCHMARK(decodeUtf8Trial);

void decode(benchmark::State& state, TextEncoding encoding) {
    const ByteBuffer& data = sampleIn(encoding);
    for (auto _ : state) {
        state.PauseTiming();
        ByteBuffer copy = data;
        state.ResumeTiming();
        benchmark::DoNotOptimize(engine::decodeContent(std::move(copy), 0, encoding));
    }
    countBytes(state, data.size());
}
BENCHMARK_CAPTURE(decode, utf8, TextEncoding::Utf8);
BENCHMARK_CAPTURE(decode, utf16le, TextEncoding::Utf16LE);
BENCHMARK_CAPTURE(decode, utf16be, TextEncoding::Utf16BE);
BENCHMARK_CAPTURE(decode, big5, TextEncoding::Big5);

// Encoding into a sink that keeps nothing: the converter's own cost.
void encodeStreamed(benchmark::State& state, TextEncoding encoding) {
    // Big5 takes Traditional text; Simplified text would measure the fallback instead.
    const AnsiText& text = encoding == TextEncoding::Big5 ? sampleTraditional() : sampleAnsi();
    // Counts the output and throws it away, like a file sink whose writes cost nothing.
    engine::CountingSink sink(std::size_t{1} << 20);
    for (auto _ : state)
        benchmark::DoNotOptimize(engine::encodeTextInto(text, encoding, sink));
    countBytes(state, text.size());
}
BENCHMARK_CAPTURE(encodeStreamed, utf8, TextEncoding::Utf8);
BENCHMARK_CAPTURE(encodeStreamed, utf16le, TextEncoding::Utf16LE);
BENCHMARK_CAPTURE(encodeStreamed, utf16be, TextEncoding::Utf16BE);
BENCHMARK_CAPTURE(encodeStreamed, big5, TextEncoding::Big5);
BENCHMARK_CAPTURE(encodeStreamed, ansi, TextEncoding::Ansi);

// Encoding into memory, as encodeText gives it.
void encodeToMemory(benchmark::State& state, TextEncoding encoding) {
    const AnsiText& text = sampleAnsi();
    for (auto _ : state)
        benchmark::DoNotOptimize(engine::encodeText(text, encoding));
    countBytes(state, text.size());
}
BENCHMARK_CAPTURE(encodeToMemory, utf8, TextEncoding::Utf8);
BENCHMARK_CAPTURE(encodeToMemory, utf16le, TextEncoding::Utf16LE);

void scriptConversion(benchmark::State& state, engine::ScriptMode mode, TextEncoding input) {
    const AnsiText& text =
        input == TextEncoding::Big5 ? sampleIn(TextEncoding::Big5) : sampleAnsi();
    // The dictionaries load on first use; that is set-up, not conversion.
    (void)engine::convertScript(mode, text.substr(0, 4096));
    for (auto _ : state)
        benchmark::DoNotOptimize(engine::convertScript(mode, text));
    countBytes(state, text.size());
}
BENCHMARK_CAPTURE(scriptConversion, s2t, engine::ScriptMode::SimplifiedToTraditional,
                  TextEncoding::Ansi)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(scriptConversion, t2s, engine::ScriptMode::TraditionalToSimplified,
                  TextEncoding::Ansi)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(scriptConversion, big52t, engine::ScriptMode::Big5ToTraditional,
                  TextEncoding::Big5)
    ->Unit(benchmark::kMillisecond);

// The code-page step of the Big5 script modes: Traditional text, and Simplified text, where
// most characters are missing from Big5 and become "?".
void codePageToBig5(benchmark::State& state, bool traditional) {
    const AnsiText& text = traditional ? sampleTraditional() : sampleAnsi().substr(0, 1 << 20);
    for (auto _ : state)
        benchmark::DoNotOptimize(engine::ansiToBig5(text));
    countBytes(state, text.size());
}
BENCHMARK_CAPTURE(codePageToBig5, traditional, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(codePageToBig5, simplifiedLossy, false)->Unit(benchmark::kMillisecond);

// One conversion between character sets three ways over the same bytes: the engine's tables,
// iconv alone (one call into a reused buffer), and memcpy of the input, the physical reference.
enum class Way { Tables, Straight, Iconv, Memcpy };

struct CodecCase {
    const char* from;
    const char* to;
    const ByteBuffer& (*input)();
};

const ByteBuffer& gbkInput() {
    return sampleAnsi();
}
const ByteBuffer& utf8Input() {
    return sampleUtf8();
}
const ByteBuffer& utf16Input() {
    return sampleIn(TextEncoding::Utf16LE);
}
const ByteBuffer& big5Input() {
    return sampleIn(TextEncoding::Big5);
}
const ByteBuffer& traditionalInput() {
    return sampleTraditional();
}

void codec(benchmark::State& state, CodecCase pair, Way way) {
    const ByteBuffer& data = pair.input();
    std::string out(4 * data.size() + 64, '\0');
    const platform::IconvHandle handle(pair.to, pair.from);
    engine::CountingSink sink(std::size_t{1} << 20);
    for (auto _ : state) {
        switch (way) {
        case Way::Tables:
            benchmark::DoNotOptimize(engine::convertByTable(
                data, pair.from, pair.to, sink, engine::convertedSizeLimit(data.size())));
            break;
        case Way::Straight:
            benchmark::DoNotOptimize(engine::convertStraight(
                data, pair.from, pair.to, sink, engine::convertedSizeLimit(data.size())));
            break;
        case Way::Iconv: {
            handle.resetState();
            char* in = const_cast<char*>(data.data());
            std::size_t inLeft = data.size();
            char* o = out.data();
            std::size_t outLeft = out.size();
            benchmark::DoNotOptimize(iconv(handle.get(), &in, &inLeft, &o, &outLeft));
            break;
        }
        case Way::Memcpy:
            std::memcpy(out.data(), data.data(), data.size());
            benchmark::DoNotOptimize(out.data());
            benchmark::ClobberMemory();
            break;
        }
    }
    countBytes(state, data.size());
}

#define CODEC_BENCHMARKS(name, from, to, input)                                                    \
    BENCHMARK_CAPTURE(codec, name##_tables, CodecCase{from, to, input}, Way::Tables);              \
    BENCHMARK_CAPTURE(codec, name##_iconv, CodecCase{from, to, input}, Way::Iconv);                \
    BENCHMARK_CAPTURE(codec, name##_memcpy, CodecCase{from, to, input}, Way::Memcpy)

// Straight from one set to another, with no internal text between them.
#define STRAIGHT_BENCHMARKS(name, from, to, input)                                                 \
    BENCHMARK_CAPTURE(codec, name##_tables, CodecCase{from, to, input}, Way::Straight);            \
    BENCHMARK_CAPTURE(codec, name##_iconv, CodecCase{from, to, input}, Way::Iconv);                \
    BENCHMARK_CAPTURE(codec, name##_memcpy, CodecCase{from, to, input}, Way::Memcpy)

CODEC_BENCHMARKS(gb18030_to_utf8, "GB18030", "UTF-8", gbkInput);
CODEC_BENCHMARKS(utf8_to_gb18030, "UTF-8", "GB18030", utf8Input);
CODEC_BENCHMARKS(gb18030_to_utf16le, "GB18030", "UTF-16LE", gbkInput);
CODEC_BENCHMARKS(utf16le_to_gb18030, "UTF-16LE", "GB18030", utf16Input);
CODEC_BENCHMARKS(big5_to_gb18030, "BIG5", "GB18030", big5Input);
CODEC_BENCHMARKS(gb18030_to_big5, "GB18030", "BIG5", traditionalInput);
CODEC_BENCHMARKS(big5hkscs_to_gb18030, "BIG5-HKSCS", "GB18030", big5Input);
STRAIGHT_BENCHMARKS(utf16le_to_utf8, "UTF-16LE", "UTF-8", utf16Input);
STRAIGHT_BENCHMARKS(big5_to_utf8, "BIG5", "UTF-8", big5Input);

} // namespace

BENCHMARK_MAIN();
