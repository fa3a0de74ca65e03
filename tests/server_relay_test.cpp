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
  TestServer srv;
  RawClient a(srv);
  a.Send(Greeting(10, 80, true));
  EXPECT_EQ(a.Take(6), ConfigReply(10, 80, true));

  // Byte by byte: nothing happens before 15 bytes are in.
  RawClient b(srv);
  std::string greeting = Greeting(20, 50, false);
  for (std::size_t i = 0; i < 14; ++i) b.Send(greeting.substr(i, 1)), srv.Run(2);
  EXPECT_EQ(b.Take(1, 100), "");
  EXPECT_FALSE(b.closed);
  b.Send(greeting.substr(14));
  EXPECT_EQ(b.Take(6), ConfigReply(10, 80, true)) << "the second client gets the first one's settings";
}

TEST(RelayServer, CycleBatchesCarryOwnWormsFirstAndEventsBeforeTheirState) {
  TestServer srv;
  PlayingClient a(srv, "A"), b(srv, "B");
  std::string shot = "w";
  AppendField(shot, 5, 0, KindShort);
  for (double v : {10.5, 20.0, -1.0, 0.0}) AppendField(shot, v, 0, KindFixed);
  AppendField(shot, 3, 0, KindByte);
  std::string zero_shot = "w" + std::string(5, '\x80') + Byte(0);
  std::string dig = "d";
  for (int v : {30, 40, 5}) AppendField(dig, v, 0, KindShort);

  a.client.Send(shot + Byte(2) + a.States());
  b.client.Send(dig + std::string("chi", 3) + Byte(0) + zero_shot + Byte(1) + StateMessage(b.worms[0], b.sent[0]));
  EXPECT_EQ(a.client.Take(1, 100), "") << "no batch before every slot has reported";
  b.client.Send(StateMessage(b.worms[1], b.sent[1]));

  const std::string extras0 = dig + "chi" + Byte(0);
  const std::string a1 = Full(a.worms[0]), a2 = Full(a.worms[1]), b1 = Full(b.worms[0]), b2 = Full(b.worms[1]);
  const std::string for_a = "n" + Byte(4) + extras0 + a1 + shot + a2 + zero_shot + b1 + b2;
  const std::string for_b = "n" + Byte(4) + extras0 + zero_shot + b1 + b2 + a1 + shot + a2;
  EXPECT_EQ(a.client.Take(for_a.size()), for_a);
  EXPECT_EQ(b.client.Take(for_b.size()), for_b);
  EXPECT_EQ(srv.relay().Batches(), 1);
}

TEST(RelayServer, KillReportsAreArbitratedOncePerCycle) {
  TestServer srv;
  PlayingClient a(srv, "A"), b(srv, "B");
  auto cycle = [&](const std::string& a_first, const std::string& b_first) {
    const std::int64_t target = srv.relay().Batches() + 1;
    b.client.Send(b_first + b.States());
    srv.Run(20);
    a.client.Send(a_first + a.States());
    EXPECT_TRUE(srv.RunUntil([&] { return srv.relay().Batches() == target; }));
  };
  cycle("", "");
  // B (slots 3, 4) reports twice that worm 3 in its view (slot 1) killed its worm 1.
  cycle("", "f" + Byte(3) + Byte(1) + "f" + Byte(3) + Byte(1));
  auto& slots = srv.relay().tables().Slots;
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
  TestServer srv;
  PlayingClient a(srv, "A"), b(srv, "B"), c(srv, "C");
  a.client.Send(a.States());
  b.client.Send(b.States());
  c.client.Send(c.States());
  const std::size_t first_batch = 2 + 6 * Full(a.worms[0]).size();
  a.client.Take(first_batch);
  c.client.Take(first_batch);

  a.client.Send(a.States());
  c.client.Send(c.States());
  srv.Run(20);
  b.client.Close();  // mid-cycle
  const std::string expected = "n" + Byte(4) + Full(a.worms[0], WormRefs::Whole) + Full(a.worms[1], WormRefs::Whole) +
                               Full(c.worms[0], WormRefs::Whole) + Full(c.worms[1], WormRefs::Whole);
  EXPECT_EQ(a.client.Take(expected.size()), expected) << "the others still get their batch";
  EXPECT_EQ(srv.relay().Caption(), "Krel Server - 4 players");
  EXPECT_EQ(srv.relay().sessions().back()->FirstSlot, 3);
  EXPECT_EQ(srv.relay().tables().Slots[3].Name, c.worms[0].Name);
  EXPECT_TRUE(srv.relay().tables().Slots[5].Name.empty());

  // Log lines name a session by its number and address:port, which never
  // change, and by the slots it holds at that moment.
  auto line = [&](const std::string& start, const std::string& end) {
    return std::find_if(srv.events.begin(), srv.events.end(), [&](const std::string& e) {
      return e.rfind(start, 0) == 0 && e.size() > end.size() && e.compare(e.size() - end.size(), end.size(), end) == 0;
    });
  };
  auto c_joined = line("client #3 127.0.0.1:", " (slots 5-6) connected");
  ASSERT_NE(c_joined, srv.events.end());
  const std::string c_name = c_joined->substr(0, c_joined->find(" (slots"));
  EXPECT_NE(line("client #2 127.0.0.1:", " (slots 3-4) ended: closed by the client"), srv.events.end());
  c.client.Close();
  ASSERT_TRUE(srv.RunUntil([&] { return srv.relay().PlayersOnline() == 2; }));
  EXPECT_NE(line(c_name + " ", " (slots 3-4) ended: closed by the client"), srv.events.end())
      << "C is named as when it joined, with the slots it holds now";
}

TEST(RelayServer, ListenerClosesOnALiveWormAndReopensWhenEveryoneHasLeft) {
  TestServer srv;
  ASSERT_TRUE(srv.RunUntil([&] { return !srv.datagrams.empty(); }));
  EXPECT_EQ(srv.datagrams[0], "+" + std::string(kVersionText) + Byte(0));
  auto a = std::make_unique<PlayingClient>(srv, "A", 9);
  srv.datagrams.clear();
  ASSERT_TRUE(srv.RunUntil([&] { return !srv.datagrams.empty(); }));
  EXPECT_EQ(srv.datagrams[0], "+" + std::string(kVersionText) + Byte(2));

  a->worms[0].Alive = kTrue;
  a->client.Send(a->States());
  const std::string withdrawal = "-" + std::string(kVersionText);
  ASSERT_TRUE(srv.RunUntil([&] { return !srv.datagrams.empty() && srv.datagrams.back() == withdrawal; }));
  EXPECT_FALSE(srv.relay().Listening());
  srv.datagrams.clear();
  RawClient late(srv);
  late.Send(Greeting());
  EXPECT_TRUE(late.WaitClosed());
  srv.Run(120);
  EXPECT_TRUE(srv.datagrams.empty()) << "no announcements while a game runs";

  a.reset();
  ASSERT_TRUE(srv.RunUntil([&] { return srv.relay().Listening(); }));
  RawClient next(srv);
  next.Send(Greeting(3, 70, false));
  EXPECT_EQ(next.Take(6), ConfigReply(3, 70, false)) << "a new game takes the new first client's settings";
}

}  // namespace
}  // namespace krel::test
