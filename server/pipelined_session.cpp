#include "server/pipelined_session.h"

#include <algorithm>

namespace krel {

PipelinedSession::Taken PipelinedSession::TakeState(char tag, WireReader& in, int worm) {
  WormRecord state = frames_.Received(worm);
  // The client compares Lives with its last-sent value plus 50
  // (protocol/worm_codec.h): "unchanged" means that value, as when a game
  // with 50 lives starts. Read as the last value, the server's score of
  // such worms would start at 0.
  state.Lives = static_cast<int16>(std::min(32767, state.Lives + 50));
  DecodeWormState(tag, in, state);
  if (in.Incomplete) return Taken::kIncomplete;
  frames_.Received(worm) = state;
  return frames_.Add(worm, tag, state) ? Taken::kFrame : Taken::kState;
}

QueuedFrame PipelinedSession::NextFrame(const WormRecord& first_slot, const WormRecord& second_slot) {
  QueuedFrame frame = frames_.Pop();
  const WormRecord* slots[2] = {&first_slot, &second_slot};
  // A joiner's slots were given the game's score; its own first states may
  // not carry it.
  const bool clients_score = (!frame_stored_ || frame[0].new_game) && !keep_score_;
  for (std::size_t i = 0; i < 2; ++i) {
    WormRecord& worm = frame[i].worm;
    if (!clients_score) {
      worm.Lives = slots[i]->Lives;
      worm.Kills = slots[i]->Kills;
    }
  }
  frame_stored_ = true;
  keep_score_ = false;
  return frame;
}

}  // namespace krel
