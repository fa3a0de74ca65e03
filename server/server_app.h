// The relay on real sockets: the TCP listener, the announcement socket, the
// three timers, and one TCP connection per session.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "protocol/net_loop.h"
#include "protocol/net_sockets.h"
#include "server/list_register.h"
#include "server/refusals.h"
#include "server/relay.h"

namespace krel {

struct ServerOptions {
  std::uint16_t port = 17384;  // TCP; 0 picks a free port
  std::string bind_address = "0.0.0.0";
  std::string announce_to = "255.255.255.255";
  std::uint16_t announce_port = 17383;  // UDP
  int tick_ms = 100;                    // inactivity and greeting watch
  int announce_ms = 1000;
  int counter_ms = 1000;  // traffic display
  RelayLimits limits;
  std::vector<std::string> register_with;  // list servers, "HOST[:PORT]"
  int register_ms = 5000;
  // --level FILE: the level of open games, sent to every client of open play.
  std::string level_file;
  // --arms FILE: the weapon file of open games, likewise.
  std::string arms_file;
};

class ServerApp : public RelayHooks {
 public:
  ServerApp(EventLoop& loop, ServerOptions options);
  ~ServerApp() override;

  // Listens and starts announcing; false (with the reason) if the port is taken.
  bool Start(std::string* error);
  // After Start: registers with the list servers of --register, if any;
  // false (with the reason) only for a target that is no address at all
  // (names are looked up in the background, list_register.h).
  bool StartRegistering(std::string* error);
  // Runs the loop once for at most `timeout_ms`, then destroys ended sessions.
  void Yield(int timeout_ms);

  Relay& relay() { return relay_; }
  std::uint16_t port() const { return port_; }

  std::function<void(const std::string& line)> on_event;
  std::function<void()> on_changed;
  std::function<void()> on_counters;

 private:
  class SocketLink;
  void SetListening(bool on) override;
  void SetAnnouncing(bool on) override;
  void Announce(std::string_view datagram) override;
  void Event(const std::string& line) override;
  void Changed() override;
  void Request(TcpRequest& request);
  void Read(TcpConnection& conn, Session& session);

  EventLoop& loop_;
  ServerOptions options_;
  Relay relay_;
  TcpListener listener_;
  Refusals refusals_;
  UdpSocket announcer_;
  Timer tick_, announce_, counter_;
  std::unique_ptr<ListRegistrar> registrar_;
  std::uint16_t port_ = 0;
  bool started_ = false;
};

}  // namespace krel
