// Asks list servers (krelList) which relay servers are up, for the address
// screen. The list servers come from KREL_LIST_SERVERS or, without it, from
// krel.ini, section "Network", value "ListServers": "HOST" or "HOST:PORT"
// separated by blanks; none by default. Names are looked up without
// blocking; the list is asked again every two seconds while the screen is
// open, and a relay no list server names any more drops out.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "client/state/world.h"
#include "protocol/list_wire.h"
#include "protocol/net_loop.h"
#include "protocol/net_sockets.h"
#include "protocol/resolver.h"

namespace krel {

struct ListedServer {
  std::string address;  // dotted
  std::uint16_t port = 0;
  int worms = 0;
  bool running = false;
};

// The list servers this player asks (at most eight).
std::vector<std::string> ListServerNames(World& w);

// The address screen's line for a listed server:
// "ADDRESS:PORT (N worms)" or "ADDRESS:PORT (N worms, GAME RUNNING)".
std::string ListedServerLine(const ListedServer& s);

class ListQuery {
 public:
  static constexpr std::int64_t kRoundMs = 2000;
  static constexpr std::int64_t kForgetMs = 7000;
  static constexpr int kPagesPerRound = 8;

  ListQuery(EventLoop& loop, const std::vector<std::string>& list_servers);

  // Starts lookups and queries that are due; call once per screen pass.
  void Poll(std::int64_t now_ms);
  // The relays heard of, in address order.
  std::vector<ListedServer> Servers() const;

 private:
  struct Source {
    std::string host;
    std::uint16_t port = kListPort;
    Resolver resolver;
    bool resolved = false, failed = false;
    UdpPeer peer;
    std::uint32_t nonce = 0;
    int pages = 0;
    std::int64_t next_round_ms = 0;
  };
  struct Heard {
    ListedServer server;
    std::int64_t seen_ms = 0;
  };
  void Arrived(const std::string& datagram, const UdpPeer& from);

  UdpSocket socket_;
  std::vector<std::unique_ptr<Source>> sources_;
  std::map<std::uint64_t, Heard> heard_;
  std::mt19937 random_;
  std::int64_t now_ms_ = 0;
};

}  // namespace krel
