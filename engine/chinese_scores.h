// How common, in Chinese text, the character each two-byte code of GB18030 and of Big5 reads as:
// 0 (never seen) to 15, -1 for a code that is unassigned or user-defined. Indexed by
// (lead - 0x81) * chinesePairTrails + (trail - 0x40) for leads 0x81-0xFE and trails 0x40-0xFE.
// Generated at build time from OpenCC's dictionaries (engine/generator/chinese_scores_gen.cpp).
#pragma once

namespace engine {

inline constexpr int chinesePairTrails = 0xFE - 0x40 + 1;
inline constexpr int chinesePairCodes = (0xFE - 0x81 + 1) * chinesePairTrails;

extern const signed char gb18030PairScores[chinesePairCodes];
extern const signed char big5PairScores[chinesePairCodes];

// The same for the ideographs U+3400-U+9FFF by code point, for UTF-16 text.
inline constexpr unsigned ideographScoresFirst = 0x3400;
inline constexpr unsigned ideographScoresLast = 0x9FFF;
extern const signed char ideographScores[ideographScoresLast - ideographScoresFirst + 1];

} // namespace engine
