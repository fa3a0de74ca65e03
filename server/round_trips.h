// The round trip of one pipelined client that asked for it
// (protocol/round_trip.h): probes sent after batches, answers timed.
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
  // Milliseconds, smoothed over the last answers; -1 before the first.
  int ms() const { return ms_; }

 private:
  bool enabled_ = false;
  bool probe_out_ = false;
  bool probed_ = false;
  std::uint32_t probe_stamp_ = 0;
  std::uint32_t probe_sent_ = 0;
  int ms_ = -1;
};

}  // namespace krel
