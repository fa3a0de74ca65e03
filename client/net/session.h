// The client's side of a network game: the per-frame send, chat lines and
// the end of the connection.
#pragma once

#include <cstdint>
#include <string>

#include "client/state/world.h"

namespace krel {

// Once per frame: in a network game sends this client's events and its two
// worms and clears NetFrameReady; in a local game only sets NetFrameReady.
void SendMyData(World& w);

// The connection was closed by the server or timed out: closes it and shows
// "NETWORK CONNECTION LOST"; the game goes on as a local game.
void ConnectionLost(World& w);

// The server agreed to pipelined play (its "P" with the mode's version):
// from now on frames do not wait for batches. Ignored when this client did
// not ask for it.
void StartPipelined(World& w, int version);
// Pipelined play: true when no batch has come for more than `ms`
// milliseconds (the connection counts as lost, as a lock-step frame's
// two-second wait does).
bool BatchOverdue(World& w, std::uint32_t ms);
// After the restart for a new set of worms: handles what arrived meanwhile.
void ResumeReceiving(World& w);

// A file the server names differs from this client's own and has been asked
// for, but has not come yet: the game does not start on the wrong one.
bool ServerFilesAwaited(const World& w);

// True once after a batch brought a new set of worms: the caller (the frame
// loop, between frames) restarts the game state for them.
bool TakeRestart(World& w);
// True once when a joined game's level came from the server: the set-up
// keeps it instead of loading the level file.
bool TakeServerLevel(World& w);
// True while this client watches a network game (it has no worms of its
// own there: worms 1 and 2 are the first two of the game).
bool Watching(const World& w);
// While watching: the places to play that the game has free (two worms for
// each of eight clients; the worms it shows are all the game's). 0 when it
// is not watching.
int FreePlacesToPlay(const World& w);
// The folder of the level this game's server named, or empty (the
// player's own level.bmp).
std::string ServerLevelFolder(const World& w);
// The game's server named a weapon file: its tables replace the game's
// (once per connection). True when they did; false, with nothing changed,
// when there is none or it cannot be read (said in `error`).
bool UseServerArms(World& w, std::string& error);
// True once after a game whose tables came from its server: the caller
// loads the player's own weapon file again.
bool TakeServerArmsUsed(World& w);
// Closes the game connection, if one is open.
void CloseConnection(World& w);

// Sends a chat line of this client's to the relay, which shows it on every
// client of the game (client/state/chat.h).
void SendChatLine(World& w, const std::string& text);

}  // namespace krel
