// The pipelined side of one session (handshake: protocol/pipelined.h): the
// client's states are decoded against what it last sent and queued as
// whole frames, and a cycle takes the oldest frame for the session's slots.
//
// The score is the server's: a pipelined client reports Lives and Kills as
// it last heard them, up to a round trip late, so a stored frame keeps the
// slot's score. The client's values count only on its first frame and on
// the first after it said "R": it has started its game again, which every
// client does when the set of worms changes. Nothing is read from the
// worms' Age, which wraps on the wire in a game of an hour.
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
  // "R": the client's next frame starts its game again.
  void NewGame() { frames_.MarkNewGame(); }
  // The oldest frame, its score made the server's against the current
  // states of the slots it goes into.
  QueuedFrame NextFrame(const WormRecord& first_slot, const WormRecord& second_slot);
  // A client joining a running game: its first frame keeps the score its
  // slots were given (its own first states may not carry its lives), "R" or
  // not.
  void KeepServerScore() { keep_score_ = true; }

 private:
  FrameQueue frames_;
  bool frame_stored_ = false;
  bool keep_score_ = false;
};

}  // namespace krel
