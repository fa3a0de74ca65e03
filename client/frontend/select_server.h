// The server-address screen: the player types the address of a relay
// server, or picks one of the servers heard on the local network or named
// by a list server with the arrow keys, and connects with Enter, to play or
// (Tab) to watch. Under the address it says why the last attempt failed.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "client/state/world.h"

namespace krel {

inline constexpr std::size_t kAddressLength = 63;

// Returns with the connection open, the greeting and this client's
// settings sent and ConfigReceived false; or, after Escape (or without a
// network), with the connection closed. With play_at_once (a spectator
// took a free place) it connects to the last server to play without
// waiting for Enter; a failed attempt stays on the screen with its reason.
void SelectServer(World& w, bool play_at_once = false);

// The notes under the servers: what the LAN and LIST rows are, and which
// list servers are asked, or how to name one when none is.
std::vector<std::string> ServerSourceNotes(const std::vector<std::string>& list_servers);

// One typed character applied to the address: backspace removes the last
// character; a blank, letter, digit, point, minus, underscore or colon (a
// host name, an address, a port) is appended up to 63 characters, with their
// sounds; anything else is ignored.
void TypeAddressChar(World& w, std::string& address, unsigned char ch);

// What Enter does on the address screen. `watching` is the screen's choice
// (Tab switches between playing and watching); `open_places` the free places
// to play and to watch of the chosen server when it announced a running open
// game, else null. Asked to play where only watching is possible, Enter does
// not connect: it switches to watching and says why, so the next Enter
// watches. Anything else connects as chosen and lets the server answer.
struct EnterAction {
  bool connect = false;
  bool watch = false;
  std::string note;  // said under the address; empty when nothing is
  friend bool operator==(const EnterAction&, const EnterAction&) = default;
};
EnterAction ActOnEnter(bool watching, const std::pair<int, int>* open_places);

}  // namespace krel
