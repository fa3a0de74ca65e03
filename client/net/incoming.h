// Decoding what the server sends: the events relayed in a batch, which are
// applied as if they had happened here (Origin::kNetwork), and the game's
// configuration.
#pragma once

#include "client/state/world.h"
#include "protocol/field_codec.h"

namespace krel {

// A relayed "w", "o", "s" or "d" body (tag already taken), for the worm
// `owner` of this client's numbering. Nothing is applied when the body is
// cut short (in.Incomplete).
void AddShotFromString(World& w, WireReader& in, int16 owner);
void AddObjectFromString(World& w, WireReader& in, int16 owner);
void AddSObjectFromString(World& w, WireReader& in, int16 owner);
void DigFromString(World& w, WireReader& in, int16 owner);

// A "C" body: the game's lives, loading time and load-and-change switch;
// sets ConfigReceived when complete.
void ParseConfigData(World& w, WireReader& in);

// Handles everything that has arrived: whole messages are acted on, a cut
// one waits for the rest. Returns false when the data cannot be a batch of
// this game (more worms than the table holds, more work than
// kBatchEventBound, a dig larger than any game digs, more than
// kMaxReceiveBuffer bytes waiting for the end of a message), and the
// connection must end.
bool ProcessReceived(World& w);

}  // namespace krel
