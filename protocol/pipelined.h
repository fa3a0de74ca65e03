// Pipelined play, the one thing both programs must agree on besides the
// codec: the version byte after the server's "P" (server/frame_queue.h
// tells how a client asks and what changes).
#pragma once

namespace krel {

inline constexpr int kPipelineVersion = 1;

}  // namespace krel
