// Server discovery: listens for the relay servers' announcements on the
// local network and keeps the list the server-address screen shows.
#pragma once

#include <string>

#include "client/state/world.h"

namespace krel {

// Starts listening on the announcement port; a port already taken (another
// client on this machine) just means no list. Called once at program start.
void LoadServerWatch(World& w);

// One announcement from `sender`: "+" or "-", the version text, and for
// "+" the player count. Updates w.net->ServerList.
void ServerAnnouncement(World& w, const std::string& datagram, const std::string& sender);

// The line the address screen shows for a list entry.
std::string ServerListLine(const std::string& entry);
// The same, for a server whose open game runs: "ADDRESS: 3 OF 8 PLACES" or
// "ADDRESS: FULL".
struct NetClient;
std::string ServerListLine(const NetClient& n, const std::string& entry);

}  // namespace krel
