// Pipelined sessions of the relay: how a client asks, the frame queue and
// its bound, a pipelined and a lock-step client in one game, the score the
// server keeps. The real programs in both modes: tests/e2e/netplay_modes.sh.
#include <gtest/gtest.h>

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

// A client that asks for pipelined play: its settings twice.
std::string AskingGreeting() { return Greeting() + Greeting().substr(kVersionText.size()); }

TEST(RelayPipelined, ASecondConfigurationAsksAndTheAnswerIsP) {
  for (const std::size_t bound : {std::size_t{2}, std::size_t{0}}) {
    RelayLimits limits;
    limits.queued_frames = bound;
    TestServer srv(limits);
    RawClient c(srv);
    c.Send(AskingGreeting());
    EXPECT_EQ(c.Take(6), ConfigReply(15, 100, true));
    // A server playing everyone in lock-step answers as it answers every "C".
    EXPECT_EQ(c.Take(6, 300), bound > 0 ? "P" + Byte(kPipelineVersion) : ConfigReply(15, 100, true)) << bound;
    EXPECT_EQ(srv.relay().sessions()[0]->Pipelined(), bound > 0);
  }
}

TEST(RelayPipelined, QueuedFramesGoOutOnePerCycleBesideALockStepClient) {
  TestServer srv;
  RawClient p(srv);
  p.Send(AskingGreeting());
  p.Take(8);
  PlayingClient lock(srv, "L");
  WormRecord worms[2] = {Worm("P1"), Worm("P2", 200)}, sent[2];
  auto frame = [&](int age, const std::string& events = "") {
    std::string s = events;
    for (int k = 0; k < 2; ++k) {
      worms[k].Age = age;
      s += StateMessage(worms[k], sent[k]);
    }
    return s;
  };
  auto& slots = srv.relay().tables().Slots;
  auto lock_cycle = [&](std::int64_t batches) {
    lock.client.Send(lock.States());
    return srv.RunUntil([&] { return srv.relay().Batches() == batches; });
  };
  // Two frames ahead, the second reporting its first worm's death.
  p.Send(frame(1) + frame(2, "f" + Byte(1) + Byte(1)));
  srv.Run(30);
  EXPECT_EQ(srv.relay().Batches(), 0) << "the lock-step client has not reported";
  for (int cycle = 1; cycle <= 2; ++cycle) {
    ASSERT_TRUE(lock_cycle(cycle)) << cycle;
    EXPECT_EQ(slots[1].Age, cycle) << "one queued frame per cycle, oldest first";
    // The client still says 15 lives: the server's own count stands.
    EXPECT_EQ(slots[1].Lives, 14) << cycle;
  }
  lock.client.Send(lock.States());
  srv.Run(50);
  EXPECT_EQ(srv.relay().Batches(), 2) << "nothing queued: the cycle waits for the pipelined client";
  // Four more frames: the first completes the waiting cycle at once, two
  // wait, the fourth is folded into the newest waiting one.
  p.Send(frame(3) + frame(4) + frame(5) + frame(6));
  ASSERT_TRUE(srv.RunUntil([&] { return srv.relay().Batches() == 3; }));
  EXPECT_EQ(slots[1].Age, 3);
  ASSERT_TRUE(lock_cycle(4));
  EXPECT_EQ(slots[1].Age, 4);
  ASSERT_TRUE(lock_cycle(5));
  EXPECT_EQ(std::tuple(slots[1].Age, slots[1].Lives), std::tuple(6, int16{14}));
  // Its game started again (a new set of worms): its own count is taken.
  p.Send(frame(0));
  ASSERT_TRUE(lock_cycle(6));
  EXPECT_EQ(slots[1].Lives, 15);
}

TEST(RelayPipelined, AWaitingPipelinedClientIsNotIdleButASilentOneIsEnded) {
  RelayLimits limits;
  limits.offline_ticks = 5;
  TestServer srv(limits);
  RawClient p(srv), q(srv);
  for (RawClient* c : {&p, &q}) {
    c->Send(AskingGreeting());
    c->Take(8);
  }
  WormRecord worms[2] = {Worm("P1"), Worm("P2", 200)}, sent[2], q_sent[2];
  auto frame = [&](WormRecord* refs) { return StateMessage(worms[0], refs[0]) + StateMessage(worms[1], refs[1]); };
  worms[0].Alive = kTrue;  // the game starts with the first cycle: the inactivity watch runs
  p.Send(frame(sent));
  q.Send(frame(q_sent));
  ASSERT_TRUE(srv.RunUntil([&] { return srv.relay().Batches() == 1; }));
  // p has its next frame queued and waits for q, which has fallen silent.
  p.Send(frame(sent));
  ASSERT_TRUE(srv.RunUntil([&] { return q.closed; }));
  EXPECT_FALSE(p.closed);
  EXPECT_TRUE(srv.HasEvent("no data in time"));
}

}  // namespace
}  // namespace krel::test
