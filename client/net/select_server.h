// The server-address screen: the player types the address of a relay
// server (the announced ones are listed below it) and connects with Enter.
#pragma once

#include "client/core/world.h"

namespace krel {

// Returns with the connection open, the greeting and this client's
// settings sent and ConfigReceived false; or, after Escape (or without a
// network), with the connection closed.
void SelectServer(World& w);

// One typed character applied to the address: backspace removes the last
// character, a blank, digit or point is appended up to 15 characters, with
// their sounds; anything else is ignored.
void TypeAddressChar(World& w, std::string& address, unsigned char ch);

}  // namespace krel
