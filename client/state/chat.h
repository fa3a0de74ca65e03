// The chat area's lines and the end-of-game log of every line shown.
#pragma once

#include <string>

#include "client/state/world.h"

namespace krel {

// Adds a chat line: it takes the first empty entry of ChatLines(1..10), with
// ChatTimes = Age of player 1; when all ten are in use it is dropped. In a
// network game a line of this client's own (Origin::kLocal) is sent to the
// relay instead and shown when it comes back, on every client alike.
void AddChatMsg(World& w, const std::string& text, Origin origin);

// Shows a line on this client only (what the relay sent, a notice of this
// client's own): the first empty entry, as above.
void ShowChatLine(World& w, const std::string& text);

}  // namespace krel
