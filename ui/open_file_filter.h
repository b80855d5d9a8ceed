// The open dialog's filter as the program writes it ("文本文件(*.txt)|*.txt|全部文件(*.*)|*.*":
// description and patterns alternating, patterns separated by ";") in the toolkit's form.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ui {

// One toolkit name filter per description/pattern pair, in order, UTF-8 in and out:
// "文本文件(*.txt) (*.txt)". Patterns are separated by blanks, and "*.*", which means every name,
// becomes "*" (the toolkit would take it for names with a dot only). A pair without patterns
// gets "*"; a description without a pattern part is dropped. An empty filter gives no filters.
std::vector<std::string> qtNameFilters(std::string_view filter);

} // namespace ui
