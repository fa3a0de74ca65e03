// Faults of one client end only its session: bad input, a frozen client, one
// that stops reading, and a ninth client (on loopback: a refusal closes the
// connection).
#include <gtest/gtest.h>

#include "server_test_support.h"

namespace krel::test {
namespace {

TEST(RelayFaults, BadInputEndsOnlyTheOffendingSession) {
  struct Case {
    const char* what;
    std::string bytes;
    const char* event;
  };
  std::string bad_owner = "w" + std::string(5, '\x80') + Byte(0) + Byte(3);
  const std::vector<Case> cases = {
      {"another version", "$KREL0.83.0.0" + Greeting().substr(13), "version rejected"},
      {"unknown tag", Greeting() + "Zzz", "unknown message tag 0x5A"},
      {"owner byte 3", Greeting() + bad_owner, "owner byte 3"},
      {"kill naming slot 200", Greeting() + "f" + Byte(200) + Byte(1), "outside the table"},
      {"endless chat line", Greeting() + "c" + std::string(2000, 'x'), "receive buffer over"},
      {"state before greeting", "p" + std::string(40, '\x80'), "no greeting"},
      {"stalled greeting", "$KREL0.8", "no greeting in time"},
  };
  RelayLimits limits;
  std::tie(limits.max_receive, limits.greeting_ticks) = std::tuple(1024, 10);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Rig rig(2, limits);
    rig.Send(0, Greeting());
    rig.Take(0);
    rig.Send(1, c.bytes);
    EXPECT_TRUE(rig.TickUntil([&] { return !rig.Alive(1); }));
    EXPECT_EQ(std::tuple(rig.links[1]->open, rig.Logged(c.event), rig.relay->PlayersOnline()),
              std::tuple(false, true, 2));
    // The player goes on: its next cycle's batch comes.
    rig.Send(0, rig.States());
    EXPECT_EQ(rig.got(0).substr(0, 1), "n");
  }
}

TEST(RelayFaults, ANinthClientIsRefusedAndTheEightPlayOn) {
  TestServer srv;
  std::vector<std::unique_ptr<PlayingClient>> eight;
  for (int i = 0; i < 8; ++i) eight.push_back(std::make_unique<PlayingClient>(srv, "P" + std::to_string(i)));
  RawClient ninth(srv);
  ninth.Send(Greeting());
  EXPECT_TRUE(ninth.WaitClosed());
  EXPECT_EQ(std::tuple(srv.HasEvent("refused"), srv.relay().PlayersOnline()), std::tuple(true, 16));
  for (auto& p : eight) p->client.Send(p->States());
  EXPECT_TRUE(srv.RunUntil([&] { return srv.relay().Batches() == 1; }));
}

// In lock-step every client falls silent while one is frozen: only the one
// that owes its states is ended, and the others get their batch.
TEST(RelayFaults, AFrozenClientIsEndedAndTheWaitingOnesPlayOn) {
  Rig rig(3);
  for (int i = 0; i < 3; ++i) rig.Send(i, Greeting()), rig.Take(i);
  rig.worm.Alive = kTrue;
  for (int i : {0, 1}) rig.Send(i, rig.States());
  EXPECT_TRUE(rig.TickUntil([&] { return !rig.Alive(2); }));
  EXPECT_EQ(std::tuple(rig.Logged("no data in time"), rig.relay->PlayersOnline()), std::tuple(true, 4));
  for (int i : {0, 1}) EXPECT_EQ(rig.got(i).substr(0, 1), "n") << i;
}

TEST(RelayFaults, AClientThatStopsReadingIsEndedAtTheQueueBound) {
  FakeHooks hooks;
  Relay relay(hooks);
  relay.Start();
  auto link_a = std::make_unique<FakeLink>();
  FakeLink* a = link_a.get();
  Session* sa = relay.Connect(std::move(link_a));
  Session* sb = relay.Connect(std::make_unique<FakeLink>());
  WormRecord w = Worm("W"), sent;
  std::string states = StateMessage(w, sent) + StateMessage(w, sent);
  relay.Arrived(*sa, Greeting() + states);
  a->queued = relay.limits().max_queued + 1;
  relay.Arrived(*sb, Greeting() + states);
  relay.Reap();
  EXPECT_EQ(relay.PlayersOnline(), 2);
  ASSERT_EQ(relay.sessions().size(), 1u);
  EXPECT_EQ(relay.sessions()[0].get(), sb);
  EXPECT_EQ(sb->first_slot, 1) << "the remaining session moved into the freed pair";
  EXPECT_NE(hooks.events.back().find("not reading"), std::string::npos);
}

}  // namespace
}  // namespace krel::test
