// The accuracy test: every recorded game under tests/recordings/ is played
// headless, exactly as `krel --play FILE --headless` plays it, and must
// produce its shipped frame trace and end-of-game reports. A change to the
// simulation that alters a recorded game fails here, naming the first frame
// and field that differ (`make recordings` renews the expected files after
// a deliberate change). A session recorded here must play back the same.
// (A malformed recording's status and message are checked end to end.)
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "client/app/startup.h"
#include "client/replay/replay_session.h"
#include "core_test_support.h"
#include "platform/script_input.h"
#include "tools/krel-trace/trace_compare.h"

namespace krel {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;
using testing::TempCwd;

struct RunResult {
  int status = -1;
  std::string dump, trace;
};

// One program run on the headless platform, as main sets it up; `inner`
// stands for the keyboard (a script) when recording.
RunResult RunKrel(const ReplayOptions& options, const fs::path& dir, Platform* keys = nullptr,
                  SettingsStore* store = nullptr) {
  fs::create_directories(dir);
  auto w = std::make_unique<World>();
  w->ProgramDir = KREL_BINARY_DIR;
  w->DumpPath = (dir / "dump.json").string();
  ReplaySession session;
  session.SetOptions(options);
  session.SetTrace((dir / "trace.json").string(), 10);
  IniSettingsStore none("");
  HeadlessPlatform unused;
  w->platform = keys != nullptr ? keys : &session.BasePlatform(unused);
  w->settings = store != nullptr ? store : &none;
  RunResult r;
  r.status = session.Begin(*w, w->platform, w->settings);
  if (r.status >= 0) return r;
  r.status = StartProgram(*w, "");
  session.End();
  r.dump = ReadFileBytes(dir / "dump.json");
  r.trace = ReadFileBytes(dir / "trace.json");
  return r;
}

ReplayOptions Playing(const fs::path& rec) {
  return {.record = "", .play = rec.string(), .speed = 1, .headless = true};
}

TEST(Recordings, EveryShippedRecordingPlaysBackAsRecorded) {
  const fs::path shipped = fs::path(KREL_SOURCE_DIR) / "tests" / "recordings";
  std::vector<fs::path> recordings;
  for (const auto& e : fs::directory_iterator(shipped))
    if (e.path().extension() == ".rec") recordings.push_back(e.path());
  std::sort(recordings.begin(), recordings.end());
  ASSERT_GE(recordings.size(), 3u);
  for (const fs::path& rec : recordings) {
    SCOPED_TRACE(rec.filename().string());
    TempCwd cwd;
    RunResult r = RunKrel(Playing(rec), cwd.path());
    ASSERT_EQ(r.status, 0);
    fs::path expected = rec;
    std::string want_trace = ReadFileBytes(expected.replace_extension(".trace"));
    ASSERT_FALSE(want_trace.empty());
    std::optional<std::string> diff = FirstTraceDifference(want_trace, r.trace, "the shipped trace", "the playback");
    EXPECT_FALSE(diff) << *diff;
    EXPECT_EQ(r.dump, ReadFileBytes(expected.replace_extension(".dump")));
  }
}

// A game left with Escape, then a press and a second game. A recording made
// with the results screen (RESULTS) spends the press on it; one made before
// there was one went straight to the menu, and still does.
TEST(Recordings, OnlyRecordingsMadeWithTheResultsScreenPassThroughIt) {
  const char* keys =
      "3 -\n1 RETURN\n3 -\n1 RETURN\n5 -\n1 ESCAPE\n1 -\n1 RETURN\n3 -\n1 RETURN\n5 -\n1 ESCAPE\n2 -\nEND\n";
  for (const auto& [header, ends] : {std::pair("", "escape escape "), std::pair("RESULTS\n", "escape closed ")}) {
    TempCwd cwd;
    const fs::path rec = cwd.path() / "session.rec";
    testing::WriteFileBytes(rec, std::string("SEED 5\n") + header + keys);
    RunResult r = RunKrel(Playing(rec), cwd.path() / "out");
    ASSERT_EQ(r.status, 0);
    std::string seen;
    for (std::size_t at = r.dump.find("\"end\":\""); at != std::string::npos; at = r.dump.find("\"end\":\"", at + 1))
      seen += r.dump.substr(at + 7, r.dump.find('"', at + 7) - at - 7) + " ";
    EXPECT_EQ(seen, ends) << header;
  }
}

TEST(Recordings, ASessionRecordedHerePlaysBackTheSame) {
  TempCwd cwd;
  // Player 1 typed a name in its editor, then both worms fight a while;
  // player 2 is the computer. The window is closed in the middle of the game.
  const char* keys =
      "3 -\n1 DOWN\n1 -\n1 DOWN\n1 -\n1 RETURN\n1 -\n"
      "1 DOWN\n1 -\n1 DOWN\n1 -\n1 DOWN\n1 -\n1 DOWN\n1 -\n1 RETURN\n1 -\n1 RETURN\n1 -\n"
      "TYPE \\b\\b\\b\\b\\b\\b\\b\\bZo\\x9A\\s\\#\\r\n2 -\n1 ESCAPE\n1 -\n1 ESCAPE\n1 -\n1 UP\n1 -\n1 UP\n1 -\n"
      "1 RETURN\n1 -\n3 J\n1 -\n1 RETURN\n5 -\n1 K\n20 RIGHT J\n1 L K\n15 L\n1 K\n30 LEFT J\n";
  InputScript script;
  std::string error;
  ASSERT_TRUE(ParseInputScript(keys, "keys", script, error)) << error;
  HeadlessPlatform machine;
  ScriptInputPlatform scripted(machine, std::move(script));
  IniSettingsStore settings("");
  settings.Parse("[Player 2 Settings]\n\"Computer\"=\"1\"\n[General Settings]\n\"Lives\"=\"2\"\n", "test");

  const fs::path rec = cwd.path() / "session.rec";
  RunResult original = RunKrel({.record = rec.string(), .play = "", .speed = 1, .headless = false}, cwd.path() / "a",
                               &scripted, &settings);
  ASSERT_EQ(original.status, 0);
  ASSERT_NE(original.dump.find("\"end\":\"closed\""), std::string::npos) << original.dump;
  ASSERT_NE(original.dump.find("Zo\\u0161 #"), std::string::npos) << original.dump;

  EXPECT_NE(ReadFileBytes(rec).find("\nRESULTS\n"), std::string::npos);  // made with the results screen

  RunResult again = RunKrel(Playing(rec), cwd.path() / "b");
  ASSERT_EQ(again.status, 0);
  std::optional<std::string> diff = FirstTraceDifference(original.trace, again.trace, "the session", "its playback");
  EXPECT_FALSE(diff) << *diff;
  EXPECT_EQ(original.dump, again.dump);
}

}  // namespace
}  // namespace krel
