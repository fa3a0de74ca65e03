// Host names for the address screen, the list-server queries and
// krelServer --register: "HOST" or "HOST:PORT", resolved to one IPv4
// address. A dotted address needs no lookup; a name is looked up off the
// caller's thread, so that a slow name server never freezes the screen or
// the relay. The caller polls; nothing is delivered behind its back, and
// the game itself stays on one thread.
//
// A lookup cannot be stopped once the system has it, so the lookups of the
// whole program share a few worker threads (kMaxLookupThreads): a name
// asked for again while it is being looked up waits for that lookup, an
// abandoned request that has not started is dropped, and however often a
// player presses Enter and Escape on a name that does not answer, no more
// threads wait on it.
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
  static constexpr int kMaxLookupThreads = 2;
  // Blocking: true with the address of `host` in network byte order.
  using LookupFunction = bool (*)(const std::string& host, std::uint32_t& address_be);

  Resolver() = default;
  ~Resolver();  // a lookup still running is abandoned, never waited for
  Resolver(const Resolver&) = delete;
  Resolver& operator=(const Resolver&) = delete;

  // Starts resolving `host` (abandoning the lookup before, if any); a dotted
  // address is done at once. `lookup` stands in for the system's in tests.
  void Start(const std::string& host, LookupFunction lookup = &Lookup);
  // Abandons the running lookup, if any.
  void Cancel();
  bool Busy() const { return state_ != nullptr && !Done(); }
  bool Done() const;
  // Once done: true with the address in network byte order, or false when
  // the name has no IPv4 address.
  bool Result(std::uint32_t& address_be) const;

  // The system's blocking lookup (what the worker threads call).
  static bool Lookup(const std::string& host, std::uint32_t& address_be);
  // Worker threads alive now, and lookups of the system under way.
  static int ThreadsAlive();

  // One request's answer, shared with the thread that looks it up.
  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace krel
