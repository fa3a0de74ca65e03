// The relay against hostile and broken clients: the work one session may
// put into a cycle, the range of what it relays, kill reports, the game's
// configuration and the inactivity watch. Driven without sockets (the
// relay's own tick stands for the 100 ms timer).
#include <gtest/gtest.h>

#include "protocol/event_limits.h"
#include "server_test_support.h"

namespace krel::test {
namespace {

std::string Event(char tag, double x, double y, int ty, int owner = 1) {
  std::string s(1, tag);
  AppendField(s, tag == 's' ? 4 : 7, 0, KindShort);
  for (double v : {x, y, 0.5, -0.5}) AppendField(s, v, 0, KindFixed);
  AppendField(s, ty, 0, KindByte);
  AppendField(s, owner, 0, KindByte);
  return s;
}

std::string Chat(const std::string& text) { return "c" + text + '\0'; }

TEST(RelayLimits, WorkAndRangeBeyondAGameEndOnlyTheOffendingSession) {
  const EventCounts& b = kFrameEventBound;
  struct Case {
    const char* what;
    std::string frame;
    const char* ended;  // nullptr: the session plays on
  };
  const std::vector<Case> cases = {
      {"a frame at every bound",
       Times(b.shots, Event('w', 10, 10, 3)) + Times(b.objects, Event('o', 10, 10, 30)) +
           Times(b.special, Event('s', -5, 10, 20)) + Times(b.digs, Dig(500, 300, -12)) + Times(b.chats, Chat("x")),
       nullptr},
      {"one shot too many", Times(b.shots + 1, Event('w', 10, 10, 3)), "more than 512 shots"},
      {"one object too many", Times(b.objects + 1, Event('o', 10, 10, 3)), "more than 4096 objects"},
      {"one special object too many", Times(b.special + 1, Event('s', 10, 10, 3)), "more than 2048 special"},
      {"one dig too many", Times(b.digs + 1, Dig(10, 10, 5)), "more than 1024 digs"},
      {"one chat line too many", Times(b.chats + 1, Chat("x")), "chat lines"},
      {"too long a chat line", Chat(std::string(b.chat_bytes, 'x')), "bytes of chat"},
      {"a dig larger than any game digs", Dig(200, 200, 13), "outside what a game digs"},
      {"a dig far below the level", Dig(200, kMaxLevelSide + kCoordinateMargin + 1, 5), "outside what a game digs"},
      {"a shot far left of the level", Event('w', -kCoordinateMargin - 1, 10, 3), "outside what a game creates"},
      {"a weapon number past the table", Event('w', 10, 10, 41), "outside what a game creates"},
      {"an object number past the table", Event('o', 10, 10, 31), "outside what a game creates"},
      {"a special object number past the table", Event('s', 10, 10, 21), "outside what a game creates"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Rig rig(2);
    rig.Send(0, Greeting() + rig.States());
    rig.Send(1, Greeting() + c.frame + rig.States());
    EXPECT_EQ(rig.Alive(1), c.ended == nullptr);
    EXPECT_TRUE(!c.ended || rig.Logged(c.ended));
    EXPECT_TRUE(rig.Alive(0));
  }
}

TEST(RelayLimits, TheBoundHoldsPerCycle) {
  Rig rig(2);
  rig.Send(0, Greeting() + rig.States());
  const std::string digs = Times(kFrameEventBound.digs, Dig(10, 10, 5));
  rig.Send(1, Greeting() + digs + rig.States());
  for (int cycle = 0; cycle < 3; ++cycle) {
    rig.Send(0, rig.States());
    rig.Send(1, digs + rig.States());
  }
  EXPECT_TRUE(rig.Alive(1)) << "every cycle may use the whole bound";
  EXPECT_EQ(rig.relay->Batches(), 4);
  rig.Send(1, digs + Dig(10, 10, 5));
  EXPECT_FALSE(rig.Alive(1)) << "but no more within one";
}

TEST(RelayLimits, ExtraStatesNeitherFinishTheCycleNorHideASilentClient) {
  // Clients 0 and 1 play honestly; client 2 sends three frames' states per
  // cycle, its first worm at x 1, 2, 3.
  Rig rig(3);
  for (int i = 0; i < 3; ++i) rig.Send(i, Greeting());
  TwoWorms greedy("G");
  auto flood = [&] {
    std::string s;
    for (int x = 1; x <= 3; ++x) {
      greedy.worms[0].X = x;
      s += greedy.States();
    }
    return s;
  };
  for (int cycle = 1; cycle <= 3; ++cycle) {
    rig.Send(2, flood());
    rig.Send(0, rig.States());
    EXPECT_EQ(rig.relay->Batches(), cycle - 1) << "client 1 has not reported";
    rig.Send(1, rig.States());
    ASSERT_EQ(rig.relay->Batches(), cycle);
    EXPECT_EQ(rig.relay->tables().slots[5].X, fixed(3)) << "the newest state is the one relayed";
  }
  // Client 1 falls silent: the watch ends it although the flood goes on.
  ASSERT_TRUE(rig.TickUntil(
      [&] {
        rig.Send(2, flood());
        if (rig.sessions[0]->states_this_cycle < 2) rig.Send(0, rig.States());
        return !rig.Alive(1);
      },
      50));
  EXPECT_TRUE(rig.Logged("no data in time"));
  EXPECT_TRUE(rig.Alive(0) && rig.Alive(2));
}

TEST(RelayLimits, AClientReportsOnlyItsOwnWormsDeaths) {
  Rig rig(2);
  rig.Send(0, Greeting());
  // The second client (slots 3 and 4) names worm 3 of its view (slot 1) as
  // the victim twice, then its own worm 2 (slot 4), killed by slot 1.
  rig.Send(1, Greeting() + "f" + Byte(3) + Byte(3) + "f" + Byte(2) + Byte(3) + "f" + Byte(3) + Byte(2) + rig.States());
  rig.Send(0, rig.States());
  auto& slots = rig.relay->tables().slots;
  EXPECT_EQ(std::tuple(slots[1].Lives, slots[3].Lives, slots[4].Lives, slots[1].Kills), std::tuple(15, 15, 14, 1));
  EXPECT_TRUE(rig.Alive(1)) << "a report about another's worm is ignored, not punished";
}

TEST(RelayLimits, TheFirstConfigurationIsHeldToWhatTheOptionScreenOffers) {
  struct Case {
    int lives, loading, want_lives, want_loading;
  };
  for (const Case& c : {Case{15, 100, 15, 100}, Case{-1, 100, 1, 100}, Case{0, 4, 1, 5}, Case{51, 501, 50, 500},
                        Case{32767, -32000, 50, 5}, Case{1, 5, 1, 5}, Case{50, 500, 50, 500}}) {
    SCOPED_TRACE(std::to_string(c.lives) + "/" + std::to_string(c.loading));
    Rig rig(2);
    rig.Send(0, Greeting(c.lives, c.loading));
    rig.Send(1, Greeting());
    EXPECT_EQ(rig.got(0), ConfigReply(c.want_lives, c.want_loading, true));
    EXPECT_EQ(rig.got(1), rig.got(0)) << "every later client gets the game's settings";
    EXPECT_EQ(rig.Logged("asked for lives"), c.lives != c.want_lives || c.loading != c.want_loading);
  }
}

TEST(RelayWatch, LifeIsCompleteStateMessagesFromTheConfigurationOn) {
  RelayLimits limits;
  struct Case {
    const char* what;
    std::function<void(Rig&)> act;
    int ticks;
    const char* ended;        // nullptr: still there after `ticks`
    bool first_plays = true;  // the first client sends its states whenever it owes them
  };
  const int restart = limits.restart_ticks, offline = limits.offline_ticks;
  // Both clients play a few cycles, past the start: neither is starting
  // over, and both owe their next states.
  auto play = [](Rig& r) {
    r.Send(1, Greeting() + r.States());
    for (int c = 0; c < 3; ++c) r.Send(0, r.States()), r.Send(1, r.States());
    r.Send(0, r.States());
  };
  const std::vector<Case> cases = {
      {"greeted, never configured", [](Rig& r) { r.Send(1, std::string(kVersionText) + "p0"); },
       limits.greeting_ticks + 1, "no configuration in time"},
      {"configured and starting while the other waits", [](Rig& r) { r.Send(1, Greeting()); }, restart, nullptr},
      {"configured, then silent for longer", [](Rig& r) { r.Send(1, Greeting()); }, restart + 1, "no data in time"},
      {"playing, then silent while the other waits", play, offline, nullptr},
      {"playing, then silent for longer", play, offline + 1, "no data in time"},
      {"playing, then everyone silent", play, limits.alone_ticks + 1, "no data in time while nobody waited", false},
      {"playing, then a trickle of a chat line that never ends",
       [&](Rig& r) {
         play(r);
         r.Send(0, r.States());
         r.Send(1, "c");
         for (int k = 0; k < 40; ++k) {
           r.Send(1, "x");
           r.Ticks(1);
         }
       },
       0, "an unfinished message for too long"},
      {"waiting for the others is not silence",
       [&](Rig& r) {
         play(r);
         r.Send(1, r.States());
       },
       offline + 1, nullptr, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Rig rig(2);
    rig.Send(0, Greeting());
    c.act(rig);
    // Unless it stands for a slow one, the first client keeps its place
    // throughout: it has sent its states or sends them.
    for (int k = 0; k < c.ticks; ++k) {
      if (c.first_plays && rig.Alive(0) && rig.sessions[0]->states_this_cycle < 2) rig.Send(0, rig.States());
      rig.Ticks(1);
    }
    EXPECT_EQ(rig.Alive(1), c.ended == nullptr);
    EXPECT_TRUE(!c.ended || rig.Logged(c.ended)) << rig.hooks.events.back();
  }
}

TEST(RelayWatch, ABatchWithANewSetOfWormsGivesEveryClientTimeToStartOver) {
  RelayLimits limits;
  Rig rig(3, limits);
  for (int i = 0; i < 3; ++i) rig.Send(i, Greeting() + rig.States());
  for (int c = 0; c < 3; ++c)
    for (int i = 0; i < 3; ++i) rig.Send(i, rig.States());
  // Clients 0 and 1 send their next states; client 2 leaves, and the batch
  // that goes out now brings four worms instead of six: both start over.
  rig.Send(0, rig.States());
  rig.Send(1, rig.States());
  rig.Close(2);
  ASSERT_EQ(rig.relay->PlayersOnline(), 4);
  rig.Send(0, rig.States());  // quick: it waits for the other
  rig.Ticks(limits.restart_ticks);
  EXPECT_TRUE(rig.Alive(1)) << "a client starting over has all the time the others can wait";
  rig.Ticks(1);
  EXPECT_FALSE(rig.Alive(1));
  EXPECT_TRUE(rig.Alive(0));
}

}  // namespace
}  // namespace krel::test
