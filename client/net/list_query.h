// Asks list servers (krelList) which relay servers are up, for the address
// screen. The list servers come from KREL_LIST_SERVERS or, without it, from
// krel.ini, section "Network", value "ListServers": "HOST" or "HOST:PORT"
// separated by blanks; none by default. Names are looked up without
// blocking; the list is asked again every two seconds while the screen is
// open, and a relay no list server names any more drops out.
//
// A list may be long (a list server keeps up to 10,000 relays): each round
// reads a few pages and the next round goes on where it stopped, so every
// relay is seen within a few rounds, however many entries come before it
// in the list's order. A page tells which relays of its stretch of the list
// are gone, too. The screen shows relays with players and open to join
// first (a running open game with a free place among them), then empty
// ones, then those whose game runs, each group in an order of this screen's
// own, so that nobody's entries stand first on every player's screen by
// their address. Every query asks for the details of the games; a list
// server that does not know them answers as it always did.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <string_view>
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
  // What a newer server tells of its game (a list server of the second
  // version passes it on; the LAN announcements of open_play.h carry it).
  bool detailed = false;
  int play_places = 0, watch_places = 0;
  bool open_play = false, lock_step_paced = false;
};

// The list servers this player asks (at most eight).
std::vector<std::string> ListServerNames(World& w);

// What the address screen says of a server after its address: "(N worms)"
// or "(N worms, GAME RUNNING)" when that is all it tells; for a running open
// game ": 3 OF 8 PLACES", ": WATCH ONLY" or ": FULL"; for another running
// game ": GAME RUNNING"; "(N worms, FULL)" for a game about to start with no
// place left; ", SLOWED" when a client in lock-step sets the game's pace
// (kSlowedNote says so under the list). A row of the longest address and
// port fits the screen's width.
std::string ServerRowText(const std::string& address, const ListedServer& s);
inline constexpr std::string_view kSlowedNote = "SLOWED: A LOCK-STEP PLAYER HOLDS THE GAME BACK";

// The address screen's line for a listed server: its ServerRowText after
// "ADDRESS:PORT".
std::string ListedServerLine(const ListedServer& s);

class ListQuery {
 public:
  static constexpr std::int64_t kRoundMs = 2000;
  // A relay not named for this long drops out although its stretch of the
  // list has not come round again (answers lost on the way): longer than a
  // whole list takes to read.
  static constexpr std::int64_t kForgetMs = 60000;
  // Pages of entries with details (kListMaxDetailedEntries each): about
  // 1,200 relays a round, as many as eight pages of the first version held.
  static constexpr int kPagesPerRound = 11;

  ListQuery(EventLoop& loop, const std::vector<std::string>& list_servers);

  // Starts lookups and queries that are due; call once per screen pass.
  void Poll(std::int64_t now_ms);
  // The relays heard of: open with players first, then open and empty,
  // then running, each group in this query's own shuffled order.
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
    // Where the next page starts: after this key (0: from the beginning).
    std::uint64_t cursor = 0;
  };
  struct Heard {
    ListedServer server;
    std::int64_t seen_ms = 0;
    std::uint32_t sources = 0;  // bit i: list server i names it
  };
  void Arrived(const std::string& datagram, const UdpPeer& from);
  void Ask(Source& s);
  // A page of source `index` covered the keys after `from` up to `to`
  // (inclusive): what it named is heard, what else that source had named
  // there is gone from its list.
  void TakePage(std::size_t index, std::uint64_t from, std::uint64_t to, const std::vector<ListEntry>& entries);

  UdpSocket socket_;
  std::vector<std::unique_ptr<Source>> sources_;
  std::map<std::uint64_t, Heard> heard_;
  std::mt19937 random_;
  std::uint64_t shuffle_;  // this query's order of the relays
  std::int64_t now_ms_ = 0;
};

}  // namespace krel
