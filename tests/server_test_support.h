// Scripted clients that speak the byte protocol to a relay server running
// in the same thread on loopback, and fake links for driving the relay logic
// without sockets.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
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

inline std::string Byte(int b) { return std::string(1, static_cast<char>(b)); }

// A client's "p" for one of its worms, with the client's reference rules.
inline std::string StateMessage(const WormRecord& worm, WormRecord& sent) {
  std::string s = "p";
  EncodeWormFull(s, worm, sent, WormRefs::Client);
  return s;
}

inline WormRecord Worm(const std::string& name, int x = 100) {
  WormRecord w;
  w.Name = name + std::string(20 - name.size(), ' ');
  std::tie(w.X, w.Y, w.Lives, w.Health, w.Color) = std::tuple(x, 50, 15, 100, 200);
  return w;
}

// The relay in-process on 127.0.0.1 with a free port and quick timers, its
// announcements caught on a UDP port of the test's own.
struct TestServer {
  EventLoop loop;
  UdpSocket catcher{loop};
  std::unique_ptr<ServerApp> app;
  std::vector<std::string> events, datagrams;

  // Announcements go to `announce_port` when given, else to the catcher.
  explicit TestServer(RelayLimits limits = {}, std::uint16_t announce_port = 0) {
    std::string error;
    if (!catcher.Bind(0, "127.0.0.1", &error)) throw std::runtime_error(error);
    catcher.OnDatagram = [this](const std::string& d, const std::string&) { datagrams.push_back(d); };
    ServerOptions o;
    std::tie(o.port, o.bind_address, o.announce_to, o.announce_port, o.tick_ms, o.announce_ms, o.limits) =
        std::tuple(0, "127.0.0.1", "127.0.0.1", announce_port ? announce_port : catcher.port(), 10, 50, limits);
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
    return std::any_of(events.begin(), events.end(), [&](const std::string& e) { return e.find(part) != std::string::npos; });
  }
};

// A client of the test's own on the server's event loop.
struct RawClient {
  TcpConnection conn;
  std::string got;
  bool closed = false;
  TestServer& server;

  explicit RawClient(TestServer& srv) : conn(srv.loop), server(srv) {
    conn.OnData = [this](std::size_t) { got += conn.ReadAll(); };
    conn.OnClose = [this] { closed = true; };
    conn.OnError = [this](int, const std::string&) { closed = true; };
    closed = !conn.Connect("127.0.0.1", srv.app->port());
    srv.RunUntil([&] { return conn.state() != TcpConnection::kConnecting; });
  }
  void Send(const std::string& bytes) { conn.Send(bytes); }
  void Close() { conn.Close(); }
  // Takes the first `n` bytes received, running the server until they are there.
  std::string Take(std::size_t n, int ms = 3000) {
    server.RunUntil([&] { return got.size() >= n || closed; }, ms);
    std::string out = got.substr(0, n);
    got.erase(0, out.size());
    return out;
  }
  bool WaitClosed() { return server.RunUntil([&] { return closed; }); }
};

// A client that has greeted and read its configuration, with two worms.
struct PlayingClient {
  RawClient client;
  WormRecord worms[2];
  WormRecord sent[2];
  PlayingClient(TestServer& srv, const std::string& name, int lives = 15)
      : client(srv), worms{Worm(name + "1"), Worm(name + "2", 200)} {
    client.Send(Greeting(lives));
    EXPECT_EQ(client.Take(6)[0], 'C');
  }
  std::string States() { return StateMessage(worms[0], sent[0]) + StateMessage(worms[1], sent[1]); }
};

// A link whose send queue the test sets, and hooks that keep the events,
// for driving the relay without sockets.
struct FakeLink : Link {
  std::size_t queued = 0;
  bool open = true;
  void Send(std::string_view) override {}
  bool Connected() const override { return open; }
  std::size_t Queued() const override { return queued; }
  void Close() override { open = false; }
};

struct FakeHooks : RelayHooks {
  std::vector<std::string> events;
  void SetListening(bool) override {}
  void SetAnnouncing(bool) override {}
  void Announce(std::string_view) override {}
  void Event(const std::string& line) override { events.push_back(line); }
};

}  // namespace krel::test
