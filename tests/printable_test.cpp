// Messages that quote a file's or a peer's content carry no control bytes:
// the shared helper itself, and the messages of every reader that quotes.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "client/simulation/weapons/arms.h"
#include "platform/record_input.h"
#include "platform/script_input.h"
#include "platform/settings.h"
#include "protocol/base/printable.h"
#include "server/relay.h"
#include "server/status.h"
#include "server_test_support.h"

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
  Recording rec;
  EXPECT_FALSE(ParseRecording("SEED " + hostile + "\n", "a.rec", rec, error));
  messages.push_back(error);
  InputScript script;
  EXPECT_FALSE(ParseInputScript("1 " + hostile + "\n", "keys.txt", script, error));
  messages.push_back(error);
  EXPECT_FALSE(ParseInputScript("TYPE \\" + hostile + "\n", "keys.txt", script, error));
  messages.push_back(error);
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

// The relay server's log: whatever a line quotes, it reaches the log escaped.
TEST(Printable, TheServerLogEscapesItsLines) {
  test::FakeHooks hooks;
  Relay relay(hooks);
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> log(std::tmpfile(), &std::fclose);
  ASSERT_NE(log, nullptr);
  StatusDisplay status(relay, log.get(), false);
  status.Event("client said " + std::string("\x1B[2J\x07"));
  std::rewind(log.get());
  char line[200] = {};
  ASSERT_NE(std::fgets(line, sizeof line, log.get()), nullptr);
  EXPECT_NE(std::string(line).find(" client said \\x1B[2J\\x07\n"), std::string::npos) << line;
}

}  // namespace
}  // namespace krel
