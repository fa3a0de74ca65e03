// Host names for the address screen, the list-server queries and
// krelServer --register: "HOST" or "HOST:PORT", resolved to one IPv4
// address. A dotted address needs no lookup; a name is looked up on a
// thread of its own, so that a slow name server never freezes the screen.
// The caller polls; nothing is delivered behind its back, and the game
// itself stays on one thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace krel {

// Splits "HOST" or "HOST:PORT" (blanks around either part allowed). False
// for an empty host, a port that is not 1..65535, or characters that no
// host name or address has. Without a port, `port` is left as it is.
bool SplitHostPort(std::string_view text, std::string& host, std::uint16_t& port);

class Resolver {
 public:
  Resolver() = default;
  ~Resolver();  // a lookup still running is abandoned, never waited for
  Resolver(const Resolver&) = delete;
  Resolver& operator=(const Resolver&) = delete;

  // Starts resolving `host`; a dotted address is done at once.
  void Start(const std::string& host);
  // Abandons the running lookup, if any.
  void Cancel();
  bool Busy() const { return state_ != nullptr && !Done(); }
  bool Done() const;
  // Once done: true with the address in network byte order, or false when
  // the name has no IPv4 address.
  bool Result(std::uint32_t& address_be) const;

  // Blocking lookup for programs at start-up (krelServer --register).
  static bool Lookup(const std::string& host, std::uint32_t& address_be);

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace krel
