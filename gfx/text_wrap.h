// Breaking a text into lines of a given width, for chat lines that must stay
// within their half of the screen and message boxes that must fit on it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace krel {

// Splits text into lines of at most width characters (width 0 counts as 1).
// Line feeds in text end a line. A line breaks at its last blank that lets
// it fit (the blank is dropped), else after the last '/', '-' or '_' that
// does, else hard at the width. Blanks at the start of a continued line are
// dropped. Empty text gives no lines.
std::vector<std::string> WrapText(std::string_view text, std::size_t width);

// The same lines joined by line feeds.
std::string WrapTextLines(std::string_view text, std::size_t width);

}  // namespace krel
