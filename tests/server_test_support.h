// The relay driven through fake links (Rig), which is how its logic is
// tested, and scripted clients that speak the byte protocol to a relay
// server on loopback, for what only real sockets show.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
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

inline std::string ConfigReply(int lives, int loading, bool landc) {
  return Greeting(lives, loading, landc).substr(kVersionText.size());
}

// Settings twice ask for pipelined play; three times, for open play too.
inline std::string AskingGreeting() { return Greeting() + ConfigReply(15, 100, true); }
inline std::string OpenGreeting() { return AskingGreeting() + ConfigReply(15, 100, true); }

inline std::string Times(int n, const std::string& one) {
  std::string s;
  for (int i = 0; i < n; ++i) s += one;
  return s;
}

inline std::string Dig(int x, int y, int radius) {
  std::string s = "d";
  for (int v : {x, y, radius}) AppendField(s, v, 0, KindShort);
  return s;
}

inline bool AnyContains(const std::vector<std::string>& lines, const std::string& part) {
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& e) { return e.find(part) != std::string::npos; });
}

inline std::string Byte(int b) { return std::string(1, static_cast<char>(b)); }

// A message of a tag, the byte count of its body (a raw long) and the body.
inline std::string Block(char tag, const std::string& body) {
  std::string m(1, tag);
  AppendRawLong(m, static_cast<std::uint32_t>(body.size()));
  return m + body;
}

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

// A client's two worms and its copies of what it last sent of them.
struct TwoWorms {
  WormRecord worms[2];
  WormRecord sent[2];
  explicit TwoWorms(const std::string& name) : worms{Worm(name + "1"), Worm(name + "2", 200)} {}
  std::string States() { return StateMessage(worms[0], sent[0]) + StateMessage(worms[1], sent[1]); }
};

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
  bool RunUntil(const std::function<bool()>& done, int ms = 3000) {
    auto end = EventLoop::NowMs() + ms;
    while (!done()) {
      if (EventLoop::NowMs() > end) return false;
      app->Yield(2);
    }
    return true;
  }
  bool HasEvent(const std::string& part) const { return AnyContains(events, part); }
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
  bool WaitClosed() {
    return server.RunUntil([&] { return closed; });
  }
};

// A client that has greeted and read its configuration, with two worms.
struct PlayingClient : TwoWorms {
  RawClient client;
  PlayingClient(TestServer& srv, const std::string& name, int lives = 15) : TwoWorms(name), client(srv) {
    client.Send(Greeting(lives));
    EXPECT_EQ(client.Take(6)[0], 'C');
  }
};

// What a link saw. A rig keeps it: the relay destroys the link itself with
// an ended session, and the test still asks afterwards.
struct LinkState {
  std::string got;
  bool open = true;
};

// A link for driving the relay without sockets: what the relay sent it goes
// into a LinkState (its own, or one the rig keeps), and the test sets its
// send queue.
struct FakeLink : Link {
  LinkState own;
  LinkState* state = &own;
  std::string peer = "?";
  std::size_t queued = 0;
  FakeLink() = default;
  FakeLink(LinkState* into, std::string address) : state(into), peer(std::move(address)) {}
  void Send(std::string_view bytes) override { state->got.append(bytes); }
  bool Connected() const override { return state->open; }
  std::size_t Queued() const override { return queued; }
  void Close() override { state->open = false; }
  std::string Peer() const override { return peer; }
};

struct FakeHooks : RelayHooks {
  std::vector<std::string> events, datagrams;
  bool announcing = false;
  void SetListening(bool) override {}
  void SetAnnouncing(bool on) override { announcing = on; }
  void Announce(std::string_view datagram) override { datagrams.emplace_back(datagram); }
  void Event(const std::string& line) override { events.push_back(line); }
  // The rig's clock stands still unless the test moves it.
  std::uint32_t now_ms = 0;
  std::uint32_t NowMs() override { return now_ms; }
};

// The relay with clients on fake links; the test calls its tick, so
// nothing depends on a clock. Client i is the i-th connected, at the
// address 127.0.0.1:500i.
struct Rig {
  FakeHooks hooks;
  std::unique_ptr<Relay> relay;
  std::vector<Session*> sessions;
  std::vector<std::unique_ptr<LinkState>> links;
  WormRecord worm = Worm("W");

  explicit Rig(int clients, RelayLimits limits = {}) : relay(std::make_unique<Relay>(hooks, limits)) {
    relay->Start();
    for (int i = 0; i < clients; ++i) Connect();
  }
  // A new connection; false when the relay refused it.
  bool Connect() {
    links.push_back(std::make_unique<LinkState>());
    auto link = std::make_unique<FakeLink>(links.back().get(), "127.0.0.1:500" + std::to_string(links.size() - 1));
    sessions.push_back(relay->Connect(std::move(link)));
    return sessions.back() != nullptr;
  }
  // Two full states of a worm of no importance.
  std::string States() {
    WormRecord sent;
    std::string first = StateMessage(worm, sent);
    return first + StateMessage(worm, sent);
  }
  std::string& got(int i) { return links[static_cast<std::size_t>(i)]->got; }
  // What client i received since the last Take.
  std::string Take(int i) { return std::exchange(got(i), std::string()); }
  void Send(int i, const std::string& bytes) {
    if (!Alive(i)) return;
    relay->Arrived(*sessions[static_cast<std::size_t>(i)], bytes);
    relay->Reap();
  }
  void Close(int i) {
    relay->PeerClosed(*sessions[static_cast<std::size_t>(i)]);
    relay->Reap();
  }
  void Ticks(int n) {
    for (int k = 0; k < n; ++k) relay->Tick();
    relay->Reap();
  }
  // Ticks until `done`, at most `limit` of them; true when it came.
  bool TickUntil(const std::function<bool()>& done, int limit = 1000) {
    for (int k = 0; k < limit && !done(); ++k) Ticks(1);
    return done();
  }
  bool Alive(int i) const {
    const Session* s = sessions[static_cast<std::size_t>(i)];
    return s != nullptr &&
           std::any_of(relay->sessions().begin(), relay->sessions().end(), [&](const auto& p) { return p.get() == s; });
  }
  bool Logged(const std::string& part) const { return AnyContains(hooks.events, part); }
};

}  // namespace krel::test
