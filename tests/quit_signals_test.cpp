// SIGINT and SIGTERM end the program: at once, except that with the game
// window open the first one asks the game to close.
#include "platform/quit_signals.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

namespace krel {
namespace {

TEST(QuitSignalsDeathTest, EndTheProgramAtOnceUnlessTheWindowMayCloseFirst) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // Start-up, or no window at all.
  EXPECT_EXIT(
      {
        InstallQuitSignals();
        std::raise(SIGTERM);
        std::exit(0);
      },
      ::testing::KilledBySignal(SIGTERM), "");
  // The window is open: the first signal is a close request, the second ends it.
  EXPECT_EXIT(
      {
        InstallQuitSignals();
        SetQuitSignalsGraceful(true);
        std::raise(SIGINT);
        if (!QuitSignalled()) std::exit(3);
        std::raise(SIGINT);
        std::exit(0);
      },
      ::testing::KilledBySignal(SIGINT), "");
  // A message box is up over the window: at once.
  EXPECT_EXIT(
      {
        InstallQuitSignals();
        SetQuitSignalsGraceful(true);
        ImmediateQuitScope box;
        std::raise(SIGTERM);
        std::exit(0);
      },
      ::testing::KilledBySignal(SIGTERM), "");
}

}  // namespace
}  // namespace krel
