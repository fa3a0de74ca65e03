// Round-trip times, measured by the relay for pipelined clients that ask
// (with the third "C" of the pipelined handshake, which asks for open play
// too: protocol/pipelined.h):
//
//   server -> client   "G" stamp[5]               a probe, about once a second,
//                                                 after a batch
//   client -> server   "G" stamp[5]               the same stamp, at once
//   server -> client   "M" count, ms[4] x count   after a batch, now and then:
//                                                 each worm's client's round
//                                                 trip in the batch's order
//                                                 (own worms first; a
//                                                 spectator's in slot order),
//                                                 -1 unknown
//
// A server that does not know this answers the third "C" like every other
// "C" (the client takes the same settings again) and never sends "G", so
// the client never answers one; a lock-step client sends no third "C" and
// never sees "G" or "M". The stamp is the server's millisecond clock, kept
// within kind 5's range.
#pragma once

#include <cstdint>

namespace krel {

// The server probes each asking client this often.
inline constexpr std::uint32_t kRoundTripProbeMs = 1000;
// A probe unanswered for this long is given up and sent anew.
inline constexpr std::uint32_t kRoundTripProbeLostMs = 10000;
// The round trips go out with every this many batches (about twice a second).
inline constexpr std::int64_t kRoundTripEveryBatches = 12;
// Kind 5 carries 0..2^31-1.
inline constexpr std::uint32_t kRoundTripStampMask = 0x7FFFFFFF;

}  // namespace krel
