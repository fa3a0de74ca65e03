// Where the simulation's reports go in the running game: sounds to the sound
// player, requests of this client's own worms to the network session.
#pragma once

#include "client/state/sim_events.h"
#include "client/state/world.h"

namespace krel {

class ClientEvents : public SimulationEvents {
 public:
  explicit ClientEvents(World& w) : w_(w) {}

  void Sound(int16 number) override;
  void SendShot(const Shot& shot) override;
  void SendObject(const Obj& object) override;
  void SendSpecialObject(const SObj& object) override;
  void SendDig(int16 x, int16 y, int16 radius) override;
  void SendDrawing(int32 tile, int32 x, int32 y) override;
  void SendKill(int16 killer, int16 victim) override;
  void SendChat(const std::string& text) override;

 private:
  World& w_;
};

// Makes `events` the world's sink for its lifetime, unless the world has one
// already (a test's or a tool's own), and restores what was there after.
class EventsScope {
 public:
  explicit EventsScope(World& w) : w_(w), events_(w), previous_(w.events) {
    if (previous_ == nullptr) w_.events = &events_;
  }
  ~EventsScope() {
    if (w_.events == &events_) w_.events = previous_;
  }
  EventsScope(const EventsScope&) = delete;
  EventsScope& operator=(const EventsScope&) = delete;

 private:
  World& w_;
  ClientEvents events_;
  SimulationEvents* previous_;
};

}  // namespace krel
