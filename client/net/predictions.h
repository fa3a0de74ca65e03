// Pipelined play: the shots, objects and special objects that this client's
// own worms created, applied at once and sent (client/state/prediction.h).
// The batch brings each back as the server relays it, byte for byte as it
// was sent less the owner; that echo is matched to its prediction and
// dropped, so it never makes a second one.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "protocol/base/numbers.h"

namespace krel {

struct PredictedEvent {
  char tag = 'w';
  int16 owner = 1;
  std::string body;  // the fields as sent, without the owner
  std::uint32_t sent = 0;
};

// An echo never comes later than this after its event was sent (a batch
// that late ends the connection); older predictions are given up.
inline constexpr std::uint32_t kPredictionLifeMs = 10000;

class Predictions {
 public:
  void Remember(char tag, int16 owner, std::string_view body, std::uint32_t now);
  // True (and the prediction is used up) when the relayed event `body` of
  // the own worm `owner` is the echo of a prediction.
  bool MatchEcho(char tag, int16 owner, std::string_view body, std::uint32_t now);
  std::size_t size() const { return waiting_.size(); }
  void clear() { waiting_.clear(); }

 private:
  void Expire(std::uint32_t now);
  std::deque<PredictedEvent> waiting_;
};

}  // namespace krel
