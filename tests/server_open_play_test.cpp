// Open play on the relay (protocol/open_play.h): how it is agreed, a client
// leaving without a restart, a client joining a running game with the level
// of a client in it, objects' pictures drawn into the level relayed like
// digs, a client of the basic protocol turned away, and the chat rate limit;
// the files a server names, checked before it serves them.
// The real programs: tests/e2e/open_play.sh.
#include <gtest/gtest.h>

#include <filesystem>

#include "core_test_support.h"
#include "gfx/bmp_write.h"

#include "protocol/open_play.h"
#include "protocol/pipelined.h"
#include "server/served_files.h"
#include "server_test_support.h"

namespace krel::test {
namespace {

// The server's answer to an open greeting, before the token.
std::string OpenAnswer() {
  return ConfigReply(15, 100, true) + "P" + Byte(kPipelineVersion) + "O" + Byte(kOpenPlayVersion);
}

// An object's picture drawn into the level (open play only).
std::string Drawing(int tile, int x, int y) {
  std::string m = "D";
  for (int v : {tile, x, y}) AppendField(m, static_cast<int16>(v), 0, KindShort);
  return m;
}

// Open clients, `frames` frames into their game, what they got until then
// taken; client i's worms are named "<letter>1/2".
struct OpenRig : Rig {
  std::vector<TwoWorms> worms;
  explicit OpenRig(int clients, int frames = 0) : Rig(0) {
    for (int i = 0; i < clients; ++i) Join();
    for (int f = 0; f < frames; ++f) Frame();
    if (frames > 0) TakeAll();
  }
  void TakeAll() {
    for (std::size_t i = 0; i < links.size(); ++i) Take(static_cast<int>(i));
  }
  void Join() {
    Connect();
    worms.emplace_back(std::string(1, static_cast<char>('A' + worms.size())));
    Send(static_cast<int>(worms.size()) - 1, OpenGreeting());
  }
  // A frame of every client in the game (alive worms start it).
  void Frame() {
    for (std::size_t i = 0; i < worms.size(); ++i) {
      if (!Alive(static_cast<int>(i)) || !sessions[i]->in_game) continue;
      for (WormRecord& w : worms[i].worms) {
        w.Alive = kTrue;
        w.Age += 1;
      }
      Send(static_cast<int>(i), worms[i].States());
    }
  }
};

TEST(OpenPlay, AgreedOnlyByAClientThatAsksThreeTimesAndPlayedOnlyWhenEveryoneDid) {
  OpenRig rig(1);
  const std::string answer = OpenAnswer();
  const std::string got = rig.Take(0);
  EXPECT_EQ(got.substr(0, answer.size()), answer);
  EXPECT_EQ(got.substr(answer.size(), 1), "T") << "and a token to come back with";
  EXPECT_EQ(got.size(), answer.size() + 1 + kReturnTokenBytes);
  // What newer clients are told before the game: places, and who sets the pace.
  const auto told = [&] {
    rig.relay->AnnounceTick();
    return rig.hooks.datagrams.end()[-2];
  };
  EXPECT_EQ(told(), "+" + std::string(kOpenAnnounceText) + Byte(2) + Byte(7) + Byte(0) + Byte(0));
  rig.Connect();  // a client of the basic protocol
  rig.Send(1, Greeting());
  EXPECT_EQ(told(), "+" + std::string(kOpenAnnounceText) + Byte(4) + Byte(6) + Byte(0) + Byte(1))
      << "a client in lock-step sets the pace";
  rig.Frame();
  rig.Send(1, rig.States());
  const Relay::Outlook o = rig.relay->Describe();
  EXPECT_EQ(std::tuple(o.running, o.open, o.players, o.play_places, o.watch_places, o.lock_step_paced),
            std::tuple(true, false, 2, 0, 0, true))
      << "closed to newcomers, held back by the lock-step client";
  EXPECT_FALSE(rig.relay->OpenGame());
  EXPECT_FALSE(rig.Connect()) << "a game with a client of the basic protocol closes as it always did";
}

TEST(OpenPlay, TheServersFilesAreAnnouncedAndSentOnceOnlyToAClientThatAsks) {
  OpenRig rig(0);
  rig.relay = std::make_unique<Relay>(rig.hooks, RelayLimits{}, "LEVEL BYTES", "");
  rig.relay->Start();
  rig.Join();
  rig.Join();
  std::string header;
  AppendRawLong(header, FileChecksum("LEVEL BYTES"));
  AppendRawLong(header, 11);
  const std::string answer = rig.Take(0);
  EXPECT_EQ(answer.substr(answer.size() - 10), "UV" + header) << "announced with the token, the file not sent";
  rig.Send(0, "UV");
  EXPECT_EQ(rig.Take(0), "V" + header + "LEVEL BYTES");
  rig.Send(0, "UV");
  EXPECT_EQ(rig.Take(0), "") << "once per client";
  rig.Send(1, "UF");  // a weapon file this server does not name
  EXPECT_FALSE(rig.Alive(1));
  EXPECT_TRUE(rig.Alive(0));
}

TEST(OpenPlay, ALeavingClientsWormsGoFromEveryViewAndNobodyRestarts) {
  OpenRig rig(3, 1);
  ASSERT_TRUE(rig.relay->OpenGame());
  // Withdrawn for clients of the basic protocol, announced in a form they ignore.
  rig.relay->AnnounceTick();
  EXPECT_EQ(rig.hooks.datagrams.back(), "+" + std::string(kOpenAnnounceText) + Byte(6) + Byte(5) + Byte(16));
  EXPECT_EQ(rig.hooks.datagrams.end()[-2], "-" + std::string(kVersionText));
  rig.Frame();
  const auto batches = rig.relay->GameBatches();
  rig.TakeAll();
  rig.Close(1);  // B, slots 3-4
  rig.Frame();
  // A numbers B's worms 3 and 4, C (slots 5-6) numbers them 5 and 6.
  const std::string a = rig.Take(0), c = rig.Take(2);
  EXPECT_EQ(a.substr(0, 4), "L" + Byte(3) + "n" + Byte(4));
  EXPECT_EQ(c.substr(0, 4), "L" + Byte(5) + "n" + Byte(4));
  EXPECT_NE(a.find(std::string("cB1 LEFT") + '\0'), std::string::npos);
  EXPECT_EQ(rig.sessions[2]->first_slot, 3) << "the pairs above move down in order";
  EXPECT_EQ(rig.relay->tables().slots[3].Name.substr(0, 2), "C1");
  EXPECT_EQ(rig.relay->GameBatches(), batches + 1) << "no restart: the count goes on";
  EXPECT_EQ(rig.relay->tables().slots[3].Age, rig.worms[2].worms[0].Age);
}

TEST(OpenPlay, ANewcomerGetsTheLevelOfAClientInTheGameAndTheDigsSinceThenAndEnters) {
  OpenRig rig(2, 2);
  rig.Join();  // C connects during the game
  EXPECT_FALSE(rig.sessions[2]->in_game);
  EXPECT_TRUE(rig.got(2).empty()) << "no answer before the level";
  rig.Frame();
  const std::string asked = rig.Take(0);
  ASSERT_EQ(asked.substr(0, 2), "Qn") << "the first client is asked for the level before its next batch";
  // A dig and a drawing in the batch after the level was taken must reach
  // the newcomer, in their order.
  rig.Send(1, Dig(40, 50, 6) + Drawing(203, 40, 50));
  rig.Frame();
  rig.Send(0, Block('Z', "LEVEL"));
  const std::string expected = Block('Z', "LEVEL") + OpenAnswer();
  EXPECT_EQ(rig.Take(2).substr(0, expected.size()), expected);
  // Its first frame is in: after the next batch it enters as slots 5-6.
  rig.Send(2, rig.worms[2].States());
  rig.Frame();
  const std::string entry = rig.Take(2);
  ASSERT_FALSE(entry.empty());
  EXPECT_EQ(entry[0], 'E');
  EXPECT_NE(entry.find(Dig(40, 50, 6) + Drawing(203, 40, 50)), std::string::npos)
      << "the digs since the level was taken";
  EXPECT_EQ(rig.sessions[2]->first_slot, 5);
  rig.Take(0);
  rig.Frame();
  const std::string next = rig.Take(0);
  ASSERT_GE(next.size(), 3u);
  EXPECT_EQ(next.substr(0, 3), "An" + Byte(6));
  EXPECT_NE(next.find(std::string("cC1 JOINED") + '\0'), std::string::npos);
  EXPECT_EQ(rig.Take(2).substr(0, 2), "n" + Byte(6));
}

TEST(OpenPlay, DrawingsAreRelayedAmongTheDigsWithinWhatAGameDraws) {
  const int bound = kFrameEventBound.drawings;
  struct Case {
    const char* what;
    std::string frame;
    const char* ended;  // nullptr: relayed, the session plays on
  };
  const Case cases[] = {
      {"a dig, a picture, a dig", Dig(10, 10, 5) + Drawing(202, -4, 20) + Dig(30, 10, -5), nullptr},
      {"pictures at the bound", Times(bound, Drawing(kMaxDrawingTile, 10, kMaxLevelSide)), nullptr},
      {"one picture too many", Times(bound + 1, Drawing(202, 10, 10)), "more than 1024 drawings"},
      {"a picture number below every sheet", Drawing(-1, 10, 10), "outside what a game draws"},
      {"a picture number past every sheet", Drawing(kMaxDrawingTile + 1, 10, 10), "outside what a game draws"},
      {"a picture far right of the level", Drawing(202, kMaxLevelSide + kCoordinateMargin + 1, 10),
       "outside what a game draws"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    OpenRig rig(2, 1);
    rig.Send(1, c.frame);
    rig.Frame();
    EXPECT_EQ(rig.Alive(1), c.ended == nullptr);
    if (c.ended) {
      EXPECT_TRUE(rig.Logged(c.ended));
    } else {
      EXPECT_NE(rig.Take(0).find(c.frame), std::string::npos) << "every open client gets them, in order";
      EXPECT_NE(rig.Take(1).find(c.frame), std::string::npos) << "the owner's client too";
    }
    EXPECT_TRUE(rig.Alive(0));
  }
}

TEST(OpenPlay, AClientOfTheBasicProtocolNeitherGetsNorMaySendDrawings) {
  OpenRig rig(1);
  rig.Connect();
  rig.Send(1, Greeting());
  rig.Frame();
  rig.Send(1, rig.States());
  ASSERT_FALSE(rig.relay->OpenGame());
  rig.TakeAll();
  // An open client in such a game still sends its drawings: its open peers draw them.
  rig.Send(0, Dig(10, 10, 5) + Drawing(202, 20, 20) + Dig(30, 10, -5));
  rig.Frame();
  rig.Send(1, rig.States());
  EXPECT_NE(rig.Take(0).find(Dig(10, 10, 5) + Drawing(202, 20, 20) + Dig(30, 10, -5)), std::string::npos);
  const std::string classic = rig.Take(1);
  EXPECT_NE(classic.find(Dig(10, 10, 5) + Dig(30, 10, -5)), std::string::npos);
  EXPECT_EQ(classic.find(Drawing(202, 20, 20)), std::string::npos);
  rig.Send(1, Drawing(202, 20, 20));
  EXPECT_FALSE(rig.Alive(1));
  EXPECT_TRUE(rig.Logged("unknown message tag 0x44"));
}

TEST(OpenPlay, AClientWhoseLevelDiffersFromTheOthersGetsItAgain) {
  OpenRig rig(3, 1);
  auto report = [&](int i, std::uint32_t checksum) {
    std::string k = "K";
    AppendField(k, 50, 0, KindLong);
    AppendRawLong(k, checksum);
    rig.Send(i, k);
  };
  report(0, 111);
  report(2, 111);
  EXPECT_EQ(rig.relay->LevelResyncs(), 0) << "not before every client has reported";
  report(1, 222);
  EXPECT_EQ(rig.relay->LevelResyncs(), 1);
  EXPECT_TRUE(rig.Logged("its level differs from the game's at batch 50"));
  rig.Frame();
  EXPECT_EQ(rig.Take(1).substr(0, 1), "n") << "the client whose level differs is not asked for it";
  EXPECT_EQ(rig.Take(0).substr(0, 2), "Qn");
  rig.Send(0, Block('Z', "LV"));
  EXPECT_EQ(rig.Take(1), Block('Y', "LV") + std::string(4, '\0')) << "the level and no digs since";
}

TEST(OpenPlay, AGameOfFiftyLivesKeepsThemOnTheServerForTheWormsSentInFull) {
  OpenRig rig(1);
  // 50 is 0 plus 50: the client's first states say "unchanged".
  for (WormRecord& w : rig.worms[0].worms) w.Lives = 50;
  rig.Frame();
  rig.Frame();
  EXPECT_EQ(std::tuple(rig.relay->tables().slots[1].Lives, rig.relay->tables().slots[2].Lives),
            std::tuple(int16{50}, int16{50}));
}

TEST(OpenPlay, AClientThatComesBackWithItsTokenGetsItsScoreBack) {
  OpenRig rig(2, 1);
  rig.relay->tables().slots[3].Kills = 7;
  rig.relay->tables().slots[4].Lives = 3;
  std::string token = rig.sessions[1]->token;
  ASSERT_EQ(token.size(), kReturnTokenBytes);
  rig.Close(1);
  for (const bool in_time : {true, false}) {
    // Past the time a departed score is kept (the one left in the game plays on).
    for (int t = 0; !in_time && t <= kReturnSeconds; ++t) {
      rig.Frame();
      rig.Ticks(10);
    }
    rig.Connect();
    const int i = static_cast<int>(rig.sessions.size()) - 1;
    rig.worms.emplace_back("B");
    rig.Send(i, OpenGreeting() + "T" + token);
    rig.Frame();
    rig.Send(0, Block('Z', "L"));
    rig.Send(i, rig.worms.back().States());
    rig.Frame();
    ASSERT_TRUE(rig.sessions[static_cast<std::size_t>(i)]->in_game) << in_time;
    rig.Frame();
    const auto& slots = rig.relay->tables().slots;
    const int first = rig.sessions[static_cast<std::size_t>(i)]->first_slot;
    EXPECT_EQ(std::tuple(slots[first].Kills, slots[first + 1].Lives),
              in_time ? std::tuple(int16{7}, int16{3}) : std::tuple(int16{0}, int16{15}));
    token = rig.sessions[static_cast<std::size_t>(i)]->token;
    rig.Close(i);
  }
  EXPECT_TRUE(rig.Logged("comes back"));
}

TEST(OpenPlay, ASpectatorGetsEveryWormInSlotOrderAndHoldsNoPlace) {
  OpenRig rig(2, 1);
  rig.Connect();
  rig.Send(2, OpenGreeting() + "W");
  rig.Frame();
  rig.Send(0, Block('Z', "L"));
  rig.Send(2, "W");  // set up: ready for the batches
  rig.Frame();
  ASSERT_TRUE(rig.sessions[2]->in_game);
  rig.Take(2);
  rig.Frame();
  rig.Send(2, std::string("chi") + '\0');
  rig.Frame();
  const std::string batch = rig.Take(2);
  const auto& states = rig.relay->tables().relayed_states;
  // Slots 1 to 4 in order, no worms of its own, no place taken.
  EXPECT_EQ(batch.substr(0, 2), "n" + Byte(4));
  EXPECT_NE(batch.find(states[1] + states[2] + states[3] + states[4]), std::string::npos);
  EXPECT_NE(batch.find(std::string("chi") + '\0'), std::string::npos) << "a spectator may chat";
  EXPECT_EQ(rig.relay->PlayersOnline(), 4);
  rig.relay->AnnounceTick();
  EXPECT_EQ(rig.hooks.datagrams.back().substr(14), Byte(4) + Byte(6) + Byte(15)) << "six places to play, 15 to watch";
  const Relay::Outlook o = rig.relay->Describe();
  EXPECT_EQ(std::tuple(o.running, o.open, o.players, o.play_places, o.watch_places, o.lock_step_paced),
            std::tuple(true, true, 2, 6, 15, false));
  rig.Close(0);
  rig.Close(1);
  EXPECT_FALSE(rig.Alive(2)) << "the game it watched has ended";
  EXPECT_TRUE(rig.relay->Listening());
}

TEST(OpenPlay, ASpectatorThatSendsAWormsStateIsEnded) {
  OpenRig rig(1, 1);
  rig.Connect();
  rig.Send(1, OpenGreeting() + "W");
  rig.Send(1, rig.worms[0].States());
  EXPECT_FALSE(rig.Alive(1));
  EXPECT_TRUE(rig.Alive(0));
}

TEST(OpenPlay, AClientOfTheBasicProtocolIsToldTheGameRunsAndClosed) {
  OpenRig rig(2, 1);
  ASSERT_TRUE(rig.Connect());
  rig.Send(2, Greeting());
  ASSERT_TRUE(rig.TickUntil([&] { return !rig.Alive(2); }, 20));
  EXPECT_EQ(rig.got(2), Relay::GameRunningLine());
  EXPECT_FALSE(rig.links[2]->open);
}

TEST(OpenPlay, ChatIsRateLimitedPerClient) {
  OpenRig rig(1);
  rig.Take(0);
  std::string flood;
  for (int i = 0; i < Session::kChatBurst + 10; ++i) flood += std::string("chello") + '\0';
  rig.Send(0, flood);
  rig.Frame();
  const std::string got = rig.Take(0);
  std::size_t lines = 0;
  for (std::size_t at = got.find("chello"); at != std::string::npos; at = got.find("chello", at + 1)) ++lines;
  EXPECT_EQ(lines, static_cast<std::size_t>(Session::kChatBurst));
  EXPECT_TRUE(rig.Alive(0)) << "a flood is dropped, the client stays";
  EXPECT_TRUE(rig.Logged("too fast"));
}

// A file the game's own reader refuses is not served, exactly as a missing
// one: named in the log with the reader's message, and clients keep theirs.
TEST(ServedFiles, OnlyFilesTheGamesReadersLoadAreServed) {
  const krel::testing::TempCwd tmp;
  const std::string dir = tmp.path().string();
  const std::string arms = krel::testing::ReadFileBytes(std::string(KREL_SOURCE_DIR) + "/data/arms.dat");
  const std::vector<std::uint8_t> bmp = EncodeBmp24(6, 4, std::vector<std::uint32_t>(6 * 4, 0x102030));
  const std::string level(bmp.begin(), bmp.end());
  struct Case {
    ServedFile file;
    std::string bytes;
    std::string error;  // part of the reason; empty: served
  };
  const Case cases[] = {
      {ServedFile::kLevel, level, ""},
      {ServedFile::kArms, arms, ""},
      {ServedFile::kLevel, "BM not a bitmap", "cannot load the level: "},
      {ServedFile::kLevel, level.substr(0, level.size() - 10), "cannot load the level: "},
      {ServedFile::kArms, "ORDER:1\nNAME:PEA\nSPEED:fast\n", "arms.dat:3: SPEED: "},
      {ServedFile::kArms, "", "the weapon file is empty"},
      {ServedFile::kArms, std::string(kMaxArmsFileBytes + 1, ' '), "more than the"},
  };
  for (const Case& c : cases) {
    const std::string folder = dir + "/" + std::to_string(&c - cases), name = ServedFileName(c.file);
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/" + name;
    krel::testing::WriteFileBytes(path, c.bytes);
    std::string served_path, bytes, error;
    std::vector<std::string> log;
    FindShippedFile(c.file, {folder}, served_path, bytes, log);
    if (c.error.empty()) {
      EXPECT_EQ(std::tuple(bytes, served_path, log),
                std::tuple(c.bytes, path,
                           std::vector<std::string>{"serving " + name + " " + path + " (" +
                                                    std::to_string(c.bytes.size()) + " bytes) to open games"}));
      continue;
    }
    // The reader's message names the file; named on the command line, it stops the server.
    EXPECT_FALSE(ReadServedFile(c.file, path, bytes, error));
    EXPECT_TRUE(error.find(path) != std::string::npos && error.find(c.error) != std::string::npos) << error;
    EXPECT_EQ(
        std::tuple(bytes, served_path, log),
        std::tuple(std::string(), std::string(),
                   std::vector<std::string>{"no " + name + " served (" + error + "): every client plays on its own"}));
  }
}

}  // namespace
}  // namespace krel::test
