#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "client/core/startup.h"
#include "core_test_support.h"

namespace krel {
namespace {

using testing::MakeLocalWorld;
using testing::TempCwd;

TEST(Startup, OnlyTheExactWordAsksForAWindow) {
  EXPECT_TRUE(WantsWindow("/window"));
  for (const char* other : {"", "/WINDOW", "/Window", "/window ", " /window", "/window x", "window", "-window",
                            "/windowed", "/window\n"}) {
    EXPECT_FALSE(WantsWindow(other)) << "\"" << other << "\"";
  }
}

TEST(Startup, AMissingWeaponFileEndsStartUpWithAMessage) {
  TempCwd tmp;  // an empty folder: no arms.dat
  for (const char* cmd : {"/window", "/WINDOW"}) {
    HeadlessPlatform platform;
    std::unique_ptr<World> w = MakeLocalWorld(platform);
    w->ProgramDir = tmp.path().string();
    EXPECT_EQ(Form_Load(*w, cmd), 1);
    EXPECT_EQ(w->Fullscreen, std::string(cmd) == "/window" ? kFalse : kTrue);
    ASSERT_EQ(platform.messages().size(), 1u);
    EXPECT_NE(platform.messages()[0].find("arms.dat"), std::string::npos) << platform.messages()[0];
    EXPECT_FALSE(platform.display_open());
    EXPECT_EQ(w->Shots.size(), 1u);
  }
}

TEST(Startup, ClosingTheWindowDuringStartUpEndsQuietly) {
  TempCwd tmp;
  HeadlessPlatform platform;
  std::unique_ptr<World> w = MakeLocalWorld(platform);
  w->ProgramDir = tmp.path().string();
  platform.QueueClose();
  EXPECT_EQ(Form_Load(*w, ""), 0);
  EXPECT_TRUE(w->QuitRequested);
  EXPECT_TRUE(platform.messages().empty());  // the weapon file was never read

  World other;
  EXPECT_FALSE(other.QuitRequested);
  Form_QueryUnload(other);
  EXPECT_TRUE(other.QuitRequested);
}

TEST(Startup, TheProgramFolderIsWhereTheBinaryLies) {
  std::filesystem::path self = std::filesystem::canonical("/proc/self/exe");
  EXPECT_EQ(ProgramDirectory(), self.parent_path().string());
  EXPECT_EQ(std::filesystem::path(ProgramDirectory()).filename(), "tests");
}

}  // namespace
}  // namespace krel
