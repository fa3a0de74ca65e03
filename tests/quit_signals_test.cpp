// SIGINT and SIGTERM end the program: at once, except that with the game
// window open the first one asks the game to close.
#include "platform/quit_signals.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace krel {
namespace {

TEST(QuitSignalsDeathTest, EndTheProgramAtOnceUnlessTheWindowMayCloseFirst) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // Start-up or no window at all: at once. The window open: the first signal
  // is a close request, the second ends it. A message box over it: at once.
  const struct {
    bool window, box;
    int signal;
  } cases[] = {{false, false, SIGTERM}, {true, false, SIGINT}, {true, true, SIGTERM}};
  for (const auto& c : cases) {
    EXPECT_EXIT(
        {
          InstallQuitSignals();
          SetQuitSignalsGraceful(c.window);
          std::optional<ImmediateQuitScope> box;
          if (c.box) box.emplace();
          std::raise(c.signal);
          if (!c.window || c.box || !QuitSignalled()) std::exit(3);
          std::fputs("asked to close\n", stderr);  // still running after the first
          std::raise(c.signal);
          std::exit(0);
        },
        ::testing::KilledBySignal(c.signal), c.window && !c.box ? "asked to close" : "")
        << c.window << c.box;
  }
}

}  // namespace
}  // namespace krel
