// What the simulation reports through its event interface, and that it does
// so instead of touching the sound player or the network itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "client/simulation/terrain/level.h"
#include "client/simulation/terrain/tiles.h"
#include "client/simulation/weapons/explosions.h"
#include "client/simulation/weapons/shots.h"
#include "client/state/chat.h"
#include "sim_test_support.h"

namespace krel {
namespace {

using testing::MakeSimWorld;
using testing::PlaceWorm;

// Writes every event as one short line.
class RecordedEvents : public SimulationEvents {
 public:
  std::vector<std::string> lines;
  void Sound(int16 n) override { lines.push_back("sound " + std::to_string(n)); }
  void SendShot(const Shot& s) override { lines.push_back("shot " + std::to_string(s.ty)); }
  void SendObject(const Obj& o) override { lines.push_back("object " + std::to_string(o.ty)); }
  void SendSpecialObject(const SObj& s) override { lines.push_back("special " + std::to_string(s.ty)); }
  void SendDig(int16 x, int16 y, int16 r) override {
    lines.push_back("dig " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(r));
  }
  void SendDrawing(int32 tile, int32 x, int32 y) override {
    lines.push_back("drawing " + std::to_string(tile) + " " + std::to_string(x) + " " + std::to_string(y));
  }
  void SendKill(int16 killer, int16 victim) override {
    lines.push_back("kill " + std::to_string(killer) + " " + std::to_string(victim));
  }
  void SendChat(const std::string& text) override { lines.push_back("chat " + text); }
};

struct Case {
  const char* what;
  ConnectionState connection;
  Origin origin;
  std::vector<std::string> events;
  bool applied;  // the shot, the dig and the chat line took effect here
};

TEST(SimulationEvents, OwnRequestsOfANetworkGameTravelEverythingElseIsApplied) {
  const Case cases[] = {
      {"local game", ConnectionState::kClosed, Origin::kLocal, {}, true},
      {"own request, connected",
       ConnectionState::kConnected,
       Origin::kLocal,
       {"shot 3", "dig 40 40 5", "chat hello"},
       false},
      {"from the relay", ConnectionState::kConnected, Origin::kNetwork, {}, true},
      {"own request while connecting",
       ConnectionState::kConnecting,
       Origin::kLocal,
       {"dig 40 40 5", "chat hello"},
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto w = MakeSimWorld();
    RecordedEvents events;
    w->events = &events;
    w->Connection = c.connection;
    AddShot(*w, 10, 10, 0, 0, 1, 3, 0, c.origin);
    Dig(*w, 40, 40, 5, 1, c.origin);
    AddChatMsg(*w, "hello", c.origin);
    EXPECT_EQ(events.lines, c.events);
    EXPECT_EQ(std::tuple(w->Shots.size() == 2, IsPassable(*w, 40, 40), w->ChatLines[1] == "hello"),
              std::tuple(c.applied, true, c.applied));
  }
}

TEST(SimulationEvents, InOpenPlayOnlyTheOwnersClientReportsAnObjectsPictureAndNoCopyDrawsItself) {
  struct DrawCase {
    const char* what;
    ConnectionState connection;
    bool relay_drawings;
    int16 owner;
    std::vector<std::string> events;
    bool drawn_at_once;
  };
  const DrawCase cases[] = {
      {"local game", ConnectionState::kClosed, false, 1, {}, true},
      {"network game of the basic protocol: every copy draws", ConnectionState::kConnected, false, 3, {}, true},
      {"open play, this client's first worm's object",
       ConnectionState::kConnected,
       true,
       1,
       {"drawing 202 56 36"},
       false},
      {"open play, its second worm's", ConnectionState::kConnected, true, 2, {"drawing 202 56 36"}, false},
      {"open play, a copy of another client's object", ConnectionState::kConnected, true, 3, {}, false},
      {"open play, connection lost: plays on locally", ConnectionState::kClosed, true, 1, {}, true},
  };
  for (const DrawCase& c : cases) {
    SCOPED_TRACE(c.what);
    auto w = MakeSimWorld();
    RecordedEvents events;
    w->events = &events;
    w->Connection = c.connection;
    w->NetStats.RelayDrawings = c.relay_drawings;
    w->Tiles8 = Surface(7 * 4, 8);
    w->Tiles8.Clear(testing::SimColour(testing::kRockColour));
    w->Tiles8.SetColorKey(0);
    w->ObjDefs[5].DRAWOBJECT = 1;
    w->ObjDefs[5].ANIMSFRAME = 2;
    Obj o;
    o.x = fixed(60.25);
    o.Y = fixed(40);
    o.ty = 5;
    o.owner = c.owner;
    w->Objs.push_back(o);
    ExplodeObj(*w, 1);
    EXPECT_EQ(events.lines, c.events);
    EXPECT_EQ(IsPassable(*w, 58, 38), !c.drawn_at_once);
    // What the batch brings is drawn on every client, the owner's included.
    DrawIntoLevel(*w, 202, 56, 36, 0, Origin::kNetwork);
    EXPECT_FALSE(IsPassable(*w, 58, 38));
  }
}

TEST(SimulationEvents, ALocalDeathSoundsAndANetworkDeathIsReported) {
  for (ConnectionState connection : {ConnectionState::kClosed, ConnectionState::kConnected}) {
    auto w = MakeSimWorld(504, 350);
    RecordedEvents events;
    w->events = &events;
    w->Connection = connection;
    PlaceWorm(*w, 2, 30, 30).Health = 0;
    PlayerDied(*w, 2, 1, Origin::kLocal);
    // One of the three death sounds; in a network game the relay counts the
    // death, so it is reported.
    const auto has = [&](const std::string& line) {
      return std::find(events.lines.begin(), events.lines.end(), line) != events.lines.end();
    };
    EXPECT_EQ(has("sound 16") + has("sound 17") + has("sound 18"), 1);
    const bool reported = has("kill 1 2");
    EXPECT_EQ(reported, connection == ConnectionState::kConnected);
  }
}

TEST(SimulationEvents, WithoutASinkEventsPassUnseen) {
  auto w = MakeSimWorld();
  w->Connection = ConnectionState::kConnected;
  AddShot(*w, 10, 10, 0, 0, 1, 3, 0);
  EXPECT_EQ(w->Shots.size(), 1u);  // sent (to nobody), not applied
}

}  // namespace
}  // namespace krel
