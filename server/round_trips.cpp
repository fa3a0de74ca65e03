#include "server/round_trips.h"

#include <algorithm>
#include <chrono>

#include "protocol/field_codec.h"
#include "protocol/round_trip.h"
#include "server/relay.h"

namespace krel {

std::uint32_t RelayHooks::NowMs() {
  using namespace std::chrono;
  return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void RoundTrips::AfterBatch(std::string& out, std::uint32_t now, std::int64_t batch, const std::vector<int>& ms) {
  if (!enabled_) return;
  const bool due = !probed_ || (!probe_out_ && now - probe_sent_ >= kRoundTripProbeMs) ||
                   (probe_out_ && now - probe_sent_ >= kRoundTripProbeLostMs);
  if (due) {
    probed_ = probe_out_ = true;
    probe_sent_ = now;
    probe_stamp_ = now & kRoundTripStampMask;
    out += 'G';
    AppendFieldWhole(out, static_cast<int32>(probe_stamp_), KindLong);
  }
  if (batch % kRoundTripEveryBatches != 0 || ms.empty()) return;
  out += 'M';
  AppendRawByte(out, static_cast<int>(ms.size()));
  for (int v : ms) AppendFieldWhole(out, std::clamp(v, -1, 32767), KindShort);
}

void RoundTrips::Answered(std::uint32_t stamp, std::uint32_t now) {
  if (!probe_out_ || stamp != probe_stamp_) return;
  probe_out_ = false;
  Sample(now - probe_sent_);
}

void RoundTrips::BatchSent(std::uint32_t now) {
  batch_out_ = true;
  batch_sent_ = now;
}

void RoundTrips::StatesIn(std::uint32_t now) {
  if (!batch_out_) return;
  batch_out_ = false;
  Sample(now - batch_sent_);
}

void RoundTrips::Sample(std::uint32_t ms) {
  const double sample = std::min<std::uint32_t>(ms, 32767);
  // Smoothed, so that one late answer (the client was loading its level)
  // does not make the number jump.
  ms_ = ms_ < 0 ? sample : (3 * ms_ + sample) / 4;
}

}  // namespace krel
