#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client/core/world.h"
#include "client/worms/input.h"
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

std::string ParseError(const std::string& text) {
  InputScript s;
  std::string error;
  EXPECT_FALSE(ParseInputScript(text, "test.keys", s, error)) << "accepted: " << text;
  EXPECT_TRUE(s.steps.empty());
  return error;
}

// Records the events as text, and for each key-down the lowest key the
// keyboard shows at that moment (what LastKey would become).
class Recorder : public EventSink {
 public:
  explicit Recorder(Platform& p) : p_(p) {}
  void OnKeyDown() override {
    std::uint8_t state[256];
    p_.ReadKeyboard(state);
    std::string keys;
    for (int k = 0; k < 256; ++k) {
      if (state[k] != 0) keys += (keys.empty() ? "" : "+") + std::string(DikIdentifier(k));
    }
    log += "down(" + keys + ")";
  }
  void OnKeyPress(unsigned char ch) override { log += "press(" + std::string(1, static_cast<char>(ch)) + ")"; }
  void OnClose() override { log += "close"; }
  std::string log;

 private:
  Platform& p_;
};

std::vector<int> Held(Platform& p) {
  std::uint8_t state[256];
  p.ReadKeyboard(state);
  std::vector<int> keys;
  for (int k = 0; k < 256; ++k) {
    if (state[k] == 0x80) keys.push_back(k);
    EXPECT_TRUE(state[k] == 0 || state[k] == 0x80);
  }
  return keys;
}

TEST(InputScript, ParsesCountsKeysTypeAndComments) {
  InputScript s = Parse(
      "# a comment line\r\n"
      "\n"
      "  3 left DIK_RETURN Space   # trailing comment\n"
      "1 -\n"
      "TYPE  Hi there\\s # name\n"
      "TYPE \\#1 \\\\ \\b\\r\\e\\x41\n"
      "TYPE J\xC3\xB6rg\n"
      "1000000000 A\n");
  ASSERT_EQ(s.steps.size(), 6u);
  EXPECT_EQ(s.steps[0].kind, ScriptStep::Kind::kHold);
  EXPECT_EQ(s.steps[0].line, 3);
  EXPECT_EQ(s.steps[0].count, 3u);
  EXPECT_EQ(s.steps[0].keys, (std::vector<int>{DIK_LEFT, DIK_RETURN, DIK_SPACE}));
  EXPECT_EQ(s.steps[1].count, 1u);
  EXPECT_TRUE(s.steps[1].keys.empty());
  EXPECT_EQ(s.steps[2].kind, ScriptStep::Kind::kType);
  EXPECT_EQ(s.steps[2].text, "Hi there ");  // outer blanks dropped, \s kept
  EXPECT_EQ(s.steps[3].text, "#1 \\ \b\r\x1b" "A");
  EXPECT_EQ(s.steps[4].text, "J\xF6rg");      // typed in the game's code page
  EXPECT_EQ(s.steps[4].line, 7);
  EXPECT_EQ(s.steps[5].count, 1000000000u);
  EXPECT_TRUE(Parse("").steps.empty());
  EXPECT_TRUE(Parse("# only\n\n").steps.empty());
}

TEST(InputScript, MalformedLinesAreRefusedWithTheirLine) {
  EXPECT_EQ(ParseError("1 -\n2 LEFT\nabc LEFT\n"),
            "test.keys, line 3: \"abc\" is not a repeat count (a whole number of keyboard reads from 1 to "
            "1000000000) or TYPE");
  EXPECT_NE(ParseError("5\n").find("line 1: keys missing"), std::string::npos);
  EXPECT_NE(ParseError("1 -\n5 LEFT FOO\n").find("line 2: unknown key \"FOO\""), std::string::npos);
  EXPECT_NE(ParseError("0 LEFT\n").find("line 1:"), std::string::npos);
  EXPECT_NE(ParseError("-3 LEFT\n").find("line 1:"), std::string::npos);
  EXPECT_NE(ParseError("1000000001 LEFT\n").find("line 1:"), std::string::npos);
  EXPECT_NE(ParseError("99999999999999999999 LEFT\n").find("line 1:"), std::string::npos);
  EXPECT_NE(ParseError("2 - LEFT\n").find("line 1: - (no key) cannot be combined"), std::string::npos);
  EXPECT_NE(ParseError("TYPE\n").find("line 1: TYPE needs some text"), std::string::npos);
  EXPECT_NE(ParseError("TYPE   # nothing\n").find("TYPE needs some text"), std::string::npos);
  EXPECT_NE(ParseError("TYPE a\\q\n").find("unknown escape \\q"), std::string::npos);
  EXPECT_NE(ParseError("TYPE a\\x4\n").find("two hex digits"), std::string::npos);
  EXPECT_NE(ParseError("TYPE a\\\n").find("line 1:"), std::string::npos);
  EXPECT_NE(ParseError("TYPE \xE6\x97\xA5\n").find("cannot be typed"), std::string::npos);
  EXPECT_NE(ParseError("TYPE a\xC3\n").find("not valid UTF-8"), std::string::npos);
  EXPECT_NE(ParseError("type abc\n").find("line 1:"), std::string::npos);  // keywords are capitals
  InputScript s;
  std::string error;
  EXPECT_FALSE(LoadInputScript("/nonexistent/keys.txt", s, error));
  EXPECT_NE(error.find("/nonexistent/keys.txt"), std::string::npos);
}

TEST(InputScript, HoldLinesLastTheirCountOfReadsThenTheWindowCloses) {
  HeadlessPlatform inner;
  ScriptInputPlatform p(inner, Parse("2 LEFT\n1 -\n3 A B\n"));
  Recorder rec(p);
  p.ProcessEvents(rec);  // LEFT goes down before the first read
  EXPECT_EQ(rec.log, "down(LEFT)");
  EXPECT_EQ(Held(p), std::vector<int>{DIK_LEFT});
  p.ProcessEvents(rec);
  EXPECT_EQ(Held(p), std::vector<int>{DIK_LEFT});
  p.ProcessEvents(rec);
  EXPECT_EQ(Held(p), std::vector<int>{});
  rec.log.clear();
  p.ProcessEvents(rec);  // A and B go down
  EXPECT_EQ(rec.log, "down(A+B)");
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(p.finished());
    EXPECT_EQ(Held(p), (std::vector<int>{DIK_A, DIK_B}));
  }
  EXPECT_TRUE(p.finished());
  EXPECT_EQ(p.reads(), 6u);
  // Reads after the end see no key and the next event processing closes.
  EXPECT_EQ(Held(p), std::vector<int>{});
  rec.log.clear();
  p.ProcessEvents(rec);
  EXPECT_EQ(rec.log, "close");
  // The real keyboard is never asked.
  EXPECT_EQ(inner.keyboard_reads(), 0);
}

TEST(InputScript, KeyDownOnlyForKeysThatGoDown) {
  HeadlessPlatform inner;
  ScriptInputPlatform p(inner, Parse("1 LEFT\n1 LEFT\n1 LEFT RIGHT\n1 -\n"));
  Recorder rec(p);
  p.ProcessEvents(rec);
  Held(p);
  p.ProcessEvents(rec);  // LEFT was already down: no new event
  Held(p);
  p.ProcessEvents(rec);  // RIGHT goes down; the state shows both
  Held(p);
  p.ProcessEvents(rec);  // releasing is not a key-down
  Held(p);
  EXPECT_EQ(rec.log, "down(LEFT)down(LEFT+RIGHT)");
  // Many event processings between reads announce a line only once.
  HeadlessPlatform inner2;
  ScriptInputPlatform q(inner2, Parse("2 X\n"));
  Recorder rec2(q);
  for (int i = 0; i < 5; ++i) q.ProcessEvents(rec2);
  EXPECT_EQ(rec2.log, "down(X)");
}

TEST(InputScript, TypeDeliversKeyDownsAndCharactersAtTheNextEventProcessing) {
  HeadlessPlatform inner;
  ScriptInputPlatform p(inner, Parse("1 -\nTYPE aB.\xC3\xBC\nTYPE \\b\n1 RETURN\n"));
  Recorder rec(p);
  p.ProcessEvents(rec);
  EXPECT_EQ(Held(p), std::vector<int>{});
  // Waiting for the TYPE line: reads see no key and use nothing up.
  EXPECT_EQ(Held(p), std::vector<int>{});
  EXPECT_EQ(p.reads(), 1u);
  p.ProcessEvents(rec);
  EXPECT_EQ(rec.log, "down(A)press(a)down(LSHIFT+B)press(B)down(PERIOD)press(.)press(\xFC)");
  rec.log.clear();
  p.ProcessEvents(rec);  // one TYPE line per event processing
  EXPECT_EQ(rec.log, "down(BACK)press(\b)");
  rec.log.clear();
  p.ProcessEvents(rec);
  EXPECT_EQ(rec.log, "down(RETURN)");
  EXPECT_EQ(Held(p), std::vector<int>{DIK_RETURN});
  p.ProcessEvents(rec);
  EXPECT_EQ(rec.log, "down(RETURN)close");

  // A script ending in TYPE closes at the processing after the typing.
  HeadlessPlatform inner2;
  ScriptInputPlatform q(inner2, Parse("TYPE x\n"));
  Recorder rec2(q);
  q.ProcessEvents(rec2);
  EXPECT_EQ(rec2.log, "down(X)press(x)");
  q.ProcessEvents(rec2);
  EXPECT_EQ(rec2.log, "down(X)press(x)close");
}

TEST(InputScript, LastKeyAndTypedTextOfTheGameFollowTheScript) {
  HeadlessPlatform inner;
  ScriptInputPlatform p(inner, Parse("TYPE Zed\n1 NUMPAD5 UP\n"));
  World w;
  w.platform = &p;
  // The game's own handlers, as the window events call them.
  class Form : public EventSink {
   public:
    explicit Form(World& w) : w_(w) {}
    void OnKeyDown() override { Form_KeyDown(w_); }
    void OnKeyPress(unsigned char ch) override { Form_KeyPress(w_, ch); }
    void OnClose() override { w_.QuitRequested = true; }

   private:
    World& w_;
  } form(w);
  p.ProcessEvents(form);
  EXPECT_EQ(w.TypedText, "Zed");
  EXPECT_EQ(w.LastKey, DIK_D);  // the key of the last character
  p.ProcessEvents(form);
  EXPECT_EQ(w.LastKey, DIK_NUMPAD5);  // the lower of the two codes
  ReadKeyboardState(w);
  EXPECT_EQ(w.KeyState[DIK_UP], 1);
  EXPECT_EQ(w.KeyState[DIK_NUMPAD5], 1);
  EXPECT_FALSE(w.QuitRequested);
  p.ProcessEvents(form);
  EXPECT_TRUE(w.QuitRequested);
}

TEST(InputScript, EverythingButTheKeyboardIsTheWrappedPlatform) {
  HeadlessPlatform inner(5000);
  ScriptInputPlatform p(inner, Parse("3 -\n"));
  EXPECT_EQ(p.TickCount(), 5000u);
  p.Delay(25);
  EXPECT_EQ(inner.TickCount(), 5025u);
  std::string error;
  EXPECT_TRUE(p.OpenDisplay(false, error));
  EXPECT_TRUE(inner.display_open());
  EXPECT_FALSE(inner.fullscreen());
  p.Present(Surface(320, 240));
  EXPECT_EQ(inner.frames_presented(), 1);
  inner.SetDisplayUsable(false);
  EXPECT_FALSE(p.DisplayUsable());
  p.PlayOnVoice(3, 17);
  ASSERT_EQ(inner.plays().size(), 1u);
  EXPECT_EQ(inner.plays()[0], std::make_pair(3, 17));
  p.MessageBox("hallo");
  EXPECT_EQ(inner.messages(), std::vector<std::string>{"hallo"});
  EXPECT_EQ(p.KeyName(DIK_LEFT), inner.KeyName(DIK_LEFT));

  // The real keyboard's events are replaced; closing the window still works.
  Recorder rec(p);
  inner.SetKey(DIK_Q, true);
  inner.QueueKeyDown();
  inner.QueueKeyPress('q');
  p.ProcessEvents(rec);
  EXPECT_EQ(rec.log, "");
  EXPECT_EQ(Held(p), std::vector<int>{});
  inner.QueueClose();
  p.ProcessEvents(rec);
  EXPECT_EQ(rec.log, "close");
  EXPECT_FALSE(p.finished());
}

}  // namespace
}  // namespace krel
