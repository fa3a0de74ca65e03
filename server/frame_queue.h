// The frames a pipelined session has waiting (protocol/pipelined.h): whole
// frames, the states of both worms, queued in order instead of one state
// per slot that a newer one overwrites. A cycle takes the oldest queued
// frame of every pipelined session.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>

#include "protocol/worm_codec.h"

namespace krel {

struct QueuedState {
  char tag = 'p';
  WormRecord worm;
  // On the first worm's state: the client started its game again with this
  // frame, so the score it reports is the new game's.
  bool new_game = false;
};
// The client's first and second worm.
using QueuedFrame = std::array<QueuedState, 2>;

class FrameQueue {
 public:
  // At most `bound` frames wait; one more is folded into the newest.
  explicit FrameQueue(std::size_t bound);

  // Worm 0 or 1 as the client last sent it: what its next state is decoded
  // against (the client compares with what it sent, not with the slot).
  WormRecord& Received(int worm) { return received_[static_cast<std::size_t>(worm & 1)]; }
  // A state of the frame being received; the second worm's completes the
  // frame. True when a frame was completed.
  bool Add(int worm, char tag, const WormRecord& record);
  // The client said it starts its game again: the next frame completed is
  // the new game's first.
  void MarkNewGame() { new_game_ = true; }

  bool Ready() const { return !frames_.empty(); }
  QueuedFrame Pop();
  std::size_t size() const { return frames_.size(); }
  // Frames folded into a newer one because the queue was full.
  std::int64_t folded() const { return folded_; }

 private:
  std::size_t bound_;
  std::deque<QueuedFrame> frames_;
  QueuedFrame building_{};
  bool new_game_ = false;
  std::array<WormRecord, 2> received_{};
  std::int64_t folded_ = 0;
};

}  // namespace krel
