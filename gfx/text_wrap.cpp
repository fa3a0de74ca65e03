#include "gfx/text_wrap.h"

#include <algorithm>

namespace krel {

namespace {

void WrapParagraph(std::string_view para, std::size_t width, std::vector<std::string>& out) {
  if (para.empty()) {
    out.emplace_back();
    return;
  }
  while (!para.empty()) {
    if (para.size() <= width) {
      out.emplace_back(para);
      return;
    }
    std::size_t cut = para.rfind(' ', width);  // the blank may stand just past the width
    std::size_t next = cut == std::string_view::npos ? 0 : cut + 1;
    if (cut == std::string_view::npos || cut == 0) {
      // No blank to break at: after a separator within the width, else hard.
      const std::size_t sep = para.substr(0, width).find_last_of("/-_");
      cut = next = sep != std::string_view::npos ? sep + 1 : width;
    }
    out.emplace_back(para.substr(0, cut));
    para.remove_prefix(next);
    while (!para.empty() && para.front() == ' ') para.remove_prefix(1);
  }
}

}  // namespace

std::vector<std::string> WrapText(std::string_view text, std::size_t width) {
  width = std::max<std::size_t>(width, 1);
  std::vector<std::string> lines;
  if (text.empty()) return lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find('\n', start);
    WrapParagraph(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start), width,
                  lines);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return lines;
}

std::string WrapTextLines(std::string_view text, std::size_t width) {
  std::string out;
  for (const std::string& line : WrapText(text, width)) {
    out += line;
    out += '\n';
  }
  if (!out.empty()) out.pop_back();
  return out;
}

}  // namespace krel
