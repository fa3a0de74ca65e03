#include "server/frame_queue.h"

#include <algorithm>
#include <utility>

namespace krel {

namespace {

// A folded frame keeps the fuller of two kinds of state message, so that
// nothing the dropped one changed is lost to the receivers.
int Fullness(char tag) { return tag == 'p' ? 2 : tag == 'i' ? 1 : 0; }

}  // namespace

FrameQueue::FrameQueue(std::size_t bound) : bound_(std::max<std::size_t>(bound, 1)) {}

bool FrameQueue::Add(int worm, char tag, const WormRecord& record) {
  const std::size_t k = static_cast<std::size_t>(worm & 1);
  building_[k] = QueuedState{tag, record};
  if (k == 0) return false;
  building_[0].new_game = std::exchange(new_game_, false);
  if (frames_.size() < bound_) {
    frames_.push_back(building_);
  } else {
    // The client is ahead of the game by more than the queue holds (another
    // client is slow, or it sends too fast): its newest state replaces the
    // newest queued one, as a newer state replaces an older one in lock-step.
    QueuedFrame& last = frames_.back();
    const bool new_game = last[0].new_game || building_[0].new_game;
    for (std::size_t i = 0; i < 2; ++i) {
      const char tag_kept = Fullness(last[i].tag) > Fullness(building_[i].tag) ? last[i].tag : building_[i].tag;
      last[i] = building_[i];
      last[i].tag = tag_kept;
    }
    last[0].new_game = new_game;
    ++folded_;
  }
  return true;
}

QueuedFrame FrameQueue::Pop() {
  QueuedFrame f = frames_.front();
  frames_.pop_front();
  return f;
}

}  // namespace krel
