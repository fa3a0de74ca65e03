// Recorded sessions, piece by piece: the file format, the recorder's runs,
// typed text and window close, the buffered writer's failures, the command
// line, the trace comparison and the pruning of automatic recordings.
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
using testing::ReadFileBytes;
using testing::TempCwd;
using testing::WriteFileBytes;

TEST(RecordingFormat, HeaderAndScriptReadBack) {
  Recording r;
  r.seed = 18446744073709551615ull;
  r.arms = 0xe40ced53;
  r.level = 0x1;
  r.settings = "[General Settings]\n\"Lives\"=\"3\"\n";
  std::string text = RecordingHeader(r) + "2 LEFT K\n# a comment\nTYPE a\\sb\n1 -\nEND\n";
  Recording back;
  std::string error;
  ASSERT_TRUE(ParseRecording(text, "f", back, error)) << error;
  EXPECT_EQ(std::tuple(back.seed, back.arms, back.level, back.settings, back.ends_closed),
            std::tuple(r.seed, r.arms, r.level, r.settings, true));
  ASSERT_EQ(back.script.steps.size(), 3u);
  EXPECT_EQ(back.script.steps[0].keys, (std::vector<int>{DIK_LEFT, DIK_K}));
  EXPECT_EQ(back.script.steps[1].text, "a b");
}

TEST(RecordingFormat, MalformedFilesNameTheLine) {
  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"# only a comment\n3 -\n", "f, line 2: a recording starts with SEED"},
      {"SEED x1\n", "f, line 1: \"x1\" is not a seed"},
      {"SEED 99999999999999999999\n", "f, line 1: \"99999999999999999999\" is not a seed"},
      {"SEED 1\nSEED 2\n", "f, line 2: SEED may stand only once"},
      {"SEED 1\nARMS xyz\n", "f, line 2: ARMS needs a checksum"},
      {"SEED 1\n1 -\nEND\n1 -\n", "f, line 4: nothing may follow END"},
      {"SEED 1\nEND now\n", "f, line 2: END takes nothing after it"},
      {"SEED 1\n\n3 -\n2 NOSUCHKEY\n", "f, line 4: unknown key \"NOSUCHKEY\""},
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

// A keyboard whose keys and events the test sets between the calls.
struct Bench {
  HeadlessPlatform machine;
  fs::path file;
  std::vector<std::string> reports;
  RecordingWriter writer;
  RecordInputPlatform recorder;
  struct Sink : EventSink {
    RecordInputPlatform* r = nullptr;
    std::string typed;
    int closes = 0, downs = 0;
    void OnKeyDown() override {
      ++downs;
      std::uint8_t s[256];
      r->ReadKeyboard(s);  // as Form_KeyDown does: not a read of the script
    }
    void OnKeyPress(unsigned char c) override { typed += static_cast<char>(c); }
    void OnClose() override { ++closes; }
  } sink;

  explicit Bench(fs::path f)
      : file(std::move(f)), writer(file.string(), [this](const std::string& t) { reports.push_back(t); }),
        recorder(machine, writer) {
    writer.Start("SEED 1\n");
    sink.r = &recorder;
  }
  void Read(std::initializer_list<int> keys, int times = 1) {
    machine.ReleaseAllKeys();
    for (int k : keys) machine.SetKey(k, true);
    for (int i = 0; i < times; ++i) {
      std::uint8_t s[256];
      recorder.ReadKeyboard(s);
      recorder.ProcessEvents(sink);
    }
  }
  std::string Text() {
    recorder.Flush();
    return ReadFileBytes(file);
  }
};

TEST(Recorder, WritesRunsOfReadsAndTypedTextBetweenThem) {
  TempCwd cwd;
  Bench b(cwd.path() / "r.rec");
  b.Read({}, 3);
  b.machine.QueueKeyDown();
  b.machine.QueueKeyPress('#');
  b.Read({DIK_RETURN, DIK_LEFT}, 2);
  b.Read({DIK_LEFT, DIK_RETURN});
  b.Read({}, 1);
  // The typed text ends the run it came in; equal reads around it still
  // merge, whatever order the keys were pressed in.
  EXPECT_EQ(b.Text(), "SEED 1\n3 -\n1 RETURN LEFT\nTYPE \\#\n2 RETURN LEFT\n1 -\n");
  EXPECT_EQ(b.sink.typed, "#");
  EXPECT_EQ(b.sink.downs, 1);
}

// A close waits for the next read, so that playback closes at the same
// point; a game that stops reading gets it after a second all the same.
TEST(Recorder, HandsOnACloseAfterTheNextReadOrASecond) {
  TempCwd cwd;
  Bench b(cwd.path() / "r.rec");
  b.Read({DIK_K}, 2);
  b.recorder.ProcessEvents(b.sink);
  b.machine.QueueClose();
  b.recorder.ProcessEvents(b.sink);
  b.machine.Advance(999);
  b.recorder.ProcessEvents(b.sink);
  EXPECT_EQ(b.sink.closes, 0);
  b.Read({DIK_K});
  EXPECT_EQ(b.sink.closes, 1);
  EXPECT_EQ(b.Text(), "SEED 1\n3 K\nEND\n");
  Bench idle(cwd.path() / "idle.rec");
  idle.machine.QueueClose();
  idle.recorder.ProcessEvents(idle.sink);
  idle.machine.Advance(1001);
  idle.recorder.ProcessEvents(idle.sink);
  EXPECT_EQ(idle.sink.closes, 1);
}

TEST(Recorder, PausedReadsAreLeftOut) {
  TempCwd cwd;
  Bench b(cwd.path() / "r.rec");
  b.Read({}, 2);
  b.recorder.SetPaused(true, "network game");
  b.Read({DIK_J}, 5);
  b.recorder.SetPaused(false);
  b.Read({}, 1);
  EXPECT_EQ(b.Text(), "SEED 1\n2 -\n# network game\n1 -\n");
}

TEST(RecordingWriter, AFailureIsReportedOnceAndTheGameGoesOn) {
  TempCwd cwd;
  for (const std::string& path : {(cwd.path() / "no" / "such" / "dir.rec").string(), std::string("/dev/full")}) {
    std::vector<std::string> reports;
    RecordingWriter w(path, [&](const std::string& t) { reports.push_back(t); });
    w.Start("SEED 1\n");
    w.Append("1 -\n");
    w.Flush();
    ASSERT_TRUE(w.failed() && reports.size() == 1u) << path;
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
  struct Sink : EventSink {
    int closes = 0;
    void OnKeyDown() override { ADD_FAILURE() << "a key reached the game"; }
    void OnKeyPress(unsigned char) override { ADD_FAILURE() << "a character reached the game"; }
    void OnClose() override { ++closes; }
  } sink;
  machine.QueueKeyDown();
  machine.QueueKeyPress('j');
  playback.ProcessEvents(sink);
  EXPECT_EQ(sink.closes, 0);
  machine.SetKey(DIK_ESCAPE, true);
  machine.QueueKeyDown();
  playback.ProcessEvents(sink);
  EXPECT_EQ(sink.closes, 1);
}

TEST(ReplayOptions, TakesItsOptionsAndLeavesTheRest) {
  std::vector<std::string> args{"/window", "--play", "a.rec", "--speed=4", "x"};
  ReplayOptions o;
  std::string error;
  ASSERT_TRUE(TakeReplayOptions(args, o, error)) << error;
  EXPECT_EQ(std::tuple(o.play, o.speed, args), std::tuple("a.rec", 4, std::vector<std::string>{"/window", "x"}));
  const std::vector<std::vector<std::string>> misuse = {
      {"--record"}, {"--play", "a", "--record", "b"}, {"--speed", "3"},        {"--play", "a", "--speed", "0"},
      {"--play", "a", "--speed", "17"}, {"--play", "a", "--speed", "x"}, {"--play", "a", "--headless", "--speed", "2"},
      {"--headless=1"}, {"--play="}};
  for (auto m : misuse) {
    std::string joined;
    for (const auto& a : m) joined += a + " ";
    EXPECT_FALSE(TakeReplayOptions(m, o, error)) << joined;
  }
}

TEST(TraceCompare, NamesTheFirstFrameAndFieldThatDiffer) {
  const std::string a =
      "{\"game\":1,\"frame\":10,\"players\":[{\"n\":1,\"X\":1.5},{\"n\":2,\"X\":3}],\"Shots\":0}\n"
      "{\"game\":1,\"frame\":20,\"players\":[{\"n\":1,\"X\":2},{\"n\":2,\"X\":3}],\"Shots\":1}\n";
  const struct {
    std::string b;
    std::string want;  // empty: they agree
  } cases[] = {
      {a, ""},
      {a.substr(0, a.find('\n') + 1), "line 2 (game 1, frame 20): B has ended, A goes on"},
      {"{\"game\":1,\"frame\":10,\"players\":[{\"n\":1,\"X\":1.5},{\"n\":2,\"X\":3}],\"Shots\":0}\n"
       "{\"game\":1,\"frame\":20,\"players\":[{\"n\":1,\"X\":2},{\"n\":2,\"X\":3.0001}],\"Shots\":1}\n",
       "line 2 (game 1, frame 20): players[2].X is 3 in A but 3.0001 in B"},
      {"{\"game\":1,\"frame\":10,\"players\":[{\"n\":2,\"X\":3}],\"Shots\":0}\n",
       "line 1 (game 1, frame 10): players in play are 1, 2 in A but 2 in B"},
      {"{\"game\":1,\"frame\":10,\"players\":[{\"n\":1,\"X\":1.5},{\"n\":2,\"X\":3}]}\n",
       "line 1 (game 1, frame 10): Shots is 0 in A and missing in B"},
      {"{\"game\":1,\"frame\":10,\"players\":[{\"n\":1,\"X\":1.5}\n", "B, line 1: ',' or ']' expected"},
  };
  for (const auto& c : cases) {
    std::optional<std::string> diff = FirstTraceDifference(a, c.b, "A", "B");
    ASSERT_EQ(diff.has_value(), !c.want.empty()) << c.b << diff.value_or("");
    if (diff) {
      EXPECT_EQ(diff->rfind(c.want, 0), 0u) << *diff;
    }
  }
}

TEST(AutomaticRecordings, OnlyTheNewestFiftyAreKept) {
  TempCwd cwd;
  for (int i = 0; i < 53; ++i) {
    char name[40];
    std::snprintf(name, sizeof name, "2024-01-01_10-00-%02d.rec", i);
    WriteFileBytes(cwd.path() / name, "SEED 1\n");
  }
  WriteFileBytes(cwd.path() / "notes.txt", "kept");
  PruneRecordings(cwd.path().string(), 50);
  EXPECT_FALSE(fs::exists(cwd.path() / "2024-01-01_10-00-02.rec"));
  EXPECT_TRUE(fs::exists(cwd.path() / "2024-01-01_10-00-03.rec"));
  EXPECT_TRUE(fs::exists(cwd.path() / "2024-01-01_10-00-52.rec"));
  EXPECT_TRUE(fs::exists(cwd.path() / "notes.txt"));
}

}  // namespace
}  // namespace krel
