#include "gfx/codepage.h"

namespace krel {

namespace {

// Code points of bytes 0x80..0x9F; the rest of the code page is Latin-1.
constexpr std::uint32_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98..9F
};

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

std::uint32_t Cp1252ToCodePoint(unsigned char b) {
  if (b >= 0x80 && b <= 0x9F) return kHigh[b - 0x80];
  return b;
}

int CodePointToCp1252(std::uint32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (int i = 0; i < 32; ++i) {
    if (kHigh[i] == cp) return 0x80 + i;
  }
  return -1;
}

namespace {

std::string Convert(std::string_view utf8, const char* replacement) {
  std::string out;
  auto unknown = [&] {
    if (replacement != nullptr) out += *replacement;
  };
  std::size_t i = 0;
  while (i < utf8.size()) {
    unsigned char lead = static_cast<unsigned char>(utf8[i]);
    int extra;
    std::uint32_t cp;
    if (lead < 0x80) {
      extra = 0;
      cp = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1;
      cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2;
      cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3;
      cp = lead & 0x07;
    } else {
      ++i;  // a stray continuation byte or an invalid lead
      unknown();
      continue;
    }
    if (i + static_cast<std::size_t>(extra) >= utf8.size()) {  // truncated at the end
      unknown();
      break;
    }
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      unsigned char c = static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]);
      if ((c & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (c & 0x3F);
    }
    if (!ok) {
      ++i;
      unknown();
      continue;
    }
    i += static_cast<std::size_t>(extra) + 1;
    // Overlong forms are not characters.
    static constexpr std::uint32_t kMin[4] = {0, 0x80, 0x800, 0x10000};
    int b = cp < kMin[extra] ? -1 : CodePointToCp1252(cp);
    if (b >= 0) out += static_cast<char>(b);
    else unknown();
  }
  return out;
}

}  // namespace

std::string Utf8ToCp1252(std::string_view utf8) { return Convert(utf8, nullptr); }

std::string Utf8ToCp1252(std::string_view utf8, char replacement) { return Convert(utf8, &replacement); }

std::string Cp1252ToUtf8(std::string_view text) {
  std::string out;
  for (char c : text) AppendUtf8(out, Cp1252ToCodePoint(static_cast<unsigned char>(c)));
  return out;
}

std::string Cp1252Upper(std::string_view text) {
  std::string out(text);
  for (char& ch : out) {
    const unsigned char c = static_cast<unsigned char>(ch);
    unsigned char u = c;
    if (c >= 'a' && c <= 'z') u = static_cast<unsigned char>(c - 0x20);
    else if (c >= 0xE0 && c <= 0xFE && c != 0xF7) u = static_cast<unsigned char>(c - 0x20);
    else if (c == 0x9A || c == 0x9C || c == 0x9E) u = static_cast<unsigned char>(c - 0x10);
    else if (c == 0xFF) u = 0x9F;
    ch = static_cast<char>(u);
  }
  return out;
}

}  // namespace krel
