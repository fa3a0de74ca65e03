#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "server/status.h"
#include "server_test_support.h"

namespace krel::test {
namespace {

// A relay with one client, its status written to a temporary file as to a
// terminal 40 columns wide or to a pipe.
struct Status {
  FakeHooks hooks;
  Relay relay{hooks};
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file{std::tmpfile(), &std::fclose};
  StatusDisplay display;
  explicit Status(bool terminal) : display(relay, file.get(), terminal, [] { return 40; }) {
    relay.Start();
    relay.Connect(std::make_unique<FakeLink>());
  }
  std::string Written() {
    std::string text;
    std::rewind(file.get());
    for (int c; (c = std::fgetc(file.get())) != EOF;) text += static_cast<char>(c);
    return text;
  }
};

TEST(ServerStatus, TheStatusLineFitsEveryTerminalWidth) {
  Status s(false);
  for (int width : {0, 8, 30, 45, 60, 79, 99, 119}) {
    const std::string line = s.display.StatusLine(width);
    EXPECT_LE(TerminalColumns(line), static_cast<std::size_t>(width)) << line;
    if (width >= 30) {
      EXPECT_NE(line.find("2 players"), std::string::npos) << width << ": " << line;
    }
  }
  EXPECT_EQ(s.display.StatusLine(200).rfind("Krel server running | Currently 2 players online. | 0 batches sent", 0),
            0u);
}

TEST(ServerStatus, OnATerminalEachRefreshRedrawsOneRowWithinTheWidth) {
  Status s(true);
  s.display.Refresh();
  s.display.Refresh();
  const std::string text = s.Written();
  EXPECT_EQ(text.find('\n'), std::string::npos) << "a refresh must not start a new line";
  const std::string last = text.substr(text.rfind("\r\033[K") + 4);
  EXPECT_LT(TerminalColumns(last), 40u) << last;
}

// Whatever a log line quotes reaches the log escaped.
TEST(ServerStatus, ToAPipeOrFileOnlyTheLogLinesGoEscaped) {
  Status s(false);
  s.display.Refresh();
  s.display.Event("client #1 127.0.0.1:5000 (slots 1-2) said \x1B[2J\x07");
  s.display.Refresh();
  s.display.Clear();
  const std::string text = s.Written();
  // "HH:MM:SS " and the line, nothing else: no status line, no title, no escapes.
  ASSERT_GT(text.size(), 9u) << text;
  EXPECT_EQ(text.substr(9), "client #1 127.0.0.1:5000 (slots 1-2) said \\x1B[2J\\x07\n");
}

}  // namespace
}  // namespace krel::test
