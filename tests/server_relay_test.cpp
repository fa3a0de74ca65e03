// The relay's cycle: the game's configuration, the batch, kill arbitration,
// slots freed by a leaving client, and the game closing to newcomers. Driven
// through fake links; the last test checks on loopback what only real
// sockets show.
#include <gtest/gtest.h>

#include "server_test_support.h"

namespace krel::test {
namespace {

std::string Full(const WormRecord& w, WormRefs refs = WormRefs::Server) {
  WormRecord sent;
  std::string s = "p";
  EncodeWormFull(s, w, sent, refs);
  return s;
}

TEST(RelayServer, GreetingFixesTheConfigurationOfTheGame) {
  Rig rig(2);
  rig.Send(0, Greeting(10, 80, true));
  EXPECT_EQ(rig.Take(0), ConfigReply(10, 80, true));

  // Byte by byte: nothing happens before 15 bytes are in.
  const std::string greeting = Greeting(20, 50, false);
  for (std::size_t i = 0; i < 14; ++i) rig.Send(1, greeting.substr(i, 1));
  EXPECT_EQ(rig.got(1), "");
  EXPECT_TRUE(rig.Alive(1));
  rig.Send(1, greeting.substr(14));
  EXPECT_EQ(rig.Take(1), ConfigReply(10, 80, true)) << "the second client gets the first one's settings";
}

TEST(RelayServer, CycleBatchesCarryOwnWormsFirstAndEventsBeforeTheirState) {
  Rig rig(2);
  TwoWorms a("A"), b("B");
  for (int i : {0, 1}) rig.Send(i, Greeting()), rig.Take(i);
  std::string shot = "w";
  AppendField(shot, 5, 0, KindShort);
  for (double v : {10.5, 20.0, -1.0, 0.0}) AppendField(shot, v, 0, KindFixed);
  AppendField(shot, 3, 0, KindByte);
  std::string zero_shot = "w" + std::string(5, '\x80') + Byte(0);
  std::string dig = "d";
  for (int v : {30, 40, 5}) AppendField(dig, v, 0, KindShort);

  rig.Send(0, shot + Byte(2) + a.States());
  rig.Send(1, dig + std::string("chi", 3) + Byte(0) + zero_shot + Byte(1) + StateMessage(b.worms[0], b.sent[0]));
  EXPECT_EQ(rig.got(0), "") << "no batch before every slot has reported";
  rig.Send(1, StateMessage(b.worms[1], b.sent[1]));

  const std::string extras0 = dig + "chi" + Byte(0);
  const std::string a1 = Full(a.worms[0]), a2 = Full(a.worms[1]), b1 = Full(b.worms[0]), b2 = Full(b.worms[1]);
  EXPECT_EQ(rig.Take(0), "n" + Byte(4) + extras0 + a1 + shot + a2 + zero_shot + b1 + b2);
  EXPECT_EQ(rig.Take(1), "n" + Byte(4) + extras0 + zero_shot + b1 + b2 + a1 + shot + a2);
  EXPECT_EQ(rig.relay->Batches(), 1);
}

TEST(RelayServer, KillReportsAreArbitratedOncePerCycle) {
  Rig rig(2);
  TwoWorms a("A"), b("B");
  for (int i : {0, 1}) rig.Send(i, Greeting());
  auto cycle = [&](const std::string& a_first, const std::string& b_first) {
    const std::int64_t target = rig.relay->Batches() + 1;
    rig.Send(1, b_first + b.States());
    rig.Send(0, a_first + a.States());
    EXPECT_EQ(rig.relay->Batches(), target);
  };
  cycle("", "");
  // B (slots 3, 4) reports twice that worm 3 in its view (slot 1) killed its worm 1.
  cycle("", "f" + Byte(3) + Byte(1) + "f" + Byte(3) + Byte(1));
  auto& slots = rig.relay->tables().slots;
  EXPECT_EQ(slots[3].Lives, 14);
  EXPECT_EQ(slots[1].Kills, 1);
  // A suicide costs a life and scores nothing (the client has taken over
  // its score from the batch, as a real one does).
  a.worms[0].Kills = 1;
  cycle("f" + Byte(1) + Byte(1), "");
  EXPECT_EQ(slots[1].Lives, 14);
  EXPECT_EQ(slots[1].Kills, 1);
}

TEST(RelayServer, ALeavingClientFreesItsPairForTheHighestOne) {
  Rig rig(3);
  TwoWorms a("A"), b("B"), c("C");
  rig.Send(0, Greeting() + a.States());
  rig.Send(1, Greeting() + b.States());
  rig.Send(2, Greeting() + c.States());
  rig.Take(0);

  rig.Send(0, a.States());
  rig.Send(2, c.States());
  rig.Close(1);  // mid-cycle
  EXPECT_EQ(rig.Take(0), "n" + Byte(4) + Full(a.worms[0], WormRefs::Whole) + Full(a.worms[1], WormRefs::Whole) +
                             Full(c.worms[0], WormRefs::Whole) + Full(c.worms[1], WormRefs::Whole))
      << "the others still get their batch";
  EXPECT_EQ(rig.relay->Caption(), "Krel Server - 4 players");
  EXPECT_EQ(rig.sessions[2]->first_slot, 3);
  EXPECT_EQ(rig.relay->tables().slots[3].Name, c.worms[0].Name);
  EXPECT_TRUE(rig.relay->tables().slots[5].Name.empty());

  // Log lines name a session by its number and address:port, which never
  // change, and by the slots it holds at that moment.
  rig.Close(2);
  EXPECT_EQ(rig.relay->PlayersOnline(), 2);
  for (const char* line : {"client #3 127.0.0.1:5002 (slots 5-6) connected",
                           "client #2 127.0.0.1:5001 (slots 3-4) ended: closed by the client",
                           "client #3 127.0.0.1:5002 (slots 3-4) ended: closed by the client"}) {
    EXPECT_NE(std::find(rig.hooks.events.begin(), rig.hooks.events.end(), line), rig.hooks.events.end()) << line;
  }
}

TEST(RelayServer, ALiveWormClosesTheGameToNewcomersUntilEveryoneHasLeft) {
  Rig rig(1);
  TwoWorms a("A");
  const std::string version(kVersionText);
  rig.Send(0, Greeting(9));
  rig.relay->AnnounceTick();
  EXPECT_EQ(rig.hooks.datagrams.back(), "+" + version + Byte(2));

  a.worms[0].Alive = kTrue;
  rig.Send(0, a.States());
  EXPECT_EQ(rig.hooks.datagrams.back(), "-" + version);
  EXPECT_FALSE(rig.relay->Listening());
  EXPECT_FALSE(rig.hooks.announcing);
  rig.hooks.datagrams.clear();
  rig.relay->AnnounceTick();
  EXPECT_TRUE(rig.hooks.datagrams.empty()) << "no announcements while a game runs";

  EXPECT_FALSE(rig.Connect());
  EXPECT_EQ(rig.got(1), std::string("cA GAME IS RUNNING ON THIS SERVER") + '\0');
  EXPECT_FALSE(rig.links[1]->open);
  EXPECT_TRUE(rig.Logged("a game is running"));

  rig.Close(0);
  EXPECT_TRUE(rig.relay->Listening());
  EXPECT_TRUE(rig.hooks.announcing);
  ASSERT_TRUE(rig.Connect());
  rig.Send(2, Greeting(3, 70, false));
  EXPECT_EQ(rig.got(2), ConfigReply(3, 70, false)) << "a new game takes the new first client's settings";
}

// Over real sockets: the announcement goes out, a late client is told why
// and disconnected, and the port stays the server's during the game.
TEST(RelayServer, OnLoopbackALateClientIsToldWhyAndTheServerKeepsItsPort) {
  TestServer srv;
  const std::string announcement = "+" + std::string(kVersionText) + Byte(0);
  EXPECT_TRUE(srv.RunUntil([&] {
    return std::find(srv.datagrams.begin(), srv.datagrams.end(), announcement) != srv.datagrams.end();
  }));
  PlayingClient a(srv, "A");
  a.worms[0].Alive = kTrue;
  a.client.Send(a.States());
  ASSERT_TRUE(srv.RunUntil([&] { return !srv.relay().Listening(); }));
  RawClient late(srv);
  late.Send(Greeting());
  EXPECT_TRUE(late.WaitClosed());
  EXPECT_EQ(late.got, std::string("cA GAME IS RUNNING ON THIS SERVER") + '\0');
  TcpListener thief(srv.loop);
  std::string error;
  EXPECT_FALSE(thief.Listen(srv.app->port(), "127.0.0.1", &error)) << "the port stays the server's during the game";
}

}  // namespace
}  // namespace krel::test
