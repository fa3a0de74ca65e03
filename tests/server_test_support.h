// Scripted raw clients that speak the byte protocol to a relay server
// running in the same thread on loopback, and fake links for driving the
// relay logic without sockets.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "protocol/field_codec.h"
#include "protocol/net_sockets.h"
#include "protocol/worm_codec.h"
#include "server/relay.h"
#include "server/server_app.h"
#include "server/session.h"

namespace krel::test {

inline std::string Greeting(int lives = 15, int loading = 100, bool landc = true) {
  std::string s(kVersionText);
  s += 'C';
  AppendField(s, lives, 0, KindShort);
  AppendField(s, loading, 0, KindShort);
  AppendField(s, landc ? kTrue : kFalse, 0, KindFlag);
  return s;
}

inline std::string ConfigReply(int lives, int loading, bool landc) { return Greeting(lives, loading, landc).substr(13); }

// A client's "p" for one of its worms, with the client's reference rules.
inline std::string StateMessage(const WormRecord& worm, WormRecord& sent) {
  std::string s = "p";
  EncodeWormFull(s, worm, sent, WormRefs::Client);
  return s;
}

inline WormRecord Worm(const std::string& name, bool alive = false, int x = 100) {
  WormRecord w;
  w.Name = name + std::string(20 - name.size(), ' ');
  w.Alive = alive ? kTrue : kFalse;
  w.X = x;
  w.Y = 50;
  w.Lives = 15;
  w.Health = 100;
  w.Color = 200;
  return w;
}

// The relay in-process on 127.0.0.1 with a free port and quick timers, its
// announcements caught on a UDP port of the test's own.
struct TestServer {
  EventLoop loop;
  UdpSocket catcher{loop};
  std::unique_ptr<ServerApp> app;
  std::vector<std::string> events, datagrams;

  explicit TestServer(RelayLimits limits = {}, int announce_ms = 50) {
    std::string error;
    if (!catcher.Bind(0, "127.0.0.1", &error)) throw std::runtime_error(error);
    catcher.OnDatagram = [this](const std::string& d, const std::string&) { datagrams.push_back(d); };
    ServerOptions o;
    o.port = 0;
    o.bind_address = "127.0.0.1";
    o.announce_to = "127.0.0.1";
    o.announce_port = catcher.port();
    o.tick_ms = 10;
    o.announce_ms = announce_ms;
    o.limits = limits;
    app = std::make_unique<ServerApp>(loop, o);
    app->on_event = [this](const std::string& line) { events.push_back(line); };
    if (!app->Start(&error)) throw std::runtime_error(error);
  }
  Relay& relay() { return app->relay(); }
  void Run(int ms) {
    auto end = EventLoop::NowMs() + ms;
    while (EventLoop::NowMs() < end) app->Yield(2);
  }
  bool RunUntil(const std::function<bool()>& done, int ms = 3000) {
    auto end = EventLoop::NowMs() + ms;
    while (!done()) {
      if (EventLoop::NowMs() > end) return false;
      app->Yield(2);
    }
    return true;
  }
  bool HasEvent(const std::string& part) const {
    for (const auto& e : events)
      if (e.find(part) != std::string::npos) return true;
    return false;
  }
};

// A plain blocking-free TCP client driven by the test.
struct RawClient {
  int fd = -1;
  std::string got;
  bool closed = false;

  explicit RawClient(std::uint16_t port) {
    fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) closed = true;
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  }
  ~RawClient() { Close(); }
  void Close() {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
  void Send(const std::string& bytes) {
    if (fd >= 0 && ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) < 0) closed = true;
  }
  void Poll() {
    if (fd < 0) return;
    char buf[65536];
    for (;;) {
      ssize_t n = recv(fd, buf, sizeof buf, MSG_DONTWAIT);
      if (n > 0) {
        got.append(buf, static_cast<std::size_t>(n));
        continue;
      }
      if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)) closed = true;
      return;
    }
  }
  // Takes the first `n` bytes received, running the server until they are there.
  std::string Take(TestServer& server, std::size_t n, int ms = 3000) {
    server.RunUntil([&] {
      Poll();
      return got.size() >= n || closed;
    }, ms);
    std::string out = got.substr(0, n);
    got.erase(0, out.size());
    return out;
  }
  bool WaitClosed(TestServer& server, int ms = 3000) {
    return server.RunUntil([&] {
      Poll();
      return closed;
    }, ms);
  }
};

// A link that records what the relay sends, for tests without sockets.
struct FakeLink : Link {
  std::string* sent;
  std::size_t queued = 0;
  bool open = true;
  explicit FakeLink(std::string* out) : sent(out) {}
  void Send(std::string_view bytes) override { sent->append(bytes); }
  bool Connected() const override { return open; }
  std::size_t Queued() const override { return queued; }
  void Close() override { open = false; }
};

struct FakeHooks : RelayHooks {
  bool listening = false, announcing = false;
  std::vector<std::string> datagrams, events;
  void SetListening(bool on) override { listening = on; }
  void SetAnnouncing(bool on) override { announcing = on; }
  void Announce(std::string_view d) override { datagrams.emplace_back(d); }
  void Event(const std::string& line) override { events.push_back(line); }
};

}  // namespace krel::test
