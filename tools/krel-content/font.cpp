#include "tools/krel-content/font.h"

#include <cstring>
#include <set>

#include "tools/krel-content/palette.h"

namespace krel::content {

IndexedImage BuildFont(const std::vector<GlyphBlock>& blocks, std::vector<std::string>& errors) {
  IndexedImage font(kFontWidth, kFontHeight, kTransparent);
  std::set<int> defined;
  for (std::size_t b = 0; b < blocks.size(); ++b) {
    const GlyphBlock& block = blocks[b];
    const std::size_t count = std::strlen(block.chars);
    for (int r = 0; r < 8; ++r) {
      const std::size_t len = std::strlen(block.rows[r]);
      if (len + 1 != count * 7 && len != count * 7) {
        errors.push_back("glyph block " + std::to_string(b) + " row " + std::to_string(r) + " is " +
                         std::to_string(len) + " characters long, expected " + std::to_string(count * 7 - 1));
      }
    }
    for (std::size_t g = 0; g < count; ++g) {
      const int code = static_cast<unsigned char>(block.chars[g]);
      if (code < 2 || code > 251) {
        errors.push_back("glyph block " + std::to_string(b) + ": code " + std::to_string(code) + " has no cell");
        continue;
      }
      if (!defined.insert(code).second) {
        errors.push_back("character code " + std::to_string(code) + " is defined twice");
        continue;
      }
      bool ok = true;
      for (int r = 0; r < 8 && ok; ++r) {
        const char* row = block.rows[r];
        const std::size_t len = std::strlen(row);
        for (int col = 0; col < 6; ++col) {
          const std::size_t at = g * 7 + static_cast<std::size_t>(col);
          const char ch = at < len ? row[at] : '?';
          if (ch == '#') {
            font.set(1 + col, 8 * code - 16 + r, kInk);
          } else if (ch != '.') {
            errors.push_back("glyph of code " + std::to_string(code) + " row " + std::to_string(r) + ": unexpected '" +
                             std::string(1, ch) + "'");
            ok = false;
            break;
          }
        }
      }
    }
  }
  return font;
}

}  // namespace krel::content
