// What the simulation tells the layers above it. The simulation never plays
// a sound or touches a socket itself: it reports each sound it starts and,
// in a network game, each request of this client's own worms that travels to
// the relay instead of being applied here. The application forwards them to
// the sound player and the network session; tests and the headless player
// record them or let them pass.
#pragma once

#include <string>

#include "client/state/entity.h"
#include "protocol/base/numbers.h"

namespace krel {

// Where a request to create something (a shot, an object, a dig, a chat line,
// a death) comes from: this client's own simulation, or the relay's batch.
enum class Origin { kLocal, kNetwork };

// The network game as the simulation sees it; the values are those of the
// game socket's own states, which the network session mirrors here.
enum class ConnectionState : int { kClosed = 0, kConnecting = 6, kConnected = 7 };

class SimulationEvents {
 public:
  virtual ~SimulationEvents() = default;

  // A sound effect starts; the number is the weapon file's (any value).
  virtual void Sound(int16 number) = 0;

  // Requests of this client's own worms in a network game, sent to the relay,
  // which hands them back to every client in the batch.
  virtual void SendShot(const Shot& shot) = 0;
  virtual void SendObject(const Obj& object) = 0;
  virtual void SendSpecialObject(const SObj& object) = 0;
  virtual void SendDig(int16 x, int16 y, int16 radius) = 0;
  // Open play: an own object's picture (sprite number `tile`, top left
  // corner at x, y) that goes into the level.
  virtual void SendDrawing(int32 tile, int32 x, int32 y) = 0;
  virtual void SendKill(int16 killer, int16 victim) = 0;
  virtual void SendChat(const std::string& text) = 0;
};

// Lets every event pass unseen: a local game without sound, a test.
class NoEvents : public SimulationEvents {
 public:
  void Sound(int16) override {}
  void SendShot(const Shot&) override {}
  void SendObject(const Obj&) override {}
  void SendSpecialObject(const SObj&) override {}
  void SendDig(int16, int16, int16) override {}
  void SendDrawing(int32, int32, int32) override {}
  void SendKill(int16, int16) override {}
  void SendChat(const std::string&) override {}
};

}  // namespace krel
