#include <gtest/gtest.h>

#include <string>

#include "client/core/codepage.h"

namespace krel {
namespace {

TEST(CodePage, Utf8ToWindows1252) {
  EXPECT_EQ(Utf8ToCp1252("Sch\xC3\xBCsse"), "Sch\xFCsse");
  EXPECT_EQ(Utf8ToCp1252("\xE2\x82\xAC 5"), "\x80 5");            // euro sign
  EXPECT_EQ(Utf8ToCp1252("\xE2\x80\x9Chi\xE2\x80\x9D"), "\x93hi\x94");  // curly quotes
  EXPECT_EQ(Utf8ToCp1252("a\xE6\x97\xA5z"), "az");                 // no byte for it: dropped
  EXPECT_EQ(Utf8ToCp1252("a\xF0\x9F\x98\x80z"), "az");             // four-byte form
  // Malformed input loses only the broken bytes.
  EXPECT_EQ(Utf8ToCp1252("a\xC3(b"), "a(b");
  EXPECT_EQ(Utf8ToCp1252("a\x80z"), "az");
  EXPECT_EQ(Utf8ToCp1252("ab\xE2\x82"), "ab");
  EXPECT_EQ(Utf8ToCp1252("\xC0\xAF"), "");          // overlong '/'
  EXPECT_EQ(Utf8ToCp1252("\xED\xA0\x80x"), "x");    // a surrogate half
  EXPECT_EQ(Utf8ToCp1252(""), "");
}

TEST(CodePage, EveryByteSurvivesTheRoundTrip) {
  for (int b = 0; b < 256; ++b) {
    std::string one(1, static_cast<char>(b));
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(one)), one) << b;
  }
  EXPECT_EQ(Cp1252ToCodePoint(0xFC), 0xFCu);
  EXPECT_EQ(Cp1252ToCodePoint(0x80), 0x20ACu);
  EXPECT_EQ(Cp1252ToCodePoint(0x9F), 0x178u);
  EXPECT_EQ(CodePointToCp1252(0x2122), 0x99);
  EXPECT_EQ(CodePointToCp1252(0x100), -1);
  EXPECT_EQ(Cp1252ToUtf8("\xFC"), "\xC3\xBC");
}

}  // namespace
}  // namespace krel
