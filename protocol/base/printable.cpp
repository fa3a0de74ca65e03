#include "protocol/base/printable.h"

namespace krel {

namespace {

// The length of the UTF-8 character that starts text[i], or 0 when no
// valid one (overlong forms, surrogates and C1 controls count as invalid).
std::size_t Utf8Char(std::string_view text, std::size_t i) {
  const auto b = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = b(i);
  std::size_t n = 0;
  char32_t c = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    n = 2;
    c = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    n = 3;
    c = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    n = 4;
    c = lead & 0x07;
  } else {
    return 0;
  }
  if (i + n > text.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    c = (c << 6) | (b(i + k) & 0x3F);
  }
  const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < least[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF) || c <= 0x9F) return 0;
  return n;
}

}  // namespace

std::string Printable(std::string_view text, PrintableStyle style) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const char ch = text[i];
    const auto u = static_cast<unsigned char>(ch);
    if (u >= 0x80 && !style.ascii) {
      if (const std::size_t n = Utf8Char(text, i); n > 0) {
        out.append(text.substr(i, n));
        i += n;
        continue;
      }
    }
    ++i;
    if (ch == '\n')
      out += "\\n";
    else if (ch == '\r')
      out += "\\r";
    else if (ch == '\t')
      out += "\\t";
    else if (style.quoted && (ch == '"' || ch == '\\'))
      (out += '\\') += ch;
    else if (u >= 0x20 && u < 0x7F)
      out += ch;
    else
      (out += "\\x") += {kHex[u >> 4], kHex[u & 0xF]};
  }
  return out;
}

}  // namespace krel
