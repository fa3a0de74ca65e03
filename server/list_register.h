// krelServer --register: tells list servers (krelList) every few seconds
// that this relay is up, how many worm slots are in use and whether a game
// runs. A list server counts a registration only once it carries the token
// that the list server sent to this relay's address and port, so the first
// registration is answered with a token and sent again at once with it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "protocol/list_wire.h"
#include "protocol/net_loop.h"
#include "protocol/net_sockets.h"

namespace krel {

class ListRegistrar {
 public:
  struct Status {
    int worms = 0;
    bool running = false;
  };

  ListRegistrar(EventLoop& loop, int interval_ms);
  // Sends the withdrawal to every list server that took a registration.
  ~ListRegistrar();

  // "HOST" or "HOST:PORT" (default port 17385), looked up now (this runs
  // once, at start-up). False with the reason when it cannot be used.
  bool Add(const std::string& target, std::string* error);
  // Opens the socket and registers at once, then every interval.
  bool Start(std::uint16_t tcp_port, const std::string& bind_address, std::function<Status()> status,
             std::string* error);
  bool empty() const { return targets_.empty(); }

 private:
  struct Target {
    std::string name;
    UdpPeer peer;
    ListToken token{};
    bool has_token = false;
    std::int64_t last_resend_ms = -1000000;
  };
  void SendAll();
  void Send(Target& t, bool withdraw);
  void Arrived(const std::string& datagram, const UdpPeer& from);

  UdpSocket socket_;
  Timer timer_;
  std::vector<Target> targets_;
  std::uint16_t tcp_port_ = 0;
  std::function<Status()> status_;
};

}  // namespace krel
