// The list server's logic, without sockets: registrations from relay servers
// (counted only after a token round trip), expiry, and paged answers to the
// clients' queries. Every datagram goes in through Datagram(); whatever it
// answers comes back in `reply`. Everything is bounded: entries in all,
// entries per source address and per network (/24), bytes per datagram; a
// datagram that is not well formed changes nothing. An entry belongs to the
// registration that made it (its address and UDP port): nobody else on the
// same host or behind the same router renews, changes or withdraws it.
// A relay that also sends its game's details (places, open play, lock-step
// pace) has them passed on to the clients that ask for details; the others
// get the entries as they always did.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>

#include "protocol/list_wire.h"

namespace krel {

struct ListLimits {
  std::size_t max_entries = 10000;
  std::size_t per_source = 16;
  // A /24 is one site or one hosting customer's block: a fair share of
  // the list for it is two addresses' worth, so that 10,000 entries need
  // more than 300 networks, not 625 addresses.
  std::size_t per_network = 32;
  std::int64_t expire_ms = 30000;
  // Tokens are valid for this long (and one period more), then replaced.
  std::int64_t token_period_ms = 60000;
};

struct ListCounters {
  std::uint64_t datagrams = 0, dropped = 0, tokens_sent = 0, registrations = 0, queries = 0, refused = 0;
};

class ListServer {
 public:
  // `secret`: 16 random bytes that make the tokens unguessable.
  ListServer(ListLimits limits, const std::array<std::uint8_t, 16>& secret);

  // One datagram from `from_address_be`:`from_port` at `now_ms`. `reply` is
  // emptied and filled with the datagram to send back to the sender, if any.
  void Datagram(std::string_view bytes, std::uint32_t from_address_be, std::uint16_t from_port, std::int64_t now_ms,
                std::string& reply);
  // Drops the entries not renewed within the expiry time.
  void Expire(std::int64_t now_ms);

  std::size_t size() const { return entries_.size(); }
  const ListCounters& counters() const { return counters_; }
  // The token a relay at that address and port must send back.
  ListToken TokenFor(std::uint32_t address_be, std::uint16_t port, std::int64_t now_ms) const;

  // Log lines: a relay listed, withdrawn or expired.
  std::function<void(const std::string& line)> on_event;

 private:
  struct Entry {
    ListEntry relay;
    std::uint16_t udp_port = 0;  // the registration's source port
    std::int64_t seen_ms = 0;
    std::int64_t details_ms = 0;  // when the details last came
  };
  // Why a new entry of that address cannot be listed; kNone when it can.
  ListRefusal RoomFor(std::uint32_t address_be) const;
  void Register(const ListMessage& m, std::uint32_t address_be, std::uint16_t port, std::int64_t now_ms,
                std::string& reply);
  // Details count only from the registration that made the entry, with its
  // token; they are never answered.
  void TakeDetails(const ListMessage& m, std::uint32_t address_be, std::uint16_t port, std::int64_t now_ms);
  void Answer(const ListMessage& m, std::int64_t now_ms, std::string& reply);
  void Remove(std::map<std::uint64_t, Entry>::iterator it, const char* why);
  ListToken Token(std::uint32_t address_be, std::uint16_t port, std::int64_t period) const;

  ListLimits limits_;
  std::array<std::uint8_t, 16> secret_;
  std::map<std::uint64_t, Entry> entries_;                        // by address, then TCP port
  std::unordered_map<std::uint32_t, std::uint32_t> per_source_;   // entries per address
  std::unordered_map<std::uint32_t, std::uint32_t> per_network_;  // entries per /24
  ListCounters counters_;
};

// "a.b.c.d:port"
std::string ListEntryText(const ListEntry& e);

}  // namespace krel
