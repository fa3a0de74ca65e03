// The client's side of network games: the events it hands to the server,
// the batches it receives (whole or in pieces), the announcements it hears,
// and two clients playing through a relay server in the same thread.
#include <gtest/gtest.h>

#include <memory>

#include "client/core/game.h"
#include "client/present/display.h"
#include "client/net/incoming.h"
#include "client/net/net_client.h"
#include "client/net/select_server.h"
#include "client/net/server_watch.h"
#include "client/net/session.h"
#include "client/weapons/explosions.h"
#include "client/weapons/shots.h"
#include "client/worms/worms.h"
#include "core_test_support.h"
#include "platform/headless/headless_platform.h"
#include "platform/keycodes.h"
#include "platform/settings.h"
#include "protocol/worm_codec.h"
#include "server_test_support.h"
#include "sim_test_support.h"

namespace krel {
namespace {

using namespace krel::testing;

std::string Bytes(std::initializer_list<int> b) {
  std::string s;
  for (int v : b) s += static_cast<char>(v);
  return s;
}

TEST(NetEvents, OwnEventsAreEncodedForTheServerNotApplied) {
  auto w = MakeSimWorld(504, 350);
  w->wsState = 7;
  AddShot(*w, 0, 0, 0, 0, 1, 0, 0);  // every field zero: one byte each
  EXPECT_EQ(w->OutBuffer, Bytes({'w', 128, 128, 128, 128, 128, 0, 1}));
  w->OutBuffer.clear();
  AddShot(*w, fixed(1.5), 0, 0, fixed(-0.01), 2, 3, -1);
  EXPECT_EQ(w->OutBuffer, Bytes({'w', 0xFE, 0xFF, 0, 0, 0x96, 128, 128, 0xFE, 0xFF, 0xFF, 3, 2}));
  w->OutBuffer.clear();
  dig(*w, 10, 20, 5, 1, false);
  PlayerDied(*w, 2, 1, false);  // reported, not counted
  EXPECT_EQ(w->OutBuffer.substr(0, 8), Bytes({'d', 0, 10, 0, 20, 0, 5, 'f'}));
  EXPECT_EQ(w->OutBuffer.substr(8, 2), Bytes({1, 2}));
  EXPECT_EQ(std::tuple(w->Shots.size(), w->Players[1].Kills), std::tuple(std::size_t{1}, int16{0}));
}

// A batch for a client with two worms of its own and one other.
std::string SampleBatch(std::vector<Player>& senders) {
  std::vector<Player> sent(4);
  std::string b = Bytes({'n', 3});
  b += Bytes({'d', 0, 40, 0, 50, 0, 6});
  b += std::string("cHello") + '\0';
  b += Bytes({'w', 128, 0, 0, 0x96, 0, 0x0B, 0xB8, 128, 128, 1});  // a shot of worm 1 at (1.5, 30)
  for (int k = 1; k <= 3; ++k) {
    b += 'p';
    EncodeWormFull(b, senders[static_cast<std::size_t>(k)], sent[static_cast<std::size_t>(k)], WormRefs::Server);
  }
  return b;
}

TEST(NetBatch, ABatchSplitAnywhereGivesTheSameGame) {
  std::vector<Player> senders(4);
  for (int k = 1; k <= 3; ++k) {
    senders[static_cast<std::size_t>(k)].SetName("Worm " + std::to_string(k));
    senders[static_cast<std::size_t>(k)].X = fixed(100 + k);
    senders[static_cast<std::size_t>(k)].Lives = static_cast<int16>(10 + k);
  }
  const std::string batch = SampleBatch(senders);
  struct Client {
    std::unique_ptr<World> w = MakeSimWorld(504, 350);
    std::unique_ptr<NetClient> n = std::make_unique<NetClient>();
  };
  auto play = [&](std::size_t cut) {
    Client c;
    World& w = *c.w;
    w.net = c.n.get();
    w.NumPlayers = 2;
    w.NetFrameReady = kFalse;
    c.n->RecvBuffer = batch.substr(0, cut);
    EXPECT_TRUE(ProcessReceived(w));
    EXPECT_EQ(w.NetFrameReady, kFalse) << cut;  // the last state is not in yet
    c.n->RecvBuffer += batch.substr(cut);
    EXPECT_TRUE(ProcessReceived(w));
    return c;
  };
  Client first = play(0);
  World* whole = first.w.get();
  EXPECT_EQ(std::tuple(whole->NumPlayers, whole->NetFrameReady, whole->net->RecvIndex, whole->net->RestartPending),
            std::tuple(int16{3}, kTrue, 0, true));
  EXPECT_EQ(std::tuple(whole->Players[3].Name, whole->Players[3].X, whole->Players[2].Lives),
            std::tuple(std::string("Worm 3") + std::string(14, ' '), fixed(103), int16{12}));
  EXPECT_EQ(std::tuple(whole->ChatLines[1], whole->Shots.size(), whole->Shots[1].owner, whole->Shots[1].Y),
            std::tuple(std::string("Hello"), std::size_t{2}, int16{1}, fixed(30)));
  for (std::size_t cut = 1; cut < batch.size(); ++cut) {
    Client c = play(cut);
    World* w = c.w.get();
    ASSERT_EQ(std::tuple(w->NumPlayers, w->NetFrameReady, w->Players[3].X, w->Shots.size(), w->ChatLines[1],
                         w->ChatLines[2], w->LevelSurface.pixels() == whole->LevelSurface.pixels()),
              std::tuple(int16{3}, kTrue, fixed(103), std::size_t{2}, std::string("Hello"), std::string(), true))
        << "cut at " << cut;
  }
}

TEST(NetBatch, HostileBatchesEndTheConnectionOrAreDropped) {
  auto w = MakeSimWorld();
  NetClient n;
  w->net = &n;
  n.RecvBuffer = Bytes({'n', 18});  // more worms than the table holds
  EXPECT_FALSE(ProcessReceived(*w));
  n.RecvBuffer = std::string("Zjunk") + Bytes({'n', 2});
  EXPECT_TRUE(ProcessReceived(*w));  // an unknown tag drops the rest, nothing stalls
  EXPECT_TRUE(n.RecvBuffer.empty());
  // Numbers out of every table arrive without harm.
  n.RecvBuffer = Bytes({'w', 128, 128, 128, 128, 128, 100, 'o', 128, 128, 128, 128, 128, 90, 's', 128, 128, 128, 128,
                        128, 0x80 - 1});
  EXPECT_TRUE(ProcessReceived(*w));
  EXPECT_EQ(std::tuple(w->Shots.size(), w->Objs.size(), w->SObjs.size()), std::tuple(1u, 1u, 1u));
}

TEST(NetBatch, HeldRopeIsFoundAgainInOwnNumbering) {
  auto w = MakeSimWorld();
  NetClient n;
  w->net = &n;
  w->NumPlayers = 3;
  PlaceWorm(*w, 1, 50, 50);
  PlaceWorm(*w, 2, 80, 60);
  PlaceWorm(*w, 3, 200, 60);
  Player holder;
  holder.SetName("x");
  holder.RopeState = -3;  // the sender's worm 3 is this client's worm 2
  holder.RopeX = fixed(81);
  holder.RopeY = fixed(58);
  Player sent;
  n.RecvBuffer = Bytes({'n', 3});
  for (int k = 1; k <= 3; ++k) {
    n.RecvBuffer += 'p';
    Player p = k == 3 ? holder : w->Players[static_cast<std::size_t>(k)];
    Player s;
    EncodeWormFull(n.RecvBuffer, p, s, WormRefs::Whole);
  }
  EXPECT_TRUE(ProcessReceived(*w));
  EXPECT_EQ(w->Players[3].RopeState, -2);
}

TEST(Chat, TenLinesAtMostAndOwnLinesGoToTheServerFirst) {
  auto w = MakeSimWorld();
  for (int i = 1; i <= 11; ++i) AddChatMsg(*w, "line " + std::to_string(i), false);
  EXPECT_EQ(std::tuple(w->ChatLines[10], w->ChatLog.size()), std::tuple(std::string("line 10"), std::size_t{10}));
  auto v = MakeSimWorld();
  v->wsState = 7;  // connected: the line waits for the server's relay
  AddChatMsg(*v, "hello", false);
  AddChatMsg(*v, "from the server", true);
  EXPECT_EQ(std::tuple(v->ChatLines[1], v->ChatLines[2]), std::tuple(std::string("from the server"), std::string()));
}

TEST(ServerList, AnnouncementsKeepOneEntryPerServerInOrder) {
  auto w = MakeSimWorld();
  NetClient n;
  w->net = &n;
  const std::string v(kVersionText);
  ServerAnnouncement(*w, "+" + v + '\3', "10.0.0.1");
  ServerAnnouncement(*w, "+" + v + '\5', "10.0.0.1");
  ServerAnnouncement(*w, "+" + v + '\2', "10.0.0.2");
  ServerAnnouncement(*w, "+$KREL0.81.0.0" + std::string(1, '\7'), "10.0.0.3");  // another version
  ServerAnnouncement(*w, "-" + v, "10.0.0.9");                                  // unknown: ignored
  ASSERT_EQ(n.ServerList.size(), 2u);
  EXPECT_EQ(ServerListLine(n.ServerList[0]), "10.0.0.1 (5 players online)");
  ServerAnnouncement(*w, "-" + v, "10.0.0.1");
  ASSERT_EQ(n.ServerList.size(), 1u);
  EXPECT_EQ(ServerListLine(n.ServerList[0]), "10.0.0.2 (2 players online)");
}

TEST(ServerList, ARunningServerIsHeardAndListed) {
  auto w = MakeSimWorld();
  NetClient n;
  n.udpPort = 0;  // a free port of this test's own
  AttachNetwork(*w, n);
  LoadServerWatch(*w);
  ASSERT_NE(n.wsListen.port(), 0);
  EventLoop loop;
  ServerOptions o;
  std::tie(o.port, o.bind_address, o.announce_to, o.announce_port, o.announce_ms) =
      std::tuple(0, "127.0.0.1", "127.0.0.1", n.wsListen.port(), 20);
  ServerApp server(loop, o);
  std::string error;
  ASSERT_TRUE(server.Start(&error)) << error;
  for (int i = 0; i < 300 && n.ServerList.empty(); ++i) {
    server.Yield(5);
    NetYield(*w);
  }
  ASSERT_EQ(n.ServerList.size(), 1u);
  EXPECT_EQ(ServerListLine(n.ServerList[0]), "127.0.0.1 (0 players online)");
}

TEST(SelectServerScreen, AddressTakesDigitsPointsAndBlanksUpTo15) {
  auto w = MakeSimWorld();
  HeadlessPlatform platform;
  w->platform = &platform;
  std::string address;
  for (unsigned char c : std::string("192.168.100.200x9")) TypeAddressChar(*w, address, c);
  EXPECT_EQ(address, "192.168.100.200");
  TypeAddressChar(*w, address, 8);
  EXPECT_EQ(address, "192.168.100.20");
}

// A headless platform whose waits let the relay server and the other client
// run in the same thread. Enter goes down from the second keyboard read on:
// the address screen wants to see it up first.
class PumpingPlatform : public HeadlessPlatform {
 public:
  std::function<void()> pump;
  int reads = 0;
  void Delay(std::uint32_t ms) override {
    HeadlessPlatform::Delay(ms);
    if (pump) pump();
  }
  void ReadKeyboard(std::uint8_t state[256]) override {
    SetKey(DIK_RETURN, ++reads >= 2);
    HeadlessPlatform::ReadKeyboard(state);
  }
};

// A client on the shipped level, with a weapon 0 of the test's own: one
// slow shot that never explodes.
struct NetPlayer {
  PumpingPlatform platform;
  std::unique_ptr<World> w = std::make_unique<World>();
  NetClient net;
  std::unique_ptr<IniSettingsStore> settings;

  NetPlayer(const std::string& dir, std::uint16_t port, const std::string& name) {
    const std::string data = std::string(KREL_SOURCE_DIR) + "/data";
    std::string error;
    w->platform = &platform;
    if (!InitDDraw(*w, data, error)) throw std::runtime_error(error);
    w->ProgramDir = data;
    WeaponDef& shot = w->WeaponDefs[1];
    shot = WeaponDef{};
    std::tie(shot.SPEED, shot.AMMO, shot.NUMOBJECTS, shot.ACCMULTIPLY) = std::tuple(30, 1, 1, 100);
    settings = std::make_unique<IniSettingsStore>(dir + "/" + name + ".ini");
    settings->SaveSetting("Network", "LastServer", "127.0.0.1");
    w->settings = settings.get();
    w->MenuName[1] = name;
    net.tcpPort = port;
    AttachNetwork(*w, net);
  }
};

TEST(NetGame, TwoClientsPlayThroughTheRelay) {
  TempCwd tmp;
  RelayLimits limits;
  limits.offline_ticks = 1000;  // the test's set-up is slower than a game's frames
  test::TestServer server(limits);
  NetPlayer a(tmp.path(), server.app->port(), "Anna"), b(tmp.path(), server.app->port(), "Bert");
  auto pump = [&] {
    server.app->Yield(0);
    NetYield(*a.w);
    NetYield(*b.w);
  };
  a.platform.pump = b.platform.pump = pump;
  a.w->LivesSetting = 7;
  b.w->LivesSetting = 9;
  for (NetPlayer* p : {&a, &b}) {
    SelectServer(*p->w);
    ASSERT_EQ(p->w->wsState, 7);
    EXPECT_EQ(p->settings->GetSetting("Network", "LastServer", ""), "127.0.0.1");
  }
  // The first client's settings are the game's; the second gets them too.
  for (NetPlayer* p : {&a, &b}) {
    InitGame(*p->w);
    EXPECT_EQ(std::tuple(p->w->ConfigReceived, p->w->LivesSetting), std::tuple(kTrue, int16{7}));
  }
  // Frames as the game loop runs them: act, send, then wait for the batch;
  // a batch with a new set of worms restarts the game state while waiting.
  auto waitForBatches = [&] {
    for (int i = 0; i < 5000 && !(a.w->NetFrameReady && b.w->NetFrameReady); ++i) {
      pump();
      for (NetPlayer* p : {&a, &b})
        if (TakeRestart(*p->w)) InitGame(*p->w);
      ::usleep(100);
    }
    return a.w->NetFrameReady && b.w->NetFrameReady;
  };
  for (int frame = 0; frame < 20; ++frame) {
    ASSERT_TRUE(waitForBatches()) << frame;
    Player& anna = a.w->Players[1];
    anna.Alive = kTrue;
    anna.Ammo[0] = 1;
    anna.WeaponSlots[0] = 0;
    anna.CurWeapon = 0;
    anna.Ctrl[kShoot] = frame == 10 ? 1 : 0;
    for (NetPlayer* p : {&a, &b}) {
      PlayerAction(*p->w);
      MoveShots(*p->w);
      SendMyData(*p->w);
    }
  }
  ASSERT_TRUE(waitForBatches());
  // Each sees four worms, the other's first worm as its third, and the shot
  // fired by Anna's worm in both worlds, as one event applied alike.
  EXPECT_EQ(std::tuple(a.w->NumPlayers, b.w->NumPlayers), std::tuple(int16{4}, int16{4}));
  EXPECT_EQ(a.w->Players[3].Name.substr(0, 4), "Bert");
  EXPECT_EQ(b.w->Players[3].Name.substr(0, 4), "Anna");
  EXPECT_EQ(a.w->Shots.size(), 2u);
  EXPECT_EQ(b.w->Shots.size(), 2u);
  EXPECT_EQ(a.w->Shots[1].x, b.w->Shots[1].x);
  EXPECT_EQ(std::tuple(a.w->Shots[1].owner, b.w->Shots[1].owner), std::tuple(int16{1}, int16{3}));

  // The server goes away: the game goes on locally and says so.
  server.app.reset();
  for (int i = 0; i < 200 && a.w->wsState != 0; ++i) {
    NetYield(*a.w);
    ::usleep(100);
  }
  EXPECT_EQ(std::tuple(a.w->wsState, a.w->ChatLines[1]), std::tuple(0, std::string("NETWORK CONNECTION LOST")));
}

}  // namespace
}  // namespace krel
