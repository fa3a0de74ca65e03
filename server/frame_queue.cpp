#include "server/frame_queue.h"

#include <algorithm>

#include "server/relay.h"
#include "server/session.h"

namespace krel {

namespace {

// A folded frame keeps the fuller of two kinds of state message, so that
// nothing the dropped one changed is lost to the receivers.
int Fullness(char tag) { return tag == 'p' ? 2 : tag == 'i' ? 1 : 0; }

}  // namespace

FrameQueue::FrameQueue(std::size_t bound) : bound_(std::max<std::size_t>(bound, 1)) {}

bool FrameQueue::Add(int worm, char tag, const SlotRecord& record) {
  const std::size_t k = static_cast<std::size_t>(worm & 1);
  building_[k] = QueuedState{tag, record};
  if (k == 0) return false;
  if (frames_.size() < bound_) {
    frames_.push_back(building_);
  } else {
    // The client is ahead of the game by more than the queue holds (another
    // client is slow, or it sends too fast): its newest state replaces the
    // newest queued one, as a newer state replaces an older one in lock-step.
    QueuedFrame& last = frames_.back();
    for (std::size_t i = 0; i < 2; ++i) {
      const char tag_kept = Fullness(last[i].tag) > Fullness(building_[i].tag) ? last[i].tag : building_[i].tag;
      last[i] = building_[i];
      last[i].tag = tag_kept;
    }
    ++folded_;
  }
  return true;
}

QueuedFrame FrameQueue::Pop() {
  QueuedFrame f = frames_.front();
  frames_.pop_front();
  return f;
}

void EncodeSlotUpdate(std::string& update, char tag, const SlotRecord& worm, SlotRecord& sent, WormRefs refs) {
  update.assign(1, tag);
  if (tag == 'p')
    EncodeWormFull(update, worm, sent, refs);
  else if (tag == 'i')
    EncodeWormBrief(update, worm, sent, refs);
  else
    EncodeWormInputs(update, worm, sent, refs);
}

bool Session::AskedForPipelining() {
  ++configs_;
  if (configs_ != 2 || any_state_ || frames_ || relay_.limits_.queued_frames == 0) return false;
  frames_ = std::make_unique<FrameQueue>(relay_.limits_.queued_frames);
  std::string reply = "P";
  AppendRawByte(reply, kPipelineVersion);
  link_->Send(reply);
  relay_.CountOut(reply.size());
  relay_.hooks_.Event(Who() + " plays pipelined");
  return true;
}

bool Session::TakeQueuedState(std::size_t& pos, char tag) {
  std::string_view body = std::string_view(RecvBuffer).substr(pos + 1);
  WireReader in(body);
  SlotRecord worm = frames_->Received(SlotToggle);
  DecodeWormState(tag, in, worm);
  if (in.Incomplete) return false;
  pos += 1 + in.Consumed(body);
  frames_->Received(SlotToggle) = worm;
  LastDataTick = Ticks;
  grace = false;
  const bool was_ready = frames_->Ready();
  const bool complete = frames_->Add(SlotToggle, tag, worm);
  // Its wait for the others starts with the first frame that queues.
  if (complete && !was_ready) waiting_since = relay_.ticks_;
  SlotToggle = 1 - SlotToggle;
  // A whole frame may complete the cycle the others are waiting in.
  if (complete) relay_.IGotData(-1);
  return true;
}

void Session::StoreFrame(const QueuedFrame& frame) {
  for (int i = 0; i < 2; ++i) {
    const int s = FirstSlot + i;
    if (s < 1 || s > kLastSlot) continue;
    SlotRecord& slot = t_.Slots[s];
    SlotRecord worm = frame[static_cast<std::size_t>(i)].worm;
    // The score is the server's (see frame_queue.h), unless the client has
    // just begun its game.
    if (score_taken_ && worm.Age > slot.Age) {
      worm.Lives = slot.Lives;
      worm.Kills = slot.Kills;
    }
    worm.PendingKills = slot.PendingKills;
    worm.PendingDeaths = slot.PendingDeaths;
    slot = worm;
    applyKills(s);
    EncodeSlotUpdate(t_.SlotUpdate[s], frame[static_cast<std::size_t>(i)].tag, slot, t_.SentSlots[s],
                     t_.SendWhole[s] ? WormRefs::Whole : WormRefs::Server);
    if (relay_.listening_ && slot.Alive != kFalse) relay_.GameStarted();
  }
  score_taken_ = true;
}

int Relay::QueuedStates() const {
  int n = 0;
  for (const auto& s : sessions_) {
    if (s->frames_ && s->frames_->Ready() && s->end_reason.empty()) n += 2;
  }
  return n;
}

void Relay::TakeQueuedFrames() {
  for (auto& s : sessions_) {
    if (s->frames_ && s->frames_->Ready() && s->end_reason.empty()) s->StoreFrame(s->frames_->Pop());
  }
}

}  // namespace krel
