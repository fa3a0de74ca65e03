#include "client/state/world.h"

#include "platform/platform.h"

namespace krel {

void Player::SetName(const std::string& name) {
  Name = name.substr(0, kNameLength);
  Name.resize(kNameLength, ' ');
}

double World::Rand(int /*player*/) {
  // 53 random bits give every double in [0, 1) on a uniform grid.
  return static_cast<double>(rng() >> 11) * (1.0 / 9007199254740992.0);
}

SimulationEvents& World::Events() {
  static NoEvents none;
  return events != nullptr ? *events : none;
}

std::uint32_t TickCount(const World& w) { return w.platform != nullptr ? w.platform->TickCount() : 0; }

void World::ResetEntityTables() {
  Shots.assign(1, Shot{});
  Objs.assign(1, Obj{});
  SObjs.assign(1, SObj{});
}

}  // namespace krel
