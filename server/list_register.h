// krelServer --register: tells list servers (krelList) every few seconds
// that this relay is up, how many worm slots are in use and whether a game
// runs, and, in a datagram of its own that older list servers drop, the
// game's details: places to play and to watch, open play, a lock-step
// client setting the pace. A list server counts a registration only once
// it carries the token that the list server sent to this relay's address
// and port, so the first registration is answered with a token and sent
// again at once with it (the details carry the same token).
//
// A list server's name is looked up in the background, never at the cost of
// the relay: a name that does not resolve is tried again after 5 s, then
// after twice as long each time up to 5 minutes, and every failure is
// logged; a name that did resolve is looked up again every 10 minutes (a
// list server that moves is found again), keeping the address it had while
// a new lookup fails. A list server that does not list this relay says why
// and the relay logs it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "protocol/list_wire.h"
#include "protocol/net_loop.h"
#include "protocol/net_sockets.h"
#include "protocol/resolver.h"

namespace krel {

struct RegistrarTiming {
  int interval_ms = 5000;     // a registration to every list server
  int check_ms = 250;         // lookups under way are looked at this often
  int first_retry_ms = 5000;  // after a failed lookup; doubles up to max_retry_ms
  int max_retry_ms = 300000;
  int reresolve_ms = 600000;       // a name that resolved is looked up again
  int refusal_repeat_ms = 600000;  // the same refusal is logged again after this long
};

class ListRegistrar {
 public:
  struct Status {
    int worms = 0;
    bool running = false;
    int players = 0, play_places = 0, watch_places = 0;
    bool open_play = false, lock_step_paced = false;
  };

  ListRegistrar(EventLoop& loop, RegistrarTiming timing = {}, Resolver::LookupFunction lookup = &Resolver::Lookup);
  // Sends the withdrawal to every list server that took a registration.
  ~ListRegistrar();

  // "HOST" or "HOST:PORT" (default port 17385). False with the reason only
  // when it cannot be a list server's address at all; the name is looked up
  // once Start runs, in the background.
  bool Add(const std::string& target, std::string* error);
  // Opens the socket, starts the lookups and registers every interval.
  bool Start(std::uint16_t tcp_port, const std::string& bind_address, std::function<Status()> status,
             std::string* error);
  bool empty() const { return targets_.empty(); }

  // Log lines: lookups that failed, a list server's new address, refusals.
  std::function<void(const std::string& line)> on_event;

 private:
  struct Target {
    std::string name, host;
    UdpPeer peer;  // address 0 until the name has resolved once
    std::unique_ptr<Resolver> resolver;
    bool looking_up = false;
    std::int64_t next_lookup_ms = 0;
    int retry_ms = 0;
    ListToken token{};
    bool has_token = false;
    std::int64_t last_resend_ms = -1000000;
    ListRefusal refusal = ListRefusal::kNone;  // the last one logged
    std::int64_t refusal_logged_ms = 0;
    int unrefused = 0;  // registrations since the last refusal
  };
  void SendAll();
  void CheckLookups();
  void Send(Target& t, bool withdraw);
  void Arrived(const std::string& datagram, const UdpPeer& from);
  void Log(const std::string& line);

  RegistrarTiming timing_;
  Resolver::LookupFunction lookup_;
  UdpSocket socket_;
  Timer timer_, check_;
  std::vector<Target> targets_;
  std::uint16_t tcp_port_ = 0;
  std::function<Status()> status_;
};

}  // namespace krel
