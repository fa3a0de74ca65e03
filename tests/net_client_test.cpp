// The client's side of network games: the events it sends, the batches it
// receives (whole or in pieces) and the announcements it hears. Real clients
// through the relay (--announce-to 127.0.0.1): tests/e2e/krel_network_*.sh.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "client/app/client_events.h"
#include "client/frontend/chat_line.h"
#include "client/net/incoming.h"
#include "client/net/level_snapshot.h"
#include "client/net/net_client.h"
#include "client/net/server_watch.h"
#include "client/net/session.h"
#include "client/present/statistics.h"
#include "client/simulation/weapons/explosions.h"
#include "client/simulation/weapons/objects.h"
#include "client/simulation/weapons/shots.h"
#include "client/state/chat.h"
#include "core_test_support.h"
#include "gfx/bmp_write.h"
#include "platform/keycodes.h"
#include "protocol/open_play.h"
#include "protocol/worm_codec.h"
#include "server_test_support.h"
#include "sim_test_support.h"

namespace krel {
namespace {

using namespace krel::testing;

std::string Bytes(std::initializer_list<int> b) { return std::string(b.begin(), b.end()); }

// A worm's state ("p"), encoded in full.
std::string WormState(const Player& p, WormRefs refs = WormRefs::Whole) {
  Player sent;
  std::string b = "p";
  EncodeWormFull(b, p, sent, refs);
  return b;
}

// Picture sheets of rock, for the drawings a batch may carry.
void RockPictures(World& w) {
  w.Tiles8 = Surface(7 * 4, 8);
  w.Tiles8.Clear(SimColour(kRockColour));
  w.Tiles8.SetColorKey(0);
}

// A world with a client session of its own, without sockets.
struct NetWorld {
  std::unique_ptr<World> w = MakeSimWorld(504, 350);
  NetClient n;
  explicit NetWorld(int players = 2) { std::tie(w->net, w->NumPlayers) = std::tuple(&n, players); }
  // What the server sent, in place of anything still unread.
  bool Receive(const std::string& bytes) {
    n.RecvBuffer = bytes;
    return ProcessReceived(*w);
  }
};

TEST(NetEvents, OwnEventsAreEncodedForTheServerNotApplied) {
  auto w = MakeSimWorld(504, 350);
  ClientEvents events(*w);
  std::tie(w->events, w->Connection) = std::tuple(&events, ConnectionState::kConnected);
  AddShot(*w, fixed(1.5), 0, 0, fixed(-0.01), 2, 3, -1);
  EXPECT_EQ(w->OutBuffer, Bytes({'w', 0xFE, 0xFF, 0, 0, 0x96, 128, 128, 0xFE, 0xFF, 0xFF, 3, 2}));
  w->OutBuffer.clear();
  Dig(*w, 10, 20, 5, 1, Origin::kLocal);
  PlayerDied(*w, 2, 1, Origin::kLocal);  // reported, not counted
  EXPECT_EQ(w->OutBuffer.substr(0, 10), Bytes({'d', 0, 10, 0, 20, 0, 5, 'f', 1, 2}));
  EXPECT_EQ(std::tuple(w->Shots.size(), w->Players[1].Kills), std::tuple(std::size_t{1}, int16{0}));
}

TEST(NetBatch, ABatchSplitAnywhereGivesTheSameGame) {
  // The configuration reply, then three worms: a dig and a chat line before the
  // first worm's state, a shot of the second worm at (1.5, 30) before the second's.
  std::string batch = test::ConfigReply(7, 80, false) + Bytes({'n', 3, 'd', 0, 40, 0, 50, 0, 6}) + "cHello" + '\0';
  for (int k = 1; k <= 3; ++k) {
    Player sender;
    sender.SetName("Worm " + std::to_string(k));
    std::tie(sender.X, sender.Lives) = std::tuple(100 + k, 10 + k);
    if (k == 2) batch += Bytes({'w', 128, 0, 0, 0x96, 0, 0x0B, 0xB8, 128, 128, 1});
    batch += WormState(sender, WormRefs::Server);
  }
  auto play = [&](NetWorld& c, std::size_t cut) {
    c.w->NetFrameReady = kFalse;
    EXPECT_TRUE(c.Receive(batch.substr(0, cut)));
    EXPECT_EQ(c.w->NetFrameReady, kFalse) << cut;  // the last state is not in yet
    c.n.RecvBuffer += batch.substr(cut);
    EXPECT_TRUE(ProcessReceived(*c.w));
  };
  NetWorld whole;
  play(whole, 0);
  for (std::size_t cut = 0; cut < batch.size(); ++cut) {
    NetWorld c;
    play(c, cut);
    const World& w = *c.w;
    ASSERT_EQ(std::tuple(w.NumPlayers, w.NetFrameReady, c.n.RecvIndex, c.n.RestartPending, w.ConfigReceived,
                         w.LivesSetting, w.Players[3].Name, w.Players[3].X, w.Players[2].Lives, w.ChatLines[1],
                         w.ChatLines[2], w.LevelSurface.pixels() == whole.w->LevelSurface.pixels()),
              std::tuple(int16{3}, kTrue, 0, true, kTrue, int16{7}, std::string("Worm 3") + std::string(14, ' '),
                         fixed(103), int16{12}, std::string("Hello"), std::string(), true))
        << "cut at " << cut;
    ASSERT_EQ(std::tuple(w.Shots.size(), w.Shots[1].owner, w.Shots[1].Y), std::tuple(2u, int16{2}, fixed(30)));
  }
}

TEST(NetBatch, HostileBatchesEndTheConnectionOrAreDropped) {
  NetWorld c;
  EXPECT_FALSE(c.Receive(Bytes({'n', 18})));          // more worms than the table holds
  EXPECT_TRUE(c.Receive("Xjunk" + Bytes({'n', 2})));  // an unknown tag drops the rest, nothing stalls
  EXPECT_TRUE(c.n.RecvBuffer.empty());
  // Numbers out of every table arrive without harm.
  EXPECT_TRUE(c.Receive(Bytes({'w', 128, 128, 128, 128, 128, 100, 'o', 128, 128,     128,
                               128, 128, 90,  's', 128, 128, 128, 128, 128, 0x80 - 1})));
  EXPECT_EQ(std::tuple(c.w->Shots.size(), c.w->Objs.size(), c.w->SObjs.size()), std::tuple(1u, 1u, 1u));
}

TEST(NetBatch, HeldRopeIsFoundAgainInOwnNumbering) {
  NetWorld c(3);
  for (const auto& [k, x, y] : {std::tuple(1, 50, 50), {2, 80, 60}, {3, 200, 60}}) PlaceWorm(*c.w, k, x, y);
  // The rope holds the sender's worm 3, which is this client's worm 2.
  Player holder = c.w->Players[3];
  std::tie(holder.RopeState, holder.RopeX, holder.RopeY) = std::tuple(-3, 81, 58);
  EXPECT_TRUE(c.Receive(Bytes({'n', 3}) + WormState(c.w->Players[1]) + WormState(c.w->Players[2]) + WormState(holder)));
  EXPECT_EQ(c.w->Players[3].RopeState, -2);
}

// A batch of `count` worms, each with the given score, encoded in full.
std::string ScoreBatch(int count, int lives, int x = 100) {
  std::string b = Bytes({'n', count});
  for (int k = 1; k <= count; ++k) {
    Player p;
    std::tie(p.X, p.Lives) = std::tuple(x + k, lives);
    b += WormState(p);
  }
  return b;
}

TEST(NetPipelined, OnlyAClientThatAskedPlaysAheadAndTakesOnlyTheScoreOfItsOwnWorms) {
  for (const bool asked : {true, false}) {
    NetWorld c;
    std::tie(c.n.AskPipelined, c.w->Players[1].X) = std::tuple(asked, 300);
    EXPECT_TRUE(c.Receive("P" + Bytes({kPipelineVersion}) + ScoreBatch(2, 14)));
    EXPECT_EQ(c.n.Pipelined, asked);
    // Pipelined, the echo of its own worm is a round trip old: the worm
    // stays where it is now, only the server's score is taken.
    EXPECT_EQ(std::tuple(c.w->Players[1].X, c.w->Players[1].Lives), std::tuple(fixed(asked ? 300 : 101), int16{14}));
  }
}

TEST(NetPipelined, WhatFollowsANewSetOfWormsWaitsForTheRestartWhichTheServerIsTold) {
  // A server of version 1 is not told (it judged restarts by Age); one of a
  // version this client does not know does not play it pipelined at all.
  for (const int version : {kPipelineVersion, 1, kPipelineVersion + 1}) {
    SCOPED_TRACE(version);
    NetWorld c;
    EXPECT_TRUE(c.Receive("P" + Bytes({version}) + ScoreBatch(2, 15) + ScoreBatch(4, 15) + "cLater" + '\0'));
    const bool pipelined = version <= kPipelineVersion;
    EXPECT_EQ(std::tuple(c.n.Pipelined, c.n.HoldReceive, c.n.RestartPending), std::tuple(pipelined, pipelined, true));
    if (!pipelined) continue;
    EXPECT_EQ(c.w->ChatLines[1], "") << "held until the game has started again";
    EXPECT_TRUE(TakeRestart(*c.w));
    EXPECT_EQ(c.n.SayNewGame, version >= kRestartMessageVersion);
    ResumeReceiving(*c.w);
    EXPECT_EQ(std::tuple(c.w->ChatLines[1], c.n.RecvBuffer.empty()), std::tuple(std::string("Later"), true));
  }
}

TEST(NetPipelined, OwnShotsAndBlastsActAtOnceAndTheirEchoesNeverMakeASecond) {
  for (const bool pipelined : {true, false}) {
    NetWorld c;
    ClientEvents events(*c.w);
    std::tie(c.w->events, c.w->Connection) = std::tuple(&events, ConnectionState::kConnected);
    c.n.Pipelined = c.w->NetStats.PredictOwn = pipelined;
    c.w->ObjDefs[5].DRAWOBJECT = 1;  // draws itself into the level: waits for the batch
    AddShot(*c.w, fixed(1.5), 30, 0, fixed(0.5), 1, 3, 0);
    for (int kind : {4, 5}) AddObj(*c.w, 20, 30, 1, 0, 2, kind, 0);
    AddSObj(*c.w, 40, 30, 0, 0, 1, 2);
    EXPECT_EQ(std::tuple(c.w->Shots.size(), c.w->Objs.size(), c.w->SObjs.size()),
              pipelined ? std::tuple(2u, 2u, 2u) : std::tuple(1u, 1u, 1u));
    // The relay hands the events back less their owner byte, each before the
    // state of its worm; one more shot of worm 1 was not predicted here.
    std::string own[3];
    for (WireReader in(c.w->OutBuffer); !in.Empty();) {
      const std::string_view start = in.rest;
      in.rest.remove_prefix(1);
      fixed v;
      for (int kind : {KindShort, KindFixed, KindFixed, KindFixed, KindFixed, KindByte}) TakeField(in, v, kind);
      int owner = 0;
      ASSERT_TRUE(TakeRawByte(in, owner));
      own[owner == 1 ? 1 : 2] += std::string(start.substr(0, start.size() - in.rest.size() - 1));
    }
    const std::string state = ScoreBatch(1, 15).substr(2);  // a worm's "p"
    ASSERT_TRUE(c.Receive(Bytes({'n', 2}) + own[1] + Bytes({'w', 128, 0, 0, 0x96, 128, 128, 128, 3}) + state + own[2] +
                          state));
    EXPECT_EQ(std::tuple(c.n.RecvBuffer, c.n.Batches, c.n.Predicted.size()), std::tuple("", 1, 0u));
    EXPECT_EQ(std::tuple(c.w->Shots.size(), c.w->Objs.size(), c.w->SObjs.size()), std::tuple(3u, 3u, 2u))
        << "each thing once: predicted, or brought by the batch";
  }
}

TEST(NetPipelined, AShotTouchesAnotherClientsWormWhereItIsDrawn) {
  for (const bool drawn : {true, false}) {
    auto w = MakeSimWorld(300, 150);
    w->NumPlayers = 3;
    PlaceWorm(*w, 3, 100, 50);  // its last state; drawn 50 px on, where it is now
    w->NetStats.Drawn[3] = {150, 50, drawn};
    w->WeaponDefs[4].WORMREMOVE = 1;
    AddShot(*w, 150, 50, 0, 0, 1, 3, 0, Origin::kNetwork);
    MoveShots(*w);
    EXPECT_EQ(w->Shots.size(), drawn ? 1u : 2u) << drawn;
  }
}

TEST(NetPipelined, RoundTripProbesAreAnsweredAndEachWormsRoundTripShown) {
  // Asked with the third "C": a pipelined client, and a spectator (which
  // plays no frames ahead); a lock-step client did not ask.
  for (const auto& [asked, pipelined] : {std::pair{true, true}, {true, false}, {false, false}}) {
    NetWorld c;
    std::tie(c.n.AskPipelined, c.n.Pipelined) = std::tuple(asked, pipelined);
    EXPECT_TRUE(c.Receive(Bytes({'G', 0, 0, 0x13, 0x88, 'M', 3, 0, 120, 0, 80, 0xFE, 0xFF}) + "cAfter" + '\0'));
    const auto& ms = c.w->NetStats.RoundTripMs;
    // A client that did not ask takes neither for its own: the rest is dropped.
    EXPECT_EQ(std::tuple(ms[1], ms[2], ms[3], ms[4], c.w->ChatLines[1]),
              asked ? std::tuple(120, 80, -1, -1, std::string("After")) : std::tuple(-1, -1, -1, -1, std::string()))
        << asked << pipelined;
  }
}

// Open play (protocol/open_play.h): a client that agreed, with six worms.
struct OpenWorld : NetWorld {
  OpenWorld() : NetWorld(6) {
    EXPECT_TRUE(Receive("P" + Bytes({kPipelineVersion, 'O', kOpenPlayVersion}) + ScoreBatch(6, 15)));
  }
};

TEST(NetOpenPlay, WormsLeaveAndJoinBetweenBatchesWithoutARestart) {
  OpenWorld c;
  ASSERT_TRUE(c.n.OpenPlay);
  for (int owner : {1, 3, 4, 6}) c.w->Shots.emplace_back().owner = static_cast<int16>(owner);
  std::tie(c.w->Players[1].RopeState, c.w->Players[2].RopeState) = std::tuple(-5, -4);
  c.w->NetStats.RoundTripMs[5] = 77;
  c.w->NetStats.Drawn[6] = {12, 34, true};
  EXPECT_TRUE(c.Receive(Bytes({'L', 3})));
  // Worms 5 and 6 are now 3 and 4, with their round trips and drawn places;
  // what the two that left fired went with them.
  EXPECT_EQ(std::tuple(c.w->NumPlayers, c.w->Players[3].X, c.w->Players[1].RopeState, c.w->Players[2].RopeState),
            std::tuple(int16{4}, fixed(105), int16{-3}, int16{0}));
  const NetStatus& stats = c.w->NetStats;
  EXPECT_EQ(std::tuple(stats.RoundTripMs[3], stats.RoundTripMs[5], stats.Drawn[4].x, stats.Drawn[6].known),
            std::tuple(77, -1, 12.0, false));
  ASSERT_EQ(c.w->Shots.size(), 3u);
  EXPECT_EQ(std::tuple(c.w->Shots[1].owner, c.w->Shots[2].owner), std::tuple(int16{1}, int16{4}));
  EXPECT_TRUE(c.Receive("A" + ScoreBatch(6, 15, 300)));
  EXPECT_EQ(std::tuple(c.w->NumPlayers, c.w->Players[6].X, c.n.RestartPending),
            std::tuple(int16{6}, fixed(306), false));
  // Its own worms, someone else's in the middle of a batch, or from a server
  // that did not agree: the connection ends, or the note is not taken.
  for (const std::string& bad : {Bytes({'L', 1}), Bytes({'L', 7}), Bytes({'n', 6, 'L', 3})})
    EXPECT_FALSE(OpenWorld().Receive(bad)) << bad.size();
  // A spectator's first pair is a player's: that player leaves like any other.
  OpenWorld spectator;
  spectator.n.Watch = true;
  EXPECT_TRUE(spectator.Receive(Bytes({'L', 1})));
  EXPECT_EQ(std::tuple(spectator.w->NumPlayers, spectator.w->Players[1].X), std::tuple(int16{4}, fixed(103)));
  NetWorld basic(6);
  EXPECT_TRUE(basic.Receive(Bytes({'L', 3})));
  EXPECT_EQ(basic.w->NumPlayers, 6);
}

TEST(NetOpenPlay, ASpectatorsViewsSayHowManyPlacesAreFreeAndWhichKeyTakesOne) {
  // Worms in the game watched, the name of the jump key, the lines shown.
  for (const auto& [worms, jump_key, lines] :
       {std::tuple(2, "k", std::vector<std::string>{"PRESS JUMP (K) TO PLAY", "7 OF 8 PLACES FREE"}),
        {14, "Right Shift", {"PRESS JUMP TO PLAY", "(JUMP: RIGHT SHIFT)", "1 OF 8 PLACE FREE"}},
        {16, "k", {"NO FREE PLACE"}}}) {
    NetWorld spectator(worms);
    std::tie(spectator.n.Watch, spectator.w->Connection) = std::tuple(true, ConnectionState::kConnected);
    std::tie(spectator.w->KeyMap[2][kJump], spectator.w->KeyNames[DIK_K]) = std::tuple(DIK_K, jump_key);
    spectator.w->FreePlaces = FreePlacesToPlay(*spectator.w);
    EXPECT_EQ(SpectatorPrompt(*spectator.w, 2), lines) << worms;
  }
  NetWorld player;
  player.w->Connection = ConnectionState::kConnected;
  EXPECT_EQ(FreePlacesToPlay(*player.w), 0) << "only a spectator takes a place";
}

TEST(NetOpenPlay, AJoiningClientTakesTheServersLevelAndTheDigsSinceAndChecksThem) {
  Surface level(50, 40);
  level.Clear(SimColour(kSoilColour));
  for (int x = 0; x < 50; ++x) level.SetPixel(x, 35, static_cast<Pixel>(x * 977));
  const std::string blob = EncodeLevelSnapshot(level);
  using test::Block;
  NetWorld c;
  // A dig, then a picture drawn into the level over part of it; each time the
  // level as taken, the dig since, and the drawing after it.
  const std::string dig = Bytes({'d', 0, 20, 0, 20, 0, 6, 'D', 0, 202, 0, 20, 0, 10});
  RockPictures(*c.w);
  auto expect_level = [&](const std::string& sent) {
    EXPECT_TRUE(c.Receive(sent));
    EXPECT_EQ(std::tuple(IsFree(*c.w, 20, 20), IsPassable(*c.w, 22, 16), c.w->LevelSurface.PixelAt(45, 35)),
              std::tuple(true, false, level.PixelAt(45, 35)));
  };
  expect_level(Block('Z', blob) + test::ConfigReply(7, 80, false) + "P" +
               Bytes({kPipelineVersion, 'O', kOpenPlayVersion, 'E', 0, 0, 1, 44, 6}) + Block('E', dig).substr(1));
  EXPECT_EQ(std::tuple(c.w->LevelWidth, c.w->NumPlayers, c.n.Batches, TakeServerLevel(*c.w)),
            std::tuple(50, int16{6}, std::int64_t{300}, true));
  // Its level parts from the game's; the server sends it again with the digs since.
  c.w->LevelSurface.Clear(SimColour(kRockColour));
  expect_level(Block('Y', blob) + Block('Y', dig).substr(1));
  // What a hostile server may send instead: each is refused with a reason.
  std::string too_long = blob, no_zlib = blob.substr(0, 4) + "not a zlib stream";
  too_long[1] = 51;  // the pixels of a 50-wide level announced as 51 wide
  for (const std::string& bad :
       {std::string("\x00"), std::string("\x00\x00\x00\x00"), std::string("\x7F\xFF\x7F\xFF") + blob.substr(4),
        too_long, no_zlib, blob.substr(0, blob.size() - 5)}) {
    Surface out;
    std::string error;
    EXPECT_FALSE(DecodeLevelSnapshot(bad, out, error)) << bad.size();
    EXPECT_NE(error.find("level from the server"), std::string::npos) << error;
  }
  EXPECT_FALSE(NetWorld().Receive("Z" + Bytes({0x7F, 0, 0, 0}))) << "a level beyond the bound is not waited for";
}

TEST(NetOpenPlay, ADrawingInABatchIsDrawnInOpenPlayAndRefusedWhenNoGameMakesIt) {
  const std::string drawing = Bytes({'D', 0, 202, 0, 30, 0, 20});
  // What, open play, the drawing, the connection kept, drawn.
  for (const auto& [what, open_play, bytes, kept_connection, drawn] :
       {std::tuple("open play", true, drawing, true, true),
        {"a server that did not agree: not taken", false, drawing, true, false},
        {"a picture number past every sheet", true, Bytes({'D', 0x7F, 0, 0, 30, 0, 20}), false, false}}) {
    SCOPED_TRACE(what);
    OpenWorld open;
    NetWorld basic(6);
    NetWorld& net = open_play ? open : basic;
    RockPictures(*net.w);
    EXPECT_EQ(net.Receive(ScoreBatch(6, 15).insert(2, bytes)), kept_connection);
    EXPECT_EQ(IsPassable(*net.w, 33, 24), !drawn);
  }
}

std::ptrdiff_t KeptFiles(const std::string& folder) {
  std::error_code none;  // no folder: nothing kept
  const auto files = std::filesystem::recursive_directory_iterator(folder, none);
  return std::count_if(begin(files), end(files), [](const auto& entry) { return entry.is_regular_file(); });
}

TEST(NetOpenPlay, TheServersFilesComeOnlyWhenOwnDifferAndAreCheckedKeptAndPlayedOn) {
  const TempCwd tmp;
  const std::string cache = (tmp.path() / "cache").string(), own = (tmp.path() / "own").string();
  std::filesystem::create_directories(own);
  ::setenv("XDG_CACHE_HOME", cache.c_str(), 1);
  const std::vector<std::uint8_t> bmp = EncodeBmp24(6, 4, std::vector<std::uint32_t>(6 * 4, 0x102030));
  const std::string file(bmp.begin(), bmp.end());
  WriteFileBytes(own + "/level.bmp", file);
  // A file's checksum (`off` from the true one) and length; its announcement
  // ("U"), then the file as sent once asked for.
  auto header = [](const std::string& bytes, std::uint32_t off = 0) {
    std::string m;
    AppendRawLong(m, FileChecksum(bytes) + off);
    AppendRawLong(m, static_cast<std::uint32_t>(bytes.size()));
    return m;
  };
  auto offered = [&](char tag, const std::string& bytes, std::uint32_t off = 0) {
    return "U" + std::string(1, tag) + header(bytes, off) + tag + header(bytes, off) + bytes;
  };
  const std::string other = offered('V', file, 1);
  // Not a level, a weapon file that does not load, a checksum that does not
  // match, a file never asked for: refused, nothing kept.
  const std::string broken = "NUMWEAPONS:oops\n";
  for (const std::string& bad : {offered('V', "BM not a bitmap"), offered('F', broken),
                                 other.substr(0, 10) + "V" + header(file) + file, "V" + header(file) + file}) {
    EXPECT_FALSE(OpenWorld().Receive(bad));
    EXPECT_EQ(KeptFiles(cache), 0);
  }
  // A server naming this client's own level: nothing asked for, nothing kept.
  OpenWorld same;
  std::tie(same.w->ProgramDir, same.w->Connection) = std::tuple(own, ConnectionState::kConnected);
  EXPECT_TRUE(same.Receive("UV" + header(file)));
  EXPECT_EQ(std::tuple(ServerFilesAwaited(*same.w), ServerLevelFolder(*same.w), KeptFiles(cache)),
            std::tuple(false, "", 0));
  // Another level: awaited (the game waits) until it has come, then kept.
  OpenWorld c;
  std::tie(c.w->ProgramDir, c.w->Connection) = std::tuple(own, ConnectionState::kConnected);
  WriteFileBytes(own + "/level.bmp", "BM older");
  const std::string offer = offered('V', file);
  EXPECT_TRUE(c.Receive(offer.substr(0, 10)));
  EXPECT_TRUE(ServerFilesAwaited(*c.w));
  EXPECT_TRUE(c.Receive(offer.substr(10)));
  EXPECT_EQ(std::tuple(ServerFilesAwaited(*c.w), ServerLevelFolder(*c.w).rfind(cache + "/krel/", 0),
                       ReadFileBytes(ServerLevelFolder(*c.w) + "/level.bmp")),
            std::tuple(false, 0u, file));
  // The weapon file alike ("F"): the shipped one replaces the tables for the game, once.
  const std::string arms = ReadFileBytes(std::string(KREL_SOURCE_DIR) + "/data/arms.dat");
  EXPECT_TRUE(c.Receive(offered('F', arms)));
  c.w->WeaponDefs = {};
  std::string error;
  EXPECT_TRUE(UseServerArms(*c.w, error)) << error;
  EXPECT_FALSE(UseServerArms(*c.w, error));
  EXPECT_NE(c.w->WeaponDefs[2].AMMO, 0) << "the tables came from the server's file";
  EXPECT_TRUE(TakeServerArmsUsed(*c.w));
  ::unsetenv("XDG_CACHE_HOME");
}

TEST(ChatLine, TIsTypedIntoALineThatEnterSendsAndEscapeDrops) {
  auto w = MakeSimWorld();
  std::tie(w->MenuName[1], w->Connection) = std::tuple("Anna", ConnectionState::kConnected);
  auto frame = [&](std::initializer_list<int> keys, const std::string& typed = "") {
    w->OldKeyState = w->KeyState;
    w->KeyState.fill(0);
    for (int k : keys) w->KeyState[static_cast<std::size_t>(k)] = 1;
    w->TypedText += typed;
    EditChatLine(*w);
    return w->Draft.open;
  };
  EXPECT_TRUE(frame({DIK_T}));
  frame({DIK_T, DIK_LEFT}, "thi\x01\x7f!\bi");
  EXPECT_EQ(w->Draft.text, "hii") << "control bytes dropped, backspace taken";
  EXPECT_EQ(w->KeyState[DIK_LEFT], 0) << "the worms get no keys while the line is open";
  frame({}, std::string(kChatDraftLength + 5, 'x'));
  EXPECT_EQ(w->Draft.text.size(), kChatDraftLength);
  frame({DIK_ESCAPE});
  EXPECT_EQ(std::tuple(w->Draft.open, w->KeyState[DIK_ESCAPE]), std::tuple(false, 0)) << "Escape ends no game";
  frame({DIK_ESCAPE});
  EXPECT_EQ(w->KeyState[DIK_ESCAPE], 0) << "still held";
  frame({});
  frame({DIK_T});
  EXPECT_FALSE(frame({DIK_RETURN}, "yo"));
  EXPECT_EQ(ChatLineOf(*w, "yo"), "Anna: yo");
  w->Connection = ConnectionState::kClosed;
  frame({});
  EXPECT_FALSE(frame({DIK_T})) << "local games have no chat";
}

// A local game that ran late says the chat line, not that a server went away. A server
// killed with our states unread resets the connection instead of closing it: lost all the same.
TEST(NetLost, ALostServerIsSaidInWordsAndOnTheScreenOnlyWhenThereWasOne) {
  // The socket's error (0: the game itself finds the server gone), the state, lost.
  for (const auto& [error, state, lost] :
       {std::tuple(0, 7, true), {0, 0, true}, {ECONNRESET, 7, true}, {EPIPE, 7, true}, {EHOSTUNREACH, 7, false}}) {
    NetWorld n;
    AttachNetwork(*n.w, n.n);
    n.w->Connection = static_cast<ConnectionState>(state);
    error == 0 ? ConnectionLost(*n.w) : n.n.ws.OnError(error, "");
    EXPECT_EQ(std::tuple(n.w->ChatLines[1], n.w->Notice, static_cast<int>(n.w->Connection)),
              std::tuple(lost ? "NETWORK CONNECTION LOST" : "",
                         lost && state != 0 ? "SERVER CONNECTION LOST: PLAYING ON LOCALLY" : "", 0))
        << error << " in state " << state;
  }
}

TEST(Chat, TenLinesAtMostAndOwnLinesGoToTheServerFirst) {
  auto w = MakeSimWorld();
  for (int i = 1; i <= 11; ++i) AddChatMsg(*w, "line " + std::to_string(i), Origin::kLocal);
  EXPECT_EQ(std::tuple(w->ChatLines[10], w->ChatLog.size()), std::tuple(std::string("line 10"), std::size_t{10}));
  auto v = MakeSimWorld();
  v->Connection = ConnectionState::kConnected;  // connected: the line waits for the server's relay
  AddChatMsg(*v, "hello", Origin::kLocal);
  ShowChatLine(*v, "from the server");
  EXPECT_EQ(std::tuple(v->ChatLines[1], v->ChatLines[2]), std::tuple(std::string("from the server"), std::string()));
}

TEST(ServerList, AnnouncementsKeepOneEntryPerServerInOrder) {
  NetWorld net;
  auto& [w, n] = net;
  const std::string v(kVersionText);
  ServerAnnouncement(*w, "+" + v + '\3', "10.0.0.1");
  ServerAnnouncement(*w, "+" + v + '\5', "10.0.0.1");
  ServerAnnouncement(*w, "+" + v + '\2', "10.0.0.2");
  ServerAnnouncement(*w, "+$KREL0.81.0.0" + std::string(1, '\7'), "10.0.0.3");  // another version
  ServerAnnouncement(*w, "-" + v, "10.0.0.9");                                  // unknown: ignored
  ASSERT_EQ(n.ServerList.size(), 2u);
  EXPECT_EQ(ServerListLine(n.ServerList[0]), "10.0.0.1 (5 worms)");
  ServerAnnouncement(*w, "-" + v, "10.0.0.1");
  ASSERT_EQ(n.ServerList.size(), 1u);
  EXPECT_EQ(ServerListLine(n.ServerList[0]), "10.0.0.2 (2 worms)");
  // A running open game is announced under a text of its own, which a basic client ignores.
  EXPECT_NE(std::string_view(kOpenAnnounceText).substr(0, kVersionText.size()), kVersionText);
}

TEST(ServerList, ARunningServerIsHeardAndListed) {
  NetWorld net;
  auto& [w, n] = net;
  n.udpPort = 0;  // a free port of this test's own
  AttachNetwork(*w, n);
  LoadServerWatch(*w);
  ASSERT_NE(n.wsListen.port(), 0);
  test::TestServer server({}, n.wsListen.port());
  for (int i = 0; i < 300 && n.ServerList.empty(); ++i) {
    server.app->Yield(5);
    NetYield(*w);
  }
  ASSERT_EQ(n.ServerList.size(), 1u);
  EXPECT_EQ(ServerListLine(n.ServerList[0]), "127.0.0.1 (0 worms)");
}

}  // namespace
}  // namespace krel
