#include "client/net/predictions.h"

#include <algorithm>

namespace krel {

namespace {
// Far more than a frame's own events; beyond it the oldest are given up.
constexpr std::size_t kMaxWaiting = 4096;
}  // namespace

void Predictions::Remember(char tag, int16 owner, std::string_view body, std::uint32_t now) {
  Expire(now);
  if (waiting_.size() >= kMaxWaiting) waiting_.pop_front();
  waiting_.push_back({tag, owner, std::string(body), now});
}

bool Predictions::MatchEcho(char tag, int16 owner, std::string_view body, std::uint32_t now) {
  Expire(now);
  // Echoes come in the order sent; searching on past the front only matters
  // when the relay dropped one.
  const auto it = std::find_if(waiting_.begin(), waiting_.end(), [&](const PredictedEvent& e) {
    return e.tag == tag && e.owner == owner && e.body == body;
  });
  if (it == waiting_.end()) return false;
  waiting_.erase(it);
  return true;
}

void Predictions::Expire(std::uint32_t now) {
  while (!waiting_.empty() && now - waiting_.front().sent > kPredictionLifeMs) waiting_.pop_front();
}

}  // namespace krel
