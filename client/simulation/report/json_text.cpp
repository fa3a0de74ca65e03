#include "client/simulation/report/json_text.h"

#include <cstdint>

#include "gfx/codepage.h"

namespace krel {

void AppendJsonString(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  for (char ch : text) {
    const auto b = static_cast<unsigned char>(ch);
    if (ch == '"' || ch == '\\') {
      out += '\\';
      out += ch;
    } else if (b >= 0x20 && b < 0x7F) {
      out += ch;
    } else {
      // Every character of the code page lies in the Basic Multilingual
      // Plane, so one escape always suffices.
      const std::uint32_t cp = Cp1252ToCodePoint(b);
      out += "\\u";
      for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(cp >> shift) & 0xF];
    }
  }
  out += '"';
}

}  // namespace krel
