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

// The code page 437 code of every Windows-1252 byte, -1 where code page 437
// has no such character (control bytes, DEL, and most of 0x80..0x9F);
// the no-break space is a space.
constexpr std::int16_t kCp437[256] = {
    -1,  -1,  -1,  -1,  -1,  -1,  -1,  -1,  -1,  -1,  -1,  -1,  -1,  -1,  -1,  -1,   // 00
    -1,  -1,  -1,  -1,  -1,  -1,  -1,  -1,  -1,  -1,  -1,  -1,  -1,  -1,  -1,  -1,   // 10
    32,  33,  34,  35,  36,  37,  38,  39,  40,  41,  42,  43,  44,  45,  46,  47,   // 20
    48,  49,  50,  51,  52,  53,  54,  55,  56,  57,  58,  59,  60,  61,  62,  63,   // 30
    64,  65,  66,  67,  68,  69,  70,  71,  72,  73,  74,  75,  76,  77,  78,  79,   // 40
    80,  81,  82,  83,  84,  85,  86,  87,  88,  89,  90,  91,  92,  93,  94,  95,   // 50
    96,  97,  98,  99,  100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111,  // 60
    112, 113, 114, 115, 116, 117, 118, 119, 120, 121, 122, 123, 124, 125, 126, -1,   // 70
    -1,  -1,  -1,  159, -1,  -1,  -1,  -1,  -1,  -1,  -1,  -1,  -1,  -1,  -1,  -1,   // 80
    -1,  -1,  -1,  -1,  -1,  -1,  -1,  -1,  -1,  -1,  -1,  -1,  -1,  -1,  -1,  -1,   // 90
    32,  173, 155, 156, -1,  157, -1,  -1,  -1,  -1,  166, 174, 170, -1,  -1,  -1,   // A0
    248, 241, -1,  -1,  -1,  230, -1,  250, -1,  -1,  167, 175, 172, 171, -1,  168,  // B0
    -1,  -1,  -1,  -1,  142, 143, 146, 128, -1,  144, -1,  -1,  -1,  -1,  -1,  -1,   // C0
    -1,  165, -1,  -1,  -1,  -1,  153, -1,  -1,  -1,  -1,  -1,  154, -1,  -1,  225,  // D0
    133, 160, 131, -1,  132, 134, 145, 135, 138, 130, 136, 137, 141, 161, 140, 139,  // E0
    -1,  164, 149, 162, 147, -1,  148, 246, -1,  151, 163, 150, 129, -1,  -1,  152,  // F0
};

}  // namespace

int Cp437FromCp1252(unsigned char b) { return kCp437[b]; }

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
    if (b >= 0)
      out += static_cast<char>(b);
    else
      unknown();
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
    if (c >= 'a' && c <= 'z')
      u = static_cast<unsigned char>(c - 0x20);
    else if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
      u = static_cast<unsigned char>(c - 0x20);
    else if (c == 0x9A || c == 0x9C || c == 0x9E)
      u = static_cast<unsigned char>(c - 0x10);
    else if (c == 0xFF)
      u = 0x9F;
    ch = static_cast<char>(u);
  }
  return out;
}

}  // namespace krel
