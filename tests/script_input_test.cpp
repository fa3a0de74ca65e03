// The scripted keyboard, and the tables it types through: scan codes, key
// names, the US layout and the Windows code page.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "gfx/codepage.h"
#include "platform/headless/headless_platform.h"
#include "platform/keycodes.h"
#include "platform/script_input.h"

namespace krel {
namespace {

InputScript Parse(const std::string& text) {
  InputScript s;
  std::string error;
  EXPECT_TRUE(ParseInputScript(text, "test.keys", s, error)) << error;
  return s;
}

// A script over a headless platform whose screenshots only send a notice;
// the rig also receives the events.
class ScriptRig : public EventSink {
 public:
  struct Camera : HeadlessPlatform {
    void SaveScreenshot(EventSink& sink) override { sink.OnNotice("screenshot"); }
  } inner;
  ScriptInputPlatform p;
  std::string log;

  explicit ScriptRig(const std::string& script) : p(inner, Parse(script)) {}
  // Reads the keyboard and names the keys down ("?" for a byte other than 0x80).
  std::string Read() {
    std::uint8_t state[256];
    p.ReadKeyboard(state);
    std::string keys;
    for (int k = 0; k < 256; ++k)
      if (state[k] != 0) keys += (keys.empty() ? "" : "+") + std::string(state[k] == 0x80 ? DikIdentifier(k) : "?");
    return keys;
  }
  // Runs E (process events) and R (read the keyboard) steps and returns what
  // each gave: the events ("-" for none; each key-down with the keys the
  // keyboard shows while it runs) or the keys read in brackets.
  std::string Run(std::string_view steps) {
    std::string out;
    for (char step : steps) {
      log.clear();
      if (step == 'E') p.ProcessEvents(*this);
      out += (step == 'R' ? "[" + Read() + "]" : log.empty() ? "-" : log) + " ";
    }
    return out;
  }
  void OnKeyDown() override { log += "down(" + Read() + ")"; }
  void OnKeyPress(unsigned char ch) override { log += "press(" + std::string(1, static_cast<char>(ch)) + ")"; }
  void OnClose() override { log += "close"; }
  void OnNotice(const std::string& text) override { log += text; }
};

// Plain counts, key lists and TYPE lines with \b \s \# \r are read by every
// shipped recording, and every TYPE escape by the recorder's test of typed
// bytes; here the rest of what a hand-written script may hold.
TEST(InputScript, ParsesCountsKeysTypeAndComments) {
  InputScript s = Parse(
      "\xEF\xBB\xBF# a comment line after a byte-order mark\r\n"
      "\n"
      "  3 left DIK_RETURN Space   # trailing comment\n"
      "TYPE  J\xC3\xB6rg\\s # name\n"
      "1000000000 -\n");
  ASSERT_EQ(s.steps.size(), 3u);
  EXPECT_EQ(std::tuple(s.steps[0].line, s.steps[0].count, s.steps[0].keys),
            std::tuple(3, 3u, std::vector<int>{DIK_LEFT, DIK_RETURN, DIK_SPACE}));
  EXPECT_EQ(s.steps[1].text, "J\xF6rg ");  // in the code page; outer blanks dropped, \s kept
  EXPECT_EQ(s.steps[2].count, 1000000000u);
}

TEST(InputScript, MalformedLinesAreRefusedNamingTheirLine) {
  const std::pair<const char*, const char*> cases[] = {
      {"1 -\n2 LEFT\n0 LEFT\n", "test.keys, line 3: \"0\" is not a repeat count"},
      {"5\n", "test.keys, line 1: keys missing"},
      {"1 -\n5 LEFT FOO\n", "line 2: unknown key \"FOO\""},
      {"1000000001 LEFT\n", "line 1: \"1000000001\" is not"},
      {"99999999999999999999 LEFT\n", "line 1: \"99999999999999999999\" is not"},
      {"2 - LEFT\n", "line 1: - (no key) cannot be combined"},
      {"TYPE\n", "line 1: TYPE needs some text"},
      {"TYPE a\\q\n", "line 1: unknown escape \\q"},
      {"TYPE a\\x4\n", "line 1: \\x needs two hex digits"},
      {"TYPE a\\\n", "line 1: a lone \\"},
      {"TYPE \xE6\x97\xA5\n", "line 1: \"\xE6\x97\xA5\" cannot be typed"},
      {"TYPE a\xC3\n", "line 1: the text is not valid UTF-8"},
  };
  InputScript s;
  std::string error;
  for (const auto& [text, message] : cases) {
    s.steps.resize(1);
    EXPECT_FALSE(ParseInputScript(text, "test.keys", s, error)) << text;
    EXPECT_NE(error.find(message), std::string::npos) << error;
    EXPECT_TRUE(s.steps.empty()) << text;
  }
  EXPECT_FALSE(LoadInputScript("/nonexistent/keys.txt", s, error));
  EXPECT_NE(error.find("/nonexistent/keys.txt"), std::string::npos);
}

TEST(InputScript, HoldLinesLastTheirCountOfReadsThenTheWindowCloses) {
  ScriptRig r("1 LEFT\n1 LEFT\n1 LEFT RIGHT\n1 -\n2 A B\n");
  // The real keyboard is replaced: its keys and events are ignored.
  r.inner.SetKey(DIK_Q, true);
  r.inner.QueueKeyDown();
  r.inner.QueueKeyPress('q');
  // A key-down only for keys that go down, once per line, before the line's first read.
  EXPECT_EQ(r.Run("EEREREREREERER"),
            "down(LEFT) - [LEFT] - [LEFT] down(LEFT+RIGHT) [LEFT+RIGHT] - [] down(A+B) - [A+B] - [A+B] ");
  EXPECT_EQ(std::pair(r.p.finished(), r.p.reads()), std::pair(true, std::uint64_t{6}));
  // The last line's keys act before the close: event processing right
  // after the end does not close; a read past the end does, at the next one.
  EXPECT_EQ(r.Run("ERE"), "- [] close ");
  EXPECT_EQ(r.inner.keyboard_reads(), 0);  // the real keyboard is never asked
  // Nobody is at the keyboard to close a message box: stderr only.
  ::testing::internal::CaptureStderr();
  r.p.MessageBox("arms.dat:3: broken");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "krel: arms.dat:3: broken\n");
  EXPECT_TRUE(r.inner.messages().empty());
}

TEST(InputScript, TypeDeliversKeyDownsAndCharactersAtTheNextEventProcessing) {
  ScriptRig r("1 -\nTYPE aB?.\xC3\xBC\nTYPE \\b\n1 RETURN\n");
  // Reads while waiting for a TYPE line see no key and use nothing up.
  EXPECT_EQ(r.Run("ERR"), "- [] [] ");
  EXPECT_EQ(r.p.reads(), 1u);
  EXPECT_EQ(r.Run("E"),
            "down(A)press(a)down(LSHIFT+B)press(B)down(LSHIFT+SLASH)press(?)down(PERIOD)press(.)press(\xFC) ");
  r.inner.QueueClose();  // closing the real window still comes through; one TYPE line per processing
  EXPECT_EQ(r.Run("EEREERE"), "closedown(BACK)press(\b) down(RETURN) [RETURN] - - [] close ");
  // A script ending in TYPE closes once the program reads past it.
  EXPECT_EQ(ScriptRig("TYPE x\n").Run("EERE"), "down(X)press(x) - [] close ");
  // A program that no longer reads the keyboard is closed all the same.
  ScriptRig idle("1 -\n");
  idle.Run("R");
  std::string events;
  for (int i = 0; i < 5000 && events.find("close") == std::string::npos; ++i) events += idle.Run("E");
  EXPECT_NE(events.find("close"), std::string::npos);
}

// Held over two reads it is one press; the screenshot's notice reaches the game.
TEST(InputScript, F12TakesAScreenshotOncePerPress) {
  EXPECT_EQ(ScriptRig("1 F12\n1 F12\n1 -\n1 F12 A\n").Run("ERERERERER"),
            "screenshotdown(F12) [F12] - [F12] - [] screenshotdown(A+F12) [A+F12] - [] ");
}

TEST(KeyCodes, EveryNamedCodeParsesBackToItselfInTheDirectInputNumbering) {
  std::set<std::string> names, ids;
  for (int code = -1; code <= 256; ++code) {
    std::string id(DikIdentifier(code)), name = DikKeyName(code);
    EXPECT_EQ(id.empty(), name.empty()) << "code " << code;  // both or neither
    if (id.empty()) continue;
    for (const std::string& spelling : {id, "DIK_" + id}) EXPECT_EQ(ParseDikName(spelling), code) << spelling;
    EXPECT_TRUE(names.insert(name).second && ids.insert(id).second) << "used twice: " << name << " / " << id;
  }
  EXPECT_GE(ids.size(), 140u);  // a full PC keyboard with its multimedia and international keys
  // Extended keys live in the 0x80 range, apart from their keypad twins; some keys have second names.
  const std::pair<const char*, int> codes[] = {{"ESCAPE", 1},    {"NUMPAD4", 0x4B},  {"NUMPADENTER", 0x9C},
                                               {"DELETE", 0xD3}, {"pgdn", DIK_NEXT}, {"LALT", DIK_LMENU}};
  for (const auto& [name, code] : codes) EXPECT_EQ(ParseDikName(name), code) << name;
  for (const char* bad : {"", "DIK_", "FOO", "F16", "NUMPAD10", "LEFT ", " LEFT", "-", "DIK_DIK_A"})
    EXPECT_FALSE(ParseDikName(bad).has_value()) << "\"" << bad << "\"";
}

TEST(CodePage, EveryByteSurvivesTheRoundTripAndUtf8WithoutAByteIsDropped) {
  for (int b = 0; b < 256; ++b) {
    std::string one(1, static_cast<char>(b));
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(one)), one) << b;
  }
  EXPECT_EQ(Cp1252ToUtf8("\xFC\x80\x9F"), "\xC3\xBC\xE2\x82\xAC\xC5\xB8");  // ü € Ÿ
  // No byte for it, or malformed (cut short, a stray continuation, overlong, a surrogate): only it is lost.
  const std::pair<const char*, const char*> cases[] = {{"\xE2\x80\x9Chi\xE2\x80\x9D", "\x93hi\x94"},
                                                       {"a\xF0\x9F\x98\x80z", "az"},
                                                       {"a\xC3(b", "a(b"},
                                                       {"a\x80z", "az"},
                                                       {"ab\xE2\x82", "ab"},
                                                       {"\xC0\xAF", ""},
                                                       {"\xED\xA0\x80x", "x"}};
  for (const auto& [utf8, cp] : cases) EXPECT_EQ(Utf8ToCp1252(utf8), cp) << utf8;
}

TEST(CodePage, CapitalsCoverTheAccentedAndTheHighSmallLetters) {
  // "straße äöü ÿ šœž 1-z ÷µ" and its capitals; ß, ÷ and µ have no capital in the code page.
  EXPECT_EQ(Cp1252Upper("stra\xDF"
                        "e \xE4\xF6\xFC \xFF \x9A\x9C\x9E 1-z \xF7\xB5"),
            "STRA\xDF"
            "E \xC4\xD6\xDC \x9F \x8A\x8C\x8E 1-Z \xF7\xB5");
}

}  // namespace
}  // namespace krel
