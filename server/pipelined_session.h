// The pipelined side of one session (handshake: protocol/pipelined.h): the
// client's states are decoded against what it last sent and queued as
// whole frames, and a cycle takes the oldest frame for the session's slots.
//
// The score is the server's: a pipelined client reports Lives and Kills as
// it last heard them, up to a round trip late, so a stored frame keeps the
// slot's score. The client's values count only on its first frame and when
// it has started its game again (its worms' Age went back, which every
// client does when the set of worms changes).
#pragma once

#include <cstddef>

#include "protocol/field_codec.h"
#include "server/frame_queue.h"

namespace krel {

class PipelinedSession {
 public:
  explicit PipelinedSession(std::size_t bound) : frames_(bound) {}

  enum class Taken { kIncomplete, kState, kFrame };
  // Decodes the state message of `tag` for the client's worm 0 or 1 from
  // `in` and queues it; kFrame when it completed a frame. Nothing of an
  // incomplete message is kept.
  Taken TakeState(char tag, WireReader& in, int worm);
  // A whole frame waits for the cycle.
  bool FrameWaiting() const { return frames_.Ready(); }
  // The oldest frame, its score made the server's against the current
  // states of the slots it goes into.
  QueuedFrame NextFrame(const WormRecord& first_slot, const WormRecord& second_slot);
  // A client joining a running game: the score its slots were given counts
  // from its first frame on (its own first states may not carry its lives).
  void KeepServerScore() { keep_score_ = true; }

 private:
  FrameQueue frames_;
  bool frame_stored_ = false;
  bool keep_score_ = false;
};

}  // namespace krel
