// Server discovery: listens for the relay servers' announcements on the
// local network and keeps the list the server-address screen shows.
#pragma once

#include "client/core/world.h"

namespace krel {

// Starts listening; called once at program start.
void LoadServerWatch(World& w);

}  // namespace krel
