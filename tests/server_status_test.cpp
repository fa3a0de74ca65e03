#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "server/status.h"
#include "server_test_support.h"

namespace krel::test {
namespace {

std::string Written(std::FILE* f) {
  std::string text;
  std::rewind(f);
  for (int c; (c = std::fgetc(f)) != EOF;) text += static_cast<char>(c);
  return text;
}

TEST(ServerStatus, TheStatusLineFitsEveryTerminalWidth) {
  FakeHooks hooks;
  Relay relay(hooks);
  relay.Start();
  relay.Connect(std::make_unique<FakeLink>());
  StatusDisplay status(relay, stdout, false);
  for (int width : {0, 8, 30, 45, 60, 79, 99, 119}) {
    const std::string line = status.StatusLine(width);
    EXPECT_LE(TerminalColumns(line), static_cast<std::size_t>(width)) << line;
    if (width >= 30) {
      EXPECT_NE(line.find("2 players"), std::string::npos) << width << ": " << line;
    }
  }
  EXPECT_EQ(status.StatusLine(200).rfind("Krel server running | Currently 2 players online. | 0 batches sent", 0), 0u);
}

TEST(ServerStatus, OnATerminalEachRefreshRedrawsOneRowWithinTheWidth) {
  FakeHooks hooks;
  Relay relay(hooks);
  relay.Start();
  std::FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  StatusDisplay status(relay, f, true, [] { return 40; });
  status.Refresh();
  status.Refresh();
  const std::string text = Written(f);
  std::fclose(f);
  EXPECT_EQ(text.find('\n'), std::string::npos) << "a refresh must not start a new line";
  const std::string last = text.substr(text.rfind("\r\033[K") + 4);
  EXPECT_LT(TerminalColumns(last), 40u) << last;
}

TEST(ServerStatus, ToAPipeOrFileOnlyTheLogLinesGo) {
  FakeHooks hooks;
  Relay relay(hooks);
  relay.Start();
  std::FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  StatusDisplay status(relay, f, false, [] { return 40; });
  status.Refresh();
  status.Event("client #1 127.0.0.1:5000 (slots 1-2) connected");
  status.Refresh();
  status.Clear();
  const std::string text = Written(f);
  std::fclose(f);
  // "HH:MM:SS " and the line, nothing else: no status line, no title, no escapes.
  ASSERT_GT(text.size(), 9u) << text;
  EXPECT_EQ(text.substr(9), "client #1 127.0.0.1:5000 (slots 1-2) connected\n");
}

}  // namespace
}  // namespace krel::test
