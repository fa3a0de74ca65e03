// Pipelined sessions: a client that plays its frames without waiting for
// the batches keeps several frames in flight, so its session queues whole
// frames (the states of both worms) instead of keeping one state per slot
// that a newer one overwrites. A cycle takes the oldest queued frame of every
// pipelined session; lock-step sessions take part as they always did.
//
// How a client asks for it: right after its greeting it sends its "C"
// message twice. A client that plays in lock-step sends it once. A server
// that does not know this mode answers the second "C" like the first, with
// the game's settings, and the client stays in lock-step; this server
// answers it with "P" and the mode's version (one raw byte), and from then on
// the session queues frames. Nothing else on the wire changes: the client
// sends its events and two "p" per frame, every client gets the same batches.
//
// What the server keeps itself in this mode: a pipelined client reports
// Lives and Kills as it last heard them, up to a round trip late, so the
// slot keeps the server's own score; the client's values count only on its
// first frame and when it has started its game again (its worms' Age went
// back, which every client does when the set of worms changes).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

#include "protocol/pipelined.h"
#include "server/tables.h"

namespace krel {

struct QueuedState {
  char tag = 'p';
  SlotRecord worm;
};
// The client's first and second worm.
using QueuedFrame = std::array<QueuedState, 2>;

class FrameQueue {
 public:
  // At most `bound` frames wait; one more is folded into the newest.
  explicit FrameQueue(std::size_t bound);

  // Worm 0 or 1 as the client last sent it: what its next state is decoded
  // against (the client compares with what it sent, not with the slot).
  SlotRecord& Received(int worm) { return received_[static_cast<std::size_t>(worm & 1)]; }
  // A state of the frame being received; the second worm's completes the
  // frame. True when a frame was completed.
  bool Add(int worm, char tag, const SlotRecord& record);

  bool Ready() const { return !frames_.empty(); }
  QueuedFrame Pop();
  std::size_t size() const { return frames_.size(); }
  // Frames folded into a newer one because the queue was full.
  std::int64_t folded() const { return folded_; }

 private:
  std::size_t bound_;
  std::deque<QueuedFrame> frames_;
  QueuedFrame building_{};
  std::array<SlotRecord, 2> received_{};
  std::int64_t folded_ = 0;
};

// The relayed state message of a slot (tag and body), encoded with the
// encoder of its tag.
void EncodeSlotUpdate(std::string& update, char tag, const SlotRecord& worm, SlotRecord& sent, WormRefs refs);

}  // namespace krel
