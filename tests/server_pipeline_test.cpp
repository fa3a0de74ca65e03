// Pipelined sessions of the relay: how a client asks, the frame queue and
// its bound, a pipelined and a lock-step client in one game, the score the
// server keeps. The real programs in both modes: tests/e2e/netplay_modes.sh.
#include <gtest/gtest.h>

#include "protocol/open_play.h"
#include "protocol/pipelined.h"
#include "protocol/round_trip.h"
#include "server/frame_queue.h"
#include "server_test_support.h"

namespace krel::test {
namespace {

SlotRecord Aged(int age, int x = 0) {
  SlotRecord r;
  r.Age = age;
  r.X = x;
  return r;
}

TEST(FrameQueue, HoldsWholeFramesUpToItsBoundAndFoldsTheRestIntoTheNewest) {
  FrameQueue q(2);
  EXPECT_FALSE(q.Add(0, 'p', Aged(1)));
  EXPECT_FALSE(q.Ready()) << "half a frame is not a frame";
  EXPECT_TRUE(q.Add(1, 'p', Aged(1)));
  for (int age = 2; age <= 5; ++age) {
    q.Add(0, age == 4 ? 'I' : 'p', Aged(age, 10 * age));
    q.Add(1, 'p', Aged(age));
  }
  EXPECT_EQ(std::tuple(q.size(), q.folded()), std::tuple(std::size_t{2}, std::int64_t{3}));
  QueuedFrame first = q.Pop();
  EXPECT_EQ(first[0].worm.Age, 1);
  QueuedFrame newest = q.Pop();
  // The newest state wins; a full state folded away keeps the tag full.
  EXPECT_EQ(std::tuple(newest[0].worm.Age, newest[0].worm.X, newest[0].tag), std::tuple(5, fixed(50), 'p'));
  EXPECT_FALSE(q.Ready());
}

TEST(RelayPipelined, ASecondConfigurationAsksAndTheAnswerIsP) {
  for (const std::size_t bound : {std::size_t{2}, std::size_t{0}}) {
    RelayLimits limits;
    limits.queued_frames = bound;
    Rig rig(1, limits);
    rig.Send(0, AskingGreeting());
    // A server playing everyone in lock-step answers as it answers every "C".
    EXPECT_EQ(rig.got(0),
              ConfigReply(15, 100, true) + (bound > 0 ? "P" + Byte(kPipelineVersion) : ConfigReply(15, 100, true)))
        << bound;
    EXPECT_EQ(rig.sessions[0]->Pipelined(), bound > 0);
  }
}

TEST(RelayPipelined, QueuedFramesGoOutOnePerCycleBesideALockStepClient) {
  Rig rig(2);  // client 0 pipelined (slots 1-2), client 1 in lock-step
  rig.Send(0, AskingGreeting());
  rig.Send(1, Greeting());
  TwoWorms pipelined("P"), lock("L");
  auto frame = [&](int age, const std::string& events = "") {
    for (WormRecord& w : pipelined.worms) w.Age = age;
    return events + pipelined.States();
  };
  auto& slots = rig.relay->tables().slots;
  auto batches = [&] { return rig.relay->Batches(); };
  // Batches sent, and the age and lives the server holds for worm 1.
  using Seen = std::tuple<std::int64_t, int32, int16>;
  auto seen = [&] { return Seen(batches(), slots[1].Age, slots[1].Lives); };
  // Two frames ahead, the second reporting its first worm's death.
  rig.Send(0, frame(1) + frame(2, "f" + Byte(1) + Byte(1)));
  EXPECT_EQ(batches(), 0) << "the lock-step client has not reported";
  // One queued frame per cycle, oldest first. The client still says 15
  // lives: the server's own count stands.
  for (int cycle = 1; cycle <= 2; ++cycle) {
    rig.Send(1, lock.States());
    ASSERT_EQ(seen(), Seen(cycle, cycle, 14));
  }
  rig.Send(1, lock.States());
  EXPECT_EQ(batches(), 2) << "nothing queued: the cycle waits for the pipelined client";
  // Four more frames: the first completes the waiting cycle at once, two
  // wait, the fourth is folded into the newest waiting one.
  rig.Send(0, frame(3) + frame(4) + frame(5) + frame(6));
  EXPECT_EQ(seen(), Seen(3, 3, 14));
  rig.Send(1, lock.States());
  EXPECT_EQ(seen(), Seen(4, 4, 14));
  rig.Send(1, lock.States());
  EXPECT_EQ(seen(), Seen(5, 6, 14));
  // Age going back (it wraps on the wire after 55 minutes) says nothing.
  rig.Send(0, frame(0));
  rig.Send(1, lock.States());
  EXPECT_EQ(seen(), Seen(6, 0, 14));
  // The client says its game started again (a new set of worms): the new
  // game's count is taken, with that frame and not before.
  rig.Send(0, frame(1) + "R" + frame(2));
  rig.Send(1, lock.States());
  EXPECT_EQ(seen(), Seen(7, 1, 14));
  rig.Send(1, lock.States());
  EXPECT_EQ(seen(), Seen(8, 2, 15));
  // Said again without a new set of worms, it is a score of its own choosing.
  pipelined.worms[0].Lives = 40;
  rig.Send(0, "R" + frame(3));
  rig.Send(1, lock.States());
  EXPECT_EQ(seen(), Seen(9, 3, 15));
  // A lock-step client has nothing to say so: its session ends.
  rig.Send(1, "R");
  EXPECT_TRUE(rig.Logged("unknown message tag 0x52"));
  EXPECT_FALSE(rig.Alive(1));
}

TEST(RelayPipelined, AThirdConfigurationAsksForRoundTripsWhichOnlyThatClientGetsAndAnswers) {
  Rig rig(3);
  const std::string config = ConfigReply(15, 100, true);
  rig.Send(0, AskingGreeting() + config);  // asks for round trips (and open play)
  rig.Send(1, AskingGreeting());           // pipelined, does not ask
  rig.Send(2, Greeting());                 // lock-step
  // The third "C" is answered only by open play's "O" (and its token).
  const std::string answers = config + "P" + Byte(kPipelineVersion) + "O" + Byte(kOpenPlayVersion) + "T";
  EXPECT_EQ(rig.Take(0).substr(0, answers.size()), answers);
  EXPECT_EQ(rig.Take(1), config + "P" + Byte(kPipelineVersion));
  auto stamp = [](int ms) {
    std::string s;
    AppendFieldWhole(s, ms, KindLong);
    return s;
  };
  // The lock-step client answers each batch 40 ms after it went out.
  auto cycle = [&] {
    for (int i = 0; i < 2; ++i) rig.Send(i, rig.States());
    rig.hooks.now_ms += 40;
    rig.Send(2, rig.States());
  };
  rig.hooks.now_ms = 5000;
  cycle();
  EXPECT_NE(rig.got(0).find("G" + stamp(5040)), std::string::npos) << "a probe follows the batch";
  for (int i : {1, 2}) EXPECT_EQ(rig.got(i).find("G" + stamp(5040)), std::string::npos) << i;
  rig.hooks.now_ms = 5070;
  rig.Send(0, "G" + stamp(4000));  // no probe of ours: ignored
  rig.Send(0, "G" + stamp(5040));
  EXPECT_EQ(rig.sessions[0]->RoundTripMs(), 30);
  // Every 12th batch, after it, each worm's round trip in the batch's order:
  // the client's own worms first; none for the pipelined client that did
  // not ask, batch to answer for the lock-step one.
  while (rig.relay->Batches() % kRoundTripEveryBatches != 0) cycle();
  rig.Take(0);
  cycle();
  const int lock_step = rig.sessions[2]->RoundTripMs();
  EXPECT_NEAR(lock_step, 40, 2) << "smoothed from the one 70 ms answer while the probe was out";
  std::string table = "M" + Byte(6);
  for (int ms : {30, 30, -1, -1, lock_step, lock_step}) AppendFieldWhole(table, ms, KindShort);
  EXPECT_NE(rig.got(0).find(table), std::string::npos);
  // Only a client that asked may answer; from any other "G" is unknown.
  rig.Send(1, "G" + stamp(5000));
  EXPECT_FALSE(rig.Alive(1));
}

TEST(RelayPipelined, AWaitingPipelinedClientIsNotIdleButASilentOneIsEnded) {
  RelayLimits limits;
  limits.offline_ticks = 5;
  Rig rig(2, limits);
  TwoWorms p("P"), q("Q");
  for (int i : {0, 1}) rig.Send(i, AskingGreeting());
  p.worms[0].Alive = kTrue;  // the game starts with the first cycle: the inactivity watch runs
  rig.Send(0, p.States());
  rig.Send(1, q.States());
  ASSERT_EQ(rig.relay->Batches(), 1);
  // p has its next frame queued and waits for q, which has fallen silent.
  rig.Send(0, p.States());
  ASSERT_TRUE(rig.TickUntil([&] { return !rig.Alive(1); }));
  EXPECT_TRUE(rig.Alive(0));
  EXPECT_TRUE(rig.Logged("no data in time"));
}

}  // namespace
}  // namespace krel::test
