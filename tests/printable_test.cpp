// Messages that quote a file's or a peer's content carry no control bytes:
// the shared helper itself, and the messages of every reader that quotes
// (the relay server's log: server_status_test).
#include <gtest/gtest.h>

#include <memory>

#include "client/simulation/weapons/arms.h"
#include "platform/record_input.h"
#include "platform/script_input.h"
#include "platform/settings.h"
#include "protocol/base/printable.h"

namespace krel {
namespace {

TEST(Printable, EscapesControlsAndBytesThatAreNoCharacter) {
  const struct {
    std::string in;
    PrintableStyle style;
    std::string out;
  } cases[] = {
      {"ok \x1B[2J\x07 end", {}, "ok \\x1B[2J\\x07 end"},
      {std::string("a\nb\rc\td\x7F\x00", 9), {}, "a\\nb\\rc\\td\\x7F\\x00"},
      {"J\xC3\xB6rg \xE2\x82\xAC", {}, "J\xC3\xB6rg \xE2\x82\xAC"},  // UTF-8 stays
      {"J\xF6rg \xC2\x9B"
       "1m",
       {},
       "J\\xF6rg \\xC2\\x9B"
       "1m"},  // a lone byte; C1 control U+009B
      {"\xC0\xAF \xED\xA0\x80 \xE2\x82", {}, "\\xC0\\xAF \\xED\\xA0\\x80 \\xE2\\x82"},  // overlong, surrogate, cut
      {"say \"hi\" \\", {}, "say \"hi\" \\"},
      {"say \"hi\" \\", {.quoted = true}, "say \\\"hi\\\" \\\\"},
      {"\xC3\xB6\x80", {.ascii = true}, "\\xC3\\xB6\\x80"},
  };
  for (const auto& c : cases) EXPECT_EQ(Printable(c.in, c.style), c.out) << c.out;
}

bool HasControlByte(const std::string& s) {
  for (char ch : s) {
    const auto u = static_cast<unsigned char>(ch);
    if ((u < 0x20 && ch != '\n') || u == 0x7F) return true;
  }
  return false;
}

// Each reader refuses hostile bytes with a message that shows them escaped.
TEST(Printable, MessagesThatQuoteFilesCarryNoControlBytes) {
  const std::string hostile = "\x1B]0;owned\x07\x1B[2J";
  std::vector<std::string> messages;
  std::string error;
  auto refused = [&](bool loaded) {  // `error` is read after the reader has run
    EXPECT_FALSE(loaded) << error;
    messages.push_back(error);
  };
  Recording rec;
  refused(ParseRecording("SEED " + hostile + "\n", "a.rec", rec, error));
  InputScript script;
  refused(ParseInputScript("1 " + hostile + "\n", "keys.txt", script, error));
  refused(ParseInputScript("TYPE \\" + hostile + "\n", "keys.txt", script, error));
  IniSettingsStore settings("");
  settings.Parse("[General Settings]\n\"Lives\"=\"\\" + hostile + "\"\n", "krel.ini");
  ASSERT_EQ(settings.warnings().size(), 2u);  // the first of them: no folder to keep settings in
  messages.push_back(settings.warnings()[1]);
  auto w = std::make_unique<World>();
  ArmsError arms;
  EXPECT_FALSE(LoadArmsFromBytes(w->WeaponDefs, w->ObjDefs, w->SObjDefs, "AMMO:" + hostile + "\r\n", "arms.dat", arms));
  messages.push_back(arms.Message());
  for (const std::string& m : messages) {
    EXPECT_FALSE(HasControlByte(m)) << Printable(m);
    EXPECT_NE(m.find("\\x1B"), std::string::npos) << m;
  }
}

}  // namespace
}  // namespace krel
