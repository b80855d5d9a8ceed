// How often automatic detection reads a source without a mark as what it is: a seeded corpus of
// Chinese prose mixed with ASCII, and pure ASCII, in each encoding, short (20-199 bytes) and long
// (200 bytes and more), run through detection and decoding under the smart and the classic rule.
//
//     detect-accuracy [--count N] [--seed N] [--longest BYTES]
//
// A source counts as read correctly when the decoding reports its encoding (Big5-HKSCS for Big5
// too) and gives back its text; a pure ASCII source when it gives back its text, whatever the
// encoding reported. Prints one markdown table of rates.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "engine/charset_conversion.h"
#include "engine/script_conversion.h"
#include "engine/text_encoding.h"

namespace {

using engine::DetectionRule;
using engine::TextEncoding;

// Common words in the roles of a simple sentence; together a few hundred distinct characters.
const std::vector<std::string_view> subjects = {
    "我们",     "他们",   "公司",   "政府",     "学生",   "老师",     "孩子",     "朋友",
    "专家",     "工程师", "医生",   "用户",     "大家",   "这个城市", "我的父亲", "记者",
    "研究人员", "经理",   "农民们", "很多游客", "年轻人", "这家工厂", "市民",     "我妈妈",
};
const std::vector<std::string_view> times = {
    "今天", "明天", "昨天", "上午", "下午", "晚上",   "每年",   "最近",
    "去年", "现在", "周末", "当时", "以后", "春节前", "这个月", "第二天",
};
const std::vector<std::string_view> adverbs = {
    "已经",   "正在",   "经常",   "终于", "必须", "应该", "可能", "一直",   "马上",
    "认真地", "努力地", "很快就", "再次", "主动", "共同", "还在", "又一次", "不断地",
};
const std::vector<std::string_view> verbs = {
    "完成了", "讨论",   "研究",   "发布了", "参观了", "学习", "提高",   "解决了", "准备",
    "介绍了", "支持",   "改善",   "检查",   "保护",   "打开", "发现了", "管理",   "建设",
    "参加了", "组织了", "修改了", "关心",   "选择了", "推动", "接受了", "使用",   "写完了",
};
const std::vector<std::string_view> objects = {
    "这个项目",   "新的计划",   "软件版本",   "工作报告",   "环境问题",   "产品质量",
    "学校图书馆", "传统文化",   "市场经济",   "网络安全",   "医疗设备",   "交通系统",
    "历史文物",   "数据备份",   "会议的内容", "生活水平",   "考试成绩",   "服务质量",
    "农业技术",   "国际合作",   "儿童教育",   "城市规划",   "旅游路线",   "健康饮食",
    "一篇文章",   "自己的想法", "公园的树木", "家乡的变化", "天气预报",   "新闻节目",
    "银行账户",   "电脑的速度", "火车站广场", "山区的道路", "河流的水质", "员工的意见",
};
const std::vector<std::string_view> judgements = {
    "非常重要", "很有意思", "比较困难", "十分顺利", "越来越好", "不太满意", "特别安静",
    "相当复杂", "还不够好", "让人感动", "值得学习", "需要时间", "很受欢迎", "变化很大",
};
const std::vector<std::string_view> connectors = {
    "因为", "所以", "但是", "而且", "虽然", "如果", "为了", "同时", "然后", "另外", "于是",
};
const std::vector<std::string_view> asciiWords = {
    "Windows 10", "UTF-8", "PDF", "CPU",    "API",    "OK",    "Linux",  "version 2.1",
    "Excel",      "HTTP",  "USB", "Wi-Fi",  "GPS",    "email", "iPhone", "DNA",
    "CEO",        "NBA",   "WTO", "README", "config", "v3.0",  "MB",     "TCP/IP",
};

class Random {
public:
    explicit Random(std::uint64_t seed) : engine(seed) {}
    // Uniform enough for a corpus; the same on every system for a seed, unlike the standard
    // distributions.
    std::size_t below(std::size_t count) { return static_cast<std::size_t>(engine() % count); }
    bool chance(int percent) { return below(100) < static_cast<std::size_t>(percent); }
    std::string_view pick(const std::vector<std::string_view>& words) {
        return words[below(words.size())];
    }

private:
    std::mt19937_64 engine;
};

std::string asciiToken(Random& random) {
    switch (random.below(4)) {
    case 0:
        return std::to_string(random.below(10000));
    case 1:
        return std::to_string(random.below(100)) + "." + std::to_string(random.below(10)) + "%";
    case 2:
        return std::to_string(1990 + random.below(40)) + "年";
    default:
        return std::string(random.pick(asciiWords));
    }
}

std::string clause(Random& random) {
    std::string text;
    text += random.pick(subjects);
    if (random.chance(70)) {
        text += random.pick(adverbs);
        text += random.pick(verbs);
        text += random.pick(objects);
    } else {
        text += "觉得";
        text += random.pick(objects);
        text += random.pick(judgements);
    }
    return text;
}

// One sentence of Simplified prose, sometimes with ASCII words and numbers in it.
std::string sentence(Random& random) {
    std::string text;
    if (random.chance(30)) {
        text += random.pick(times);
        text += "，";
    }
    text += clause(random);
    if (random.chance(30)) {
        text += " " + asciiToken(random) + " ";
        text += random.pick(judgements);
    }
    if (random.chance(40)) {
        text += "，";
        text += random.pick(connectors);
        text += clause(random);
    }
    const std::size_t end = random.below(10);
    text += end < 7 ? "。" : end < 9 ? "，" : "！";
    if (random.chance(15))
        text += random.chance(50) ? "\n" : "\r\n";
    return text;
}

std::string asciiSentence(Random& random) {
    std::string text = "The";
    for (std::size_t i = 0, words = 3 + random.below(8); i < words; ++i)
        text += " " + asciiToken(random);
    return text + (random.chance(20) ? ".\n" : ". ");
}

std::string traditional(const std::string& utf8) {
    const std::string gb = engine::convertCharset(utf8, "UTF-8", "GB18030");
    const engine::ScriptResult converted = engine::simplifiedToTraditional(gb);
    if (!converted.ok())
        return {};
    return engine::convertCharset(converted.text, "GB18030", "UTF-8");
}

// The bytes one character of `utf8` (starting with `lead`) takes in `charset`.
std::size_t encodedWidth(unsigned char lead, std::string_view charset) {
    const bool isAscii = lead < 0x80;
    if (charset.substr(0, 6) == "UTF-16")
        return 2;
    if (charset == "UTF-8")
        return isAscii ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    return isAscii ? 1 : 2;
}

// The longest prefix of `utf8`, at a character boundary, whose encoding fits `size` bytes.
std::string cutToSize(const std::string& utf8, std::string_view charset, std::size_t size) {
    std::size_t used = 0;
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t width = encodedWidth(lead, charset);
        if (used + width > size)
            break;
        used += width;
        i += lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    }
    return utf8.substr(0, i);
}

struct Kind {
    const char* name;
    const char* charset; // how the sources are encoded
    TextEncoding expected;
    int traditionalPercent; // share of Traditional prose
    bool ascii;             // pure ASCII sources
};

const Kind kinds[] = {
    {"GBK", "GB18030", TextEncoding::Ansi, 0, false},
    {"Big5", "BIG5", TextEncoding::Big5, 100, false},
    {"UTF-8 without mark", "UTF-8", TextEncoding::Utf8, 50, false},
    {"UTF-16LE without mark", "UTF-16LE", TextEncoding::Utf16LE, 50, false},
    {"UTF-16BE without mark", "UTF-16BE", TextEncoding::Utf16BE, 50, false},
    {"ASCII", "UTF-8", TextEncoding::Utf8, 0, true},
};

// One source of the kind, as bytes, with its text as UTF-8; empty when the draw does not fit
// the charset (a Traditional character Big5 lacks).
struct Sample {
    std::string bytes;
    std::string utf8;
};

Sample drawSample(Random& random, const Kind& kind, std::size_t size, std::size_t minimum) {
    std::string utf8;
    const bool useTraditional = random.chance(kind.traditionalPercent);
    // Sentences until the encoded text surely exceeds the size (at most 3 bytes a character).
    while (utf8.size() < size * 2)
        utf8 += kind.ascii ? asciiSentence(random) : sentence(random);
    if (useTraditional)
        utf8 = traditional(utf8);
    utf8 = cutToSize(utf8, kind.charset, size);
    bool ok = false;
    std::string bytes = engine::convertCharset(utf8, "UTF-8", kind.charset, &ok);
    if (!ok || bytes.size() < minimum)
        return {};
    return {std::move(bytes), std::move(utf8)};
}

bool readsCorrectly(const Sample& sample, const Kind& kind, DetectionRule rule) {
    const engine::DetectedEncoding found =
        engine::detectSourceEncoding(sample.bytes, TextEncoding::Auto, rule);
    const engine::DecodedText decoded = engine::decodeContent(sample.bytes, found.contentStart,
                                                              found.encoding, {}, found.utf8Trial);
    const bool encodingRight =
        kind.ascii || decoded.encoding == kind.expected ||
        (kind.expected == TextEncoding::Big5 && decoded.encoding == TextEncoding::Big5Hkscs);
    return encodingRight && !decoded.lossy &&
           decoded.text == engine::convertCharset(sample.utf8, "UTF-8", "GB18030");
}

double percent(int part, int whole) {
    return whole == 0 ? 0.0 : 100.0 * part / whole;
}

} // namespace

int main(int argc, char** argv) {
    int count = 1000;
    std::uint64_t seed = 20240601;
    std::size_t longest = 4000;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string_view option = argv[i];
        const std::uint64_t value = std::strtoull(argv[i + 1], nullptr, 10);
        if (option == "--count")
            count = static_cast<int>(value);
        else if (option == "--seed")
            seed = value;
        else if (option == "--longest")
            longest = static_cast<std::size_t>(value);
        else {
            std::fprintf(stderr, "usage: detect-accuracy [--count N] [--seed N] [--longest B]\n");
            return 2;
        }
    }
    if (count <= 0 || longest < 200 || argc % 2 == 0) {
        std::fprintf(stderr, "usage: detect-accuracy [--count N] [--seed N] [--longest B]\n");
        return 2;
    }

    std::printf("%d sources per row, seed %llu; long sources up to %zu bytes.\n\n", count,
                static_cast<unsigned long long>(seed), longest);
    std::printf("| encoding | length | smart | classic |\n|---|---|---|---|\n");
    Random random(seed);
    for (const Kind& kind : kinds) {
        for (const bool isLong : {false, true}) {
            int smartRight = 0;
            int classicRight = 0;
            const std::size_t minimum = isLong ? 200 : 20;
            const std::size_t largest = isLong ? longest : 199;
            int refused = 0;
            for (int drawn = 0; drawn < count;) {
                const std::size_t size = minimum + random.below(largest - minimum + 1);
                const Sample sample = drawSample(random, kind, size, minimum);
                if (sample.bytes.empty()) {
                    if (++refused > 100 * count) {
                        std::fprintf(stderr, "detect-accuracy: cannot draw %s sources\n",
                                     kind.name);
                        return 1;
                    }
                    continue;
                }
                ++drawn;
                smartRight += readsCorrectly(sample, kind, DetectionRule::Smart);
                classicRight += readsCorrectly(sample, kind, DetectionRule::Classic);
            }
            std::printf("| %s | %s | %.1f %% | %.1f %% |\n", kind.name,
                        isLong ? ">= 200 bytes" : "20-199 bytes", percent(smartRight, count),
                        percent(classicRight, count));
        }
    }
    engine::releaseScriptConverters();
    return 0;
}
