#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/keycodes.h"

namespace krel {
namespace {

TEST(KeyCodes, EveryNamedCodeParsesBackToItself) {
  int named = 0;
  std::set<std::string> names;
  std::set<std::string> ids;
  for (int code = 0; code < 256; ++code) {
    std::string id(DikIdentifier(code));
    std::string name = DikKeyName(code);
    // A code has both an identifier and a display name, or neither.
    EXPECT_EQ(id.empty(), name.empty()) << "code " << code;
    if (id.empty()) continue;
    ++named;
    EXPECT_EQ(ParseDikName(id), code) << id;
    std::string lower;
    for (char c : id) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(ParseDikName(lower), code) << lower;
    EXPECT_EQ(ParseDikName("DIK_" + id), code) << id;
    EXPECT_TRUE(names.insert(name).second) << "display name used twice: " << name;
    EXPECT_TRUE(ids.insert(id).second) << "identifier used twice: " << id;
  }
  // A full PC keyboard with its multimedia and international keys.
  EXPECT_GE(named, 140);
  EXPECT_EQ(DikKeyName(0), "");
  EXPECT_EQ(DikKeyName(0x54), "");
  EXPECT_EQ(DikKeyName(255), "");
  EXPECT_EQ(DikKeyName(-1), "");
  EXPECT_EQ(DikKeyName(256), "");
}

TEST(KeyCodes, DirectInputNumbering) {
  // Extended keys live in the 0x80 range, apart from their keypad twins.
  EXPECT_EQ(ParseDikName("LEFT"), 203);
  EXPECT_EQ(ParseDikName("RIGHT"), 205);
  EXPECT_EQ(ParseDikName("UP"), 200);
  EXPECT_EQ(ParseDikName("DOWN"), 208);
  EXPECT_EQ(ParseDikName("NUMPAD4"), 0x4B);
  EXPECT_EQ(ParseDikName("NUMPADENTER"), 0x9C);
  EXPECT_EQ(ParseDikName("RCONTROL"), 0x9D);
  EXPECT_EQ(ParseDikName("RMENU"), 0xB8);
  EXPECT_EQ(ParseDikName("DIVIDE"), 0xB5);
  EXPECT_EQ(ParseDikName("HOME"), 0xC7);
  EXPECT_EQ(ParseDikName("DELETE"), 0xD3);
  EXPECT_EQ(ParseDikName("ESCAPE"), 1);
  EXPECT_EQ(ParseDikName("RETURN"), 28);
  EXPECT_EQ(ParseDikName("SPACE"), 57);
  EXPECT_EQ(ParseDikName("LSHIFT"), 42);
  EXPECT_EQ(ParseDikName("RSHIFT"), 54);
  EXPECT_EQ(ParseDikName("LCONTROL"), 29);
  EXPECT_EQ(ParseDikName("1"), 2);
  EXPECT_EQ(ParseDikName("0"), 11);
  EXPECT_EQ(ParseDikName("F1"), 59);
  EXPECT_EQ(ParseDikName("F10"), 68);
  EXPECT_EQ(ParseDikName("F11"), 87);
  EXPECT_EQ(ParseDikName("F12"), 88);
  EXPECT_EQ(ParseDikName("NUMPAD0"), 82);
  // The letters of the default key table.
  EXPECT_EQ(ParseDikName("J"), 36);
  EXPECT_EQ(ParseDikName("K"), 37);
  EXPECT_EQ(ParseDikName("L"), 38);
  EXPECT_EQ(ParseDikName("S"), 31);
  EXPECT_EQ(ParseDikName("F"), 33);
  EXPECT_EQ(ParseDikName("E"), 18);
  EXPECT_EQ(ParseDikName("D"), 32);
  EXPECT_EQ(ParseDikName("Y"), 21);
  EXPECT_EQ(ParseDikName("X"), 45);
  EXPECT_EQ(ParseDikName("C"), 46);
  // DirectInput's second names.
  EXPECT_EQ(ParseDikName("BACKSPACE"), DIK_BACK);
  EXPECT_EQ(ParseDikName("pgdn"), DIK_NEXT);
  EXPECT_EQ(ParseDikName("LALT"), DIK_LMENU);
  EXPECT_EQ(ParseDikName("CAPSLOCK"), DIK_CAPITAL);

  EXPECT_EQ(DikKeyName(DIK_LEFT), "Left Arrow");
  EXPECT_EQ(DikKeyName(DIK_NUMPAD5), "Num 5");
  EXPECT_EQ(DikKeyName(DIK_RETURN), "Return");

  for (const char* bad : {"", "DIK_", "FOO", "F16", "NUMPAD10", "LEFT ", " LEFT", "-", "DIK_DIK_A"}) {
    EXPECT_FALSE(ParseDikName(bad).has_value()) << "\"" << bad << "\"";
  }
}

TEST(KeyCodes, KeyForCharFollowsTheUsLayout) {
  auto stroke = [](unsigned char c) { return KeyForChar(c); };
  ASSERT_TRUE(stroke('a'));
  EXPECT_EQ(stroke('a')->code, DIK_A);
  EXPECT_FALSE(stroke('a')->shift);
  EXPECT_EQ(stroke('A')->code, DIK_A);
  EXPECT_TRUE(stroke('A')->shift);
  EXPECT_EQ(stroke('z')->code, DIK_Z);
  EXPECT_EQ(stroke('m')->code, DIK_M);
  EXPECT_EQ(stroke('p')->code, DIK_P);
  EXPECT_EQ(stroke('l')->code, DIK_L);
  EXPECT_EQ(stroke('1')->code, DIK_1);
  EXPECT_EQ(stroke('0')->code, DIK_0);
  EXPECT_FALSE(stroke('0')->shift);
  EXPECT_EQ(stroke('!')->code, DIK_1);
  EXPECT_TRUE(stroke('!')->shift);
  EXPECT_EQ(stroke('.')->code, DIK_PERIOD);
  EXPECT_EQ(stroke(' ')->code, DIK_SPACE);
  EXPECT_EQ(stroke('\b')->code, DIK_BACK);
  EXPECT_EQ(stroke('\r')->code, DIK_RETURN);
  EXPECT_EQ(stroke('?')->code, DIK_SLASH);
  EXPECT_TRUE(stroke('?')->shift);
  // Every printable ASCII character has a key.
  for (int c = 0x20; c < 0x7F; ++c) EXPECT_TRUE(stroke(static_cast<unsigned char>(c))) << c;
  EXPECT_FALSE(stroke(0xFC));  // ü: no key of its own on a US keyboard
  EXPECT_FALSE(stroke(0));
}

}  // namespace
}  // namespace krel
