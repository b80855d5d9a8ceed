// A web page names its own encoding: `<meta charset=...>`, `<meta http-equiv="Content-Type"
// content="...; charset=...">` or `<?xml ... encoding="..."?>`. A page written in another
// encoding than it declares would be shown as mojibake, so the declaration follows the output.
#pragma once

#include <string_view>
#include <vector>

#include "engine/text_encoding.h"
#include "platform/ansi_text.h"

namespace engine {

// The label a rewritten declaration gets: UTF-8, GBK (browsers read it with the GB18030
// decoder), UTF-16LE, UTF-16BE, Big5, Big5-HKSCS; empty for Auto.
std::string_view charsetLabel(TextEncoding encoding);

// Whether a declared label names `encoding`, ignoring ASCII case: its label or a common alias
// (gb2312, gb18030 and cp936 for Ansi, utf8 for UTF-8, utf-16 for UTF-16LE, ...).
bool labelNames(std::string_view label, TextEncoding encoding);

// Where a declaration's value stands in a page.
struct DeclaredValue {
    std::size_t start;
    std::size_t length;
};

// The values rewriteCharsetDeclarations replaces with charsetLabel(written), in the page's order.
std::vector<DeclaredValue> declarationsToRewrite(std::string_view page, TextEncoding written);

// Whether the start of a page holds everything that decides its declarations and the charset
// it declares, so that the rest cannot change them: a plain head that ends within it, and the
// whole of an XML declaration it begins with.
bool declarationsEndWithin(std::string_view pageStart);

// Rewrites the value of every charset declaration of the page (the meta tags of its head, or of
// the whole page when it has no plain "<head>"; an XML declaration at its start) that does not
// name `written` to charsetLabel(written). Nothing else changes, and a page that already names
// its encoding stays byte for byte. The page is scanned character-wise, so it may be GB18030 or
// Big5 bytes. Returns whether anything changed.
bool rewriteCharsetDeclarations(AnsiText& page, TextEncoding written);

} // namespace engine
