// Pipelined play, the one handshake both programs must agree on besides the
// codec. A client that runs its frames without waiting for the batches
// (over a slow link) keeps several frames in flight; the server then queues
// its frames instead of keeping only its latest state.
//
// The handshake, right after connecting:
//
//   client -> server   "$KREL0.82.0.0"            greeting
//   client -> server   "C" lives loading landc    the client's settings
//   client -> server   "C" lives loading landc    the same once more: asks for the mode
//   server -> client   "C" lives loading landc    the game's settings (answers the first)
//   server -> client   "P" version                raw byte kPipelineVersion: the mode is on
//
// A lock-step client sends its "C" once. A server that does not know the
// mode, or plays every client in lock-step, answers the second "C" like the
// first and the client stays in lock-step; a client ignores a "P" of
// another version. Nothing else on the wire changes: the client sends its
// events and two "p" per frame, every client gets the same batches.
//
// A pipelined client reports Lives and Kills as it last heard them, up to a
// round trip late, so the server keeps the score of its worms itself
// (server/pipelined_session.h). Since version 2 the client says when it
// starts its game again (after a batch with a new set of worms), so that
// the server takes the new game's score from it:
//
//   client -> server   "R"                        before the first frame of the new game
//
// A client sends "R" only to a server that answered with version 2 or
// later; a lock-step session never sends it and a server ends a lock-step
// session that does, as for any unknown message. Version 1 servers judged
// the restart from the worms' Age, which wraps on the wire after 55 minutes
// of play; a client still plays pipelined with them, without "R".
//
// A pipelined client sends its "C" a third time, right after the second,
// and never a fourth. That one "C" asks for everything newer than the mode
// at once:
//
//   client -> server   "C" lives loading landc    the third: round trips and open play
//   server -> client   "O" version ...            open play is on (protocol/open_play.h)
//
// The server then probes the session's round trip ("G", and sends the
// table "M": protocol/round_trip.h) and answers "O" when it plays open (a
// client joining a running game hears it with the level instead). A server
// that knows neither answers the third "C" like the first and never sends
// "G", "M" or "O". A lock-step client never sends the third "C" and never
// sees any of these.
#pragma once

namespace krel {

inline constexpr int kPipelineVersion = 2;
// The oldest version of the mode a client still plays.
inline constexpr int kOldestPipelineVersion = 1;
// The first version in which the client says "R".
inline constexpr int kRestartMessageVersion = 2;

}  // namespace krel
