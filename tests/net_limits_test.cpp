// The client against a hostile server: the work one batch may ask of it,
// the bytes it keeps waiting for the end of a message, and its own events
// held to what the relay accepts.
#include <gtest/gtest.h>

#include <memory>

#include "client/app/client_events.h"
#include "client/net/incoming.h"
#include "client/net/net_client.h"
#include "client/net/session.h"
#include "client/simulation/terrain/level.h"
#include "client/simulation/weapons/shots.h"
#include "protocol/event_limits.h"
#include "sim_test_support.h"

namespace krel {
namespace {

using namespace krel::testing;

std::string Repeat(int n, const std::string& one) {
  std::string s;
  for (int i = 0; i < n; ++i) s += one;
  return s;
}

std::string Dig(int x, int y, int radius) {
  std::string s = "d";
  for (int v : {x, y, radius}) AppendField(s, v, 0, KindShort);
  return s;
}

// A relayed shot, object or special object of type 1 at (10, 10).
std::string Event(char tag) {
  std::string s(1, tag);
  AppendField(s, fixed(0), 0, KindShort);
  for (int v : {10, 10, 0, 0}) AppendField(s, v, 0, KindFixed);
  AppendField(s, 1, 0, KindByte);
  return s;
}

struct NetWorld {
  std::unique_ptr<World> w = MakeSimWorld(504, 350);
  NetClient n;
  ClientEvents events{*w};
  NetWorld() {
    w->net = &n;
    w->events = &events;
    w->Connection = ConnectionState::kConnected;
  }
};

// A refused batch ends the connection, which gives its buffer back.
TEST(NetLimits, ABatchAskingMoreThanAGameIsALostConnection) {
  const EventCounts& b = kBatchEventBound;
  const std::string head = std::string("n") + '\x02';
  struct Case {
    const char* what;
    std::string bytes;
    bool accepted;
  };
  const std::vector<Case> cases = {
      {"every bound reached", head + Repeat(b.digs, Dig(100, 100, 0)) + Repeat(b.chats, std::string("cx") + '\0'),
       true},
      {"the bound again after the next header",
       head + Repeat(b.digs, Dig(100, 100, 0)) + head + Repeat(b.digs, Dig(100, 100, 0)), true},
      {"one dig too many", head + Repeat(b.digs + 1, Dig(100, 100, 0)), false},
      {"one shot too many", head + Repeat(b.shots + 1, Event('w')), false},
      {"one object too many", head + Repeat(b.objects + 1, Event('o')), false},
      {"one special object too many", head + Repeat(b.special + 1, Event('s')), false},
      {"one chat line too many", head + Repeat(b.chats + 1, std::string("c") + '\0'), false},
      {"the largest dig of a game", head + Dig(100, 100, kMaxDigRadius) + Dig(100, 100, -kMaxDigRadius), true},
      {"a dig larger than any game digs", head + Dig(200, 150, kMaxDigRadius + 1), false},
      {"a message that never ends", head + "c" + std::string(kMaxReceiveBuffer, 'x'), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    NetWorld net;
    net.n.RecvBuffer = c.bytes;
    ASSERT_EQ(ProcessReceived(*net.w), c.accepted);
    if (c.accepted) continue;
    ConnectionLost(*net.w);
    EXPECT_LT(net.n.RecvBuffer.capacity(), 64u);
    EXPECT_EQ(std::tuple(static_cast<int>(net.w->Connection), net.w->ChatLines[1]),
              std::tuple(0, std::string("NETWORK CONNECTION LOST")));
  }
}

TEST(NetLimits, OwnEventsBeyondWhatTheRelayAcceptsAreDropped) {
  NetWorld net;
  const EventCounts& b = kFrameEventBound;
  for (int i = 0; i < b.shots + 10; ++i) AddShot(*net.w, 10, 10, 0, 0, 1, 3, 0);
  for (int i = 0; i < b.digs + 10; ++i) Dig(*net.w, 100, 100, 5, 1, Origin::kLocal);
  Dig(*net.w, 100, 100, kMaxDigRadius + 1, 1, Origin::kLocal);
  AddShot(*net.w, -kCoordinateMargin - 1, 10, 0, 0, 1, 3, 0);
  std::size_t shots = 0, digs = 0;
  for (std::string_view rest = net.w->OutBuffer; !rest.empty();) {
    WireReader in(rest.substr(1));
    int16 v = 0;
    fixed f;
    TakeField(in, v, KindShort);
    if (rest[0] == 'w') {
      ++shots;
      for (int k = 0; k < 4; ++k) TakeField(in, f, KindFixed);
      for (int k = 0; k < 2; ++k) TakeField(in, v, KindByte);  // type and owner
    } else {
      ++digs;
      for (int k = 0; k < 2; ++k) TakeField(in, v, KindShort);
    }
    ASSERT_FALSE(in.Incomplete);
    rest = in.rest;
  }
  EXPECT_EQ(std::tuple(shots, digs), std::tuple(std::size_t(b.shots), std::size_t(b.digs)));
  // The next frame has the whole bound again.
  SendMyData(*net.w);
  net.w->OutBuffer.clear();
  AddShot(*net.w, 10, 10, 0, 0, 1, 3, 0);
  EXPECT_FALSE(net.w->OutBuffer.empty());
}

}  // namespace
}  // namespace krel
