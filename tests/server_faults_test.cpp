#include <gtest/gtest.h>

#include <random>

#include "server_test_support.h"

namespace krel::test {
namespace {

std::string Byte(int b) { return std::string(1, static_cast<char>(b)); }

// One well-behaved client that plays a cycle and checks its own worm comes back.
struct Good {
  RawClient client;
  WormRecord worms[2] = {Worm("Good1"), Worm("Good2", false, 300)};
  WormRecord sent[2];
  explicit Good(TestServer& srv) : client(srv.app->port()) {
    client.Send(Greeting());
    EXPECT_EQ(client.Take(srv, 6)[0], 'C');
  }
  // Sends its states and waits for the next batch.
  bool Cycle(TestServer& srv, int ms = 3000) {
    const std::int64_t target = srv.relay().Batches() + 1;
    client.Send(StateMessage(worms[0], sent[0]) + StateMessage(worms[1], sent[1]));
    bool ok = srv.RunUntil([&] {
      client.Poll();
      return client.closed || (srv.relay().Batches() >= target && !client.got.empty());
    }, ms);
    ok = ok && !client.closed && client.got[0] == 'n';
    client.got.clear();
    return ok;
  }
};

TEST(RelayFaults, BadInputEndsOnlyTheOffendingSession) {
  struct Case {
    const char* what;
    std::string bytes;
    const char* event;
  };
  std::string bad_owner = "w" + std::string(5, '\x80') + Byte(0) + Byte(3);
  const std::vector<Case> cases = {
      {"unknown tag", Greeting() + "Zzz", "unknown message tag 0x5A"},
      {"owner byte 3", Greeting() + bad_owner, "owner byte 3"},
      {"kill naming slot 200", Greeting() + "f" + Byte(200) + Byte(1), "outside the table"},
      {"endless chat line", Greeting() + "c" + std::string(2000, 'x'), "receive buffer over"},
      {"state before greeting", "p" + std::string(40, '\x80'), "no greeting"},
      {"stalled greeting", "$KREL0.8", "no greeting in time"},
  };
  RelayLimits limits;
  limits.max_receive = 1024;
  limits.greeting_ticks = 10;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TestServer srv(limits);
    Good good(srv);
    RawClient bad(srv.app->port());
    bad.Send(c.bytes);
    EXPECT_TRUE(bad.WaitClosed(srv));
    EXPECT_TRUE(srv.HasEvent(c.event));
    EXPECT_EQ(srv.relay().PlayersOnline(), 2);
    EXPECT_TRUE(good.Cycle(srv));
  }
}

TEST(RelayFaults, ANinthClientIsRefusedAndTheEightPlayOn) {
  TestServer srv;
  std::vector<std::unique_ptr<Good>> eight;
  for (int i = 0; i < 8; ++i) eight.push_back(std::make_unique<Good>(srv));
  RawClient ninth(srv.app->port());
  ninth.Send(Greeting());
  EXPECT_TRUE(ninth.WaitClosed(srv));
  EXPECT_TRUE(srv.HasEvent("refused"));
  EXPECT_EQ(srv.relay().PlayersOnline(), 16);
  for (auto& g : eight) g->client.Send(StateMessage(g->worms[0], g->sent[0]) + StateMessage(g->worms[1], g->sent[1]));
  EXPECT_TRUE(srv.RunUntil([&] { return srv.relay().Batches() == 1; }));
}

// In lock-step every client falls silent while one is frozen: only the one
// that owes its states is ended, and the others get their batch.
TEST(RelayFaults, AFrozenClientIsEndedAndTheWaitingOnesPlayOn) {
  TestServer srv;
  Good a(srv), b(srv), frozen(srv);
  a.worms[0].Alive = kTrue;
  for (Good* g : {&a, &b}) g->client.Send(StateMessage(g->worms[0], g->sent[0]) + StateMessage(g->worms[1], g->sent[1]));
  EXPECT_TRUE(srv.RunUntil([&] { return frozen.client.Poll(), frozen.client.closed; }, 5000));
  EXPECT_TRUE(srv.HasEvent("no data in time"));
  EXPECT_EQ(srv.relay().PlayersOnline(), 4);
  for (Good* g : {&a, &b}) {
    EXPECT_TRUE(srv.RunUntil([&] { return g->client.Poll(), !g->client.got.empty(); }));
    EXPECT_FALSE(g->client.closed);
    EXPECT_EQ(g->client.got[0], 'n');
  }
}

TEST(RelayFaults, AClientThatStopsReadingIsEndedAtTheQueueBound) {
  FakeHooks hooks;
  Relay relay(hooks);
  relay.Start();
  std::string sent_a, sent_b;
  auto link_a = std::make_unique<FakeLink>(&sent_a);
  FakeLink* a = link_a.get();
  Session* sa = relay.Connect(std::move(link_a));
  Session* sb = relay.Connect(std::make_unique<FakeLink>(&sent_b));
  WormRecord w = Worm("W"), sent;
  std::string states = StateMessage(w, sent) + StateMessage(w, sent);
  relay.Arrived(*sa, Greeting() + states);
  a->queued = relay.limits().max_queued + 1;
  relay.Arrived(*sb, Greeting() + states);
  relay.Reap();
  EXPECT_EQ(relay.PlayersOnline(), 2);
  ASSERT_EQ(relay.sessions().size(), 1u);
  EXPECT_EQ(relay.sessions()[0].get(), sb);
  EXPECT_EQ(sb->FirstSlot, 1) << "the remaining session moved into the freed pair";
  EXPECT_NE(hooks.events.back().find("not reading"), std::string::npos);
}

// Mutated copies of a well-formed stream are thrown at the server while a
// well-behaved client keeps playing; bounded in count and time.
TEST(RelayFaults, MutatedStreamsNeverDisturbAPlayingClient) {
  RelayLimits limits;
  limits.greeting_ticks = 5;
  TestServer srv(limits);
  Good good(srv);
  std::mt19937 rng(20240611);
  WormRecord w = Worm("Mut"), sent;
  std::string shot = "w" + std::string(5, '\x80') + Byte(7) + Byte(1);
  std::string template_stream = Greeting() + shot + "d\x80\x80\x80" + "chello" + Byte(0) + "f" + Byte(1) + Byte(3) +
                                StateMessage(w, sent) + StateMessage(w, sent);
  const auto deadline = EventLoop::NowMs() + 6000;
  int streams = 0, cycles = 0;
  while (streams < 150 && EventLoop::NowMs() < deadline) {
    std::string s = template_stream;
    const int edits = 1 + static_cast<int>(rng() % 4);
    for (int e = 0; e < edits; ++e) {
      std::size_t at = rng() % s.size();
      switch (rng() % 3) {
        case 0: s[at] = static_cast<char>(rng()); break;
        case 1: s.erase(at, 1 + rng() % 8); break;
        default: s.insert(at, 1 + rng() % 4, static_cast<char>(rng())); break;
      }
      if (s.empty()) s = "x";
    }
    {
      RawClient bad(srv.app->port());
      for (std::size_t i = 0; i < s.size(); i += 7) bad.Send(s.substr(i, 7)), srv.Run(1);
      ++streams;
      srv.Run(5);
    }
    // The player goes on: with the stranger gone or ended, cycles complete.
    ASSERT_TRUE(good.Cycle(srv, 2000)) << "stream " << streams << ": " << srv.events.back();
    ++cycles;
  }
  EXPECT_GE(streams, 20);
  EXPECT_EQ(srv.relay().PlayersOnline(), 2);
  EXPECT_FALSE(good.client.closed);
}

}  // namespace
}  // namespace krel::test
