// One connection attempt of the address screen, from Enter to joined or
// failed. Every phase moves on a screen pass at a time (Step), so the screen
// keeps drawing and Escape keeps working while a name is looked up or a
// server does not answer.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "client/state/world.h"
#include "protocol/resolver.h"

namespace krel {

struct NetClient;

// What a server sent before it closed the connection it had just accepted:
// the text of the last complete chat line ("c", text, 0 byte) in `bytes`, or
// "FULL" when it said nothing (a server of the first protocol closes a
// ninth client that way).
std::string RefusalText(const std::string& bytes);

// True when `bytes` holds more than complete chat lines: the server has
// begun the game's conversation (its configuration), so the client is in.
bool BeyondChatLines(const std::string& bytes);

class ConnectAttempt {
 public:
  enum class Phase { kIdle, kResolving, kConnecting, kAnswering, kJoined };

  explicit ConnectAttempt(World& w);
  ~ConnectAttempt() { Abandon(); }
  ConnectAttempt(const ConnectAttempt&) = delete;
  ConnectAttempt& operator=(const ConnectAttempt&) = delete;

  Phase phase() const { return phase_; }
  // Why the last attempt failed: the server's refusal line, "FULL",
  // "REFUSED", "NO ANSWER", "UNKNOWN HOST"; empty when it did not fail.
  const std::string& reason() const { return reason_; }
  // A lookup that takes long enough to say so on the screen.
  bool Resolving() const;

  // Starts connecting to "HOST" or "HOST:PORT"; a malformed address is
  // rejected at once and nothing is shown.
  void Begin(const std::string& address);
  // Moves the attempt on as far as the events so far allow.
  void Step();
  // Escape: no connection, whatever the phase.
  void Abandon();

 private:
  std::uint32_t Elapsed() const;
  void Intercept();
  void Release();
  void Fail(const std::string& why);
  void Join();

  World& w_;
  NetClient& n_;
  Phase phase_ = Phase::kIdle;
  Resolver resolver_;
  std::uint16_t port_ = 0;
  std::uint32_t start_ = 0;
  std::string reason_;
  std::string early_;
  bool intercepting_ = false, closed_ = false;
  int error_ = 0;
  std::function<void(std::size_t)> saved_data_;
  std::function<void()> saved_close_;
  std::function<void(int, const std::string&)> saved_error_;
};

}  // namespace krel
