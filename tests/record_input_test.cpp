// Recorded sessions, piece by piece: the file format's errors, the
// recorder's pauses and closes, the buffered writer's failures, playback,
// the command line, the trace comparison and the pruning of automatic
// recordings. Recording and playing a whole session back is checked by
// recordings_test.cpp.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "client/replay/replay_options.h"
#include "client/replay/replay_session.h"
#include "core_test_support.h"
#include "platform/headless/headless_platform.h"
#include "platform/keycodes.h"
#include "platform/record_input.h"
#include "tools/krel-trace/trace_compare.h"

namespace krel {
namespace {

namespace fs = std::filesystem;
using testing::FileSizeLimit;
using testing::ReadFileBytes;
using testing::TempCwd;
using testing::WriteFileBytes;

TEST(RecordingFormat, MalformedFilesNameTheLine) {
  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"# only a comment\n3 -\n", "f, line 2: a recording starts with SEED"},
      {"SEED 99999999999999999999\n", "f, line 1: \"99999999999999999999\" is not a seed"},
      {"SEED 1\nSEED 2\n", "f, line 2: SEED may stand only once"},
      {"SEED 1\nARMS xyz\n", "f, line 2: ARMS needs a checksum"},
      {"SEED 1\n1 -\nEND\n1 -\n", "f, line 4: nothing may follow END"},
      {"SEED 1\n3 -\nSETTING [x]\n", "f, line 3: \"SETTING\" is not a repeat count"},
  };
  for (const auto& c : cases) {
    Recording r;
    std::string error;
    EXPECT_FALSE(ParseRecording(c.text, "f", r, error)) << c.text;
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << c.text << " gave: " << error;
  }
}

TEST(RecordingFormat, TypedBytesSurviveTheTypeLine) {
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  InputScript script;
  std::string error;
  ASSERT_TRUE(ParseInputScript(TypeLine(all), "t", script, error)) << error;
  ASSERT_EQ(script.steps.size(), 1u);
  EXPECT_EQ(script.steps[0].text, all);
}

// Counts what reaches the game.
struct Sink : EventSink {
  int closes = 0, keys = 0;
  void OnKeyDown() override { ++keys; }
  void OnKeyPress(unsigned char) override { ++keys; }
  void OnClose() override { ++closes; }
};

TEST(Recorder, LeavesOutPausedReadsAndClosesAnIdleGameAfterASecond) {
  TempCwd cwd;
  HeadlessPlatform machine;
  RecordingWriter writer((cwd.path() / "r.rec").string(), [](const std::string& t) { ADD_FAILURE() << t; });
  RecordInputPlatform recorder(machine, writer);
  writer.Start("SEED 1\n");
  Sink sink;
  std::uint8_t keys[256];
  auto read = [&](int key, int times) {
    machine.ReleaseAllKeys();
    if (key != 0) machine.SetKey(key, true);
    for (int i = 0; i < times; ++i) recorder.ReadKeyboard(keys);
  };
  read(0, 2);
  recorder.SetPaused(true, "network game");
  read(DIK_J, 5);
  recorder.SetPaused(false);
  read(0, 1);
  // A close waits for the next read, so that playback closes at the same
  // point; a game that stops reading gets it after a second all the same.
  recorder.ProcessEvents(sink);
  machine.QueueClose();
  recorder.ProcessEvents(sink);
  machine.Advance(999);
  recorder.ProcessEvents(sink);
  EXPECT_EQ(sink.closes, 0);
  machine.Advance(2);
  recorder.ProcessEvents(sink);
  EXPECT_EQ(sink.closes, 1);
  recorder.Flush();
  EXPECT_EQ(ReadFileBytes(cwd.path() / "r.rec"), "SEED 1\n2 -\n# network game\n1 -\nEND\n");
}

TEST(RecordingWriter, AFailureIsReportedOnceAndTheGameGoesOn) {
  TempCwd cwd;
  // No folder for it; a disk that fills up after the header.
  for (const std::string& path : {(cwd.path() / "no" / "such" / "dir.rec").string(), std::string("full.rec")}) {
    std::vector<std::string> reports;
    {
      FileSizeLimit full(8);
      RecordingWriter w(path, [&](const std::string& t) { reports.push_back(t); });
      w.Start("SEED 1\n");
      w.Append("1 -\n");
      w.Flush();
      w.Append("2 -\n");
      w.Close();
      ASSERT_TRUE(w.failed()) << path;
    }
    ASSERT_EQ(reports.size(), 1u) << path;
    EXPECT_NE(reports[0].find(path), std::string::npos);
  }
}

TEST(Playback, FasterClockIgnoredKeysAndEscapeStops) {
  HeadlessPlatform machine;
  PlaybackPlatform playback(machine, 4);
  const std::uint32_t start = playback.TickCount();
  machine.Advance(10);
  const std::uint32_t fast = playback.TickCount() - start;
  machine.Advance(5000);  // a stall: at most a second of game time
  EXPECT_EQ(std::pair(fast, playback.TickCount() - start), std::pair(40u, 1040u));
  machine.SetKey(DIK_J, true);
  std::uint8_t keys[256];
  playback.ReadKeyboard(keys);
  EXPECT_EQ(keys[DIK_J], 0);
  Sink sink;
  machine.QueueKeyDown();
  machine.QueueKeyPress('j');
  playback.ProcessEvents(sink);
  EXPECT_EQ(std::pair(sink.keys, sink.closes), std::pair(0, 0));
  machine.SetKey(DIK_ESCAPE, true);
  machine.QueueKeyDown();
  playback.ProcessEvents(sink);
  EXPECT_EQ(std::pair(sink.keys, sink.closes), std::pair(0, 1));
}

TEST(ReplayOptions, TakesItsOptionsAndLeavesTheRest) {
  std::vector<std::string> args{"/window", "--play", "a.rec", "--speed=4", "x"};
  ReplayOptions o;
  std::string error;
  ASSERT_TRUE(TakeReplayOptions(args, o, error)) << error;
  EXPECT_EQ(std::tuple(o.play, o.speed, args), std::tuple("a.rec", 4, std::vector<std::string>{"/window", "x"}));
  // (--speed without --play is checked end to end.)
  const std::vector<std::vector<std::string>> misuse = {{"--record"},
                                                        {"--play", "a", "--record", "b"},
                                                        {"--play", "a", "--speed", "0"},
                                                        {"--play", "a", "--speed", "17"},
                                                        {"--play", "a", "--headless", "--speed", "2"},
                                                        {"--headless=1"},
                                                        {"--play="}};
  for (auto m : misuse) EXPECT_FALSE(TakeReplayOptions(m, o, error)) << ::testing::PrintToString(m);
}

TEST(TraceCompare, NamesTheFirstFrameOrBatchAndFieldThatDiffer) {
  const std::string line1 =
      "{\"game\":1,\"frame\":10,\"players\":[{\"n\":1,\"X\":1.5},{\"n\":2,\"X\":3}],\"Shots\":0}\n";
  const std::string frames =
      line1 + "{\"game\":1,\"frame\":20,\"players\":[{\"n\":1,\"X\":2},{\"n\":2,\"X\":3}],\"Shots\":1}\n";
  // A batch line as a client writes it: its own worm first.
  auto batch = [](int game, int n, const std::string& own, int own_lives, const std::string& other, int other_lives,
                  int level) {
    return "{\"game\":" + std::to_string(game) + ",\"batch\":" + std::to_string(n) +
           ",\"NumPlayers\":4,\"players\":[{\"Name\":\"" + own + "\",\"Lives\":" + std::to_string(own_lives) +
           "},{\"Name\":\"" + other + "\",\"Lives\":" + std::to_string(other_lives) +
           "}],\"LevelChecksum\":" + std::to_string(level) + "}\n";
  };
  const std::string batches =
      "{\"game\":1,\"frame\":7,\"batch\":49,\"players\":[]}\n" + batch(1, 50, "Anna", 14, "Bert", 15, 9) +
      "{\"game\":1,\"frame\":9,\"batch\":50,\"players\":[]}\n" + batch(1, 100, "Anna", 14, "Bert", 15, 8);
  const struct {
    const std::string& a;
    std::string b;
    std::string want;  // empty: they agree
  } cases[] = {
      {frames, frames, ""},
      {frames, line1, "line 2 (game 1, frame 20): B has ended, A goes on"},
      {frames, line1 + "{\"game\":1,\"frame\":20,\"players\":[{\"n\":1,\"X\":2},{\"n\":2,\"X\":3.0001}],\"Shots\":1}\n",
       "line 2 (game 1, frame 20): players[2].X is 3 in A but 3.0001 in B"},
      {frames, "{\"game\":1,\"frame\":10,\"players\":[{\"n\":1,\"X\":1.5}\n",
       "B, line 1: ',' or ']' expected at column 48"},
      // Another game number, other frames, the worms in B's own order.
      {batches,
       "{\"game\":3,\"frame\":88,\"batch\":50,\"players\":[]}\n" + batch(3, 50, "Bert", 15, "Anna", 14, 9) +
           batch(3, 100, "Bert", 15, "Anna", 14, 8),
       ""},
      {batches, batch(2, 50, "Bert", 15, "Anna", 14, 9) + batch(2, 100, "Bert", 15, "Anna", 14, 7),
       "batch 100 (4 worms): LevelChecksum is 8 in A but 7 in B"},
      {batches, batch(2, 50, "Bert", 15, "Anna", 13, 9),
       "batch 50 (4 worms): players[\"Anna\"].Lives is 14 in A but 13 in B"},
      {batches, batch(2, 150, "Bert", 15, "Anna", 14, 9), "A and B have no batch in common"},
      {batches, "{\"game\":1,\"frame\":1,\"players\":[]}\n", "B holds no network game's batches, A does"},
  };
  for (const auto& c : cases) EXPECT_EQ(FirstTraceDifference(c.a, c.b, "A", "B").value_or(""), c.want) << c.b;
}

TEST(TraceCompare, DeepNestingIsUnreadableNotACrash) {
  const std::string good = "{\"game\":1,\"frame\":10,\"players\":[{\"n\":1,\"X\":[[1]]}]}\n";
  const std::string deep = "{\"a\":" + std::string(300000, '[') + "\n";
  EXPECT_EQ(UnreadableTraceLine(good, "A"), std::nullopt);
  EXPECT_EQ(UnreadableTraceLine(good + deep, "B"), "B, line 2: nested deeper than 64 levels at column 69");
  EXPECT_EQ(FirstTraceDifference(good, deep, "A", "B"), "B, line 1: nested deeper than 64 levels at column 69");
}

TEST(AutomaticRecordings, OnlyTheNewestFiftyAreKept) {
  TempCwd cwd;
  for (int i = 0; i < 53; ++i)
    WriteFileBytes(cwd.path() / ("2024-01-01_10-00-" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".rec"),
                   "SEED 1\n");
  WriteFileBytes(cwd.path() / "notes.txt", "kept");
  PruneRecordings(cwd.path().string(), 50);
  for (const char* name : {"2024-01-01_10-00-03.rec", "2024-01-01_10-00-52.rec", "notes.txt"})
    EXPECT_TRUE(fs::exists(cwd.path() / name)) << name;
  EXPECT_FALSE(fs::exists(cwd.path() / "2024-01-01_10-00-02.rec"));
}

}  // namespace
}  // namespace krel
