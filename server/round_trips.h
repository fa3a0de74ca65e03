// The round trip of one client. A pipelined client that asked for it
// (protocol/round_trip.h) answers probes sent after batches. A lock-step
// client is timed from its batch to its next frame's states, which it sends
// as soon as the batch is in and its 40 ms frame is over: the round trip,
// or the frame when that is longer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace krel {

class RoundTrips {
 public:
  void Enable() { enabled_ = true; }
  bool enabled() const { return enabled_; }
  // What follows the batch numbered `batch` to this client: a probe when one
  // is due, the table of round trips (`ms`, in the batch's order) now and then.
  void AfterBatch(std::string& out, std::uint32_t now, std::int64_t batch, const std::vector<int>& ms);
  // The client answered a probe; an answer to no probe of ours is ignored.
  void Answered(std::uint32_t stamp, std::uint32_t now);
  // Lock-step: a batch went out; the client's states of its next frame are in.
  void BatchSent(std::uint32_t now);
  void StatesIn(std::uint32_t now);
  // Milliseconds, smoothed over the last answers; -1 before the first.
  int ms() const { return ms_ < 0 ? -1 : static_cast<int>(ms_ + 0.5); }

 private:
  bool enabled_ = false;
  bool probe_out_ = false;
  bool probed_ = false;
  std::uint32_t probe_stamp_ = 0;
  std::uint32_t probe_sent_ = 0;
  bool batch_out_ = false;
  std::uint32_t batch_sent_ = 0;
  double ms_ = -1;

  void Sample(std::uint32_t ms);
};

}  // namespace krel
