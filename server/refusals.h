// Connections turned away while a game runs. Each gets one chat line that
// every client shows, then the end of the stream. Closing at once with the
// client's greeting unread would reset the connection and could lose the
// line, so each is read (and the bytes dropped) until the client closes or
// a short while has passed.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "protocol/net_sockets.h"

namespace krel {

class Refusals {
 public:
  // At most this many are kept waiting; more are closed at once, so a flood
  // of connections holds no more descriptors than this.
  static constexpr std::size_t kMaxWaiting = 16;
  // Ticks (of the server's 100 ms timer) one may wait for the client to close.
  static constexpr int kWaitTicks = 20;

  explicit Refusals(EventLoop& loop) : loop_(loop) {}
  void Add(TcpRequest& request, std::string_view line);
  void Tick();
  std::size_t Waiting() const { return entries_.size(); }

 private:
  struct Entry {
    std::unique_ptr<TcpConnection> conn;
    int ticks = 0;
    bool done = false;
  };
  void Sweep();

  EventLoop& loop_;
  std::vector<std::unique_ptr<Entry>> entries_;
};

}  // namespace krel
