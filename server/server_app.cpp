#include "server/server_app.h"

#include "server/session.h"

namespace krel {

class ServerApp::SocketLink : public Link {
 public:
  explicit SocketLink(EventLoop& loop) : conn(loop) {}
  void Send(std::string_view bytes) override { conn.Send(bytes); }
  bool Connected() const override { return conn.state() == TcpConnection::kConnected; }
  std::size_t Queued() const override { return conn.Queued(); }
  void Close() override { conn.Close(); }
  std::string Peer() const override { return conn.peer(); }
  TcpConnection conn;
};

ServerApp::ServerApp(EventLoop& loop, ServerOptions options)
    : loop_(loop),
      options_(std::move(options)),
      relay_(*this, options_.limits),
      listener_(loop),
      announcer_(loop),
      tick_(loop, options_.tick_ms, [this] { relay_.Tick(); }),
      announce_(loop, options_.announce_ms, [this] { relay_.AnnounceTick(); }),
      counter_(loop, options_.counter_ms, [this] {
        relay_.CounterTick();
        if (on_counters) on_counters();
      }) {
  listener_.OnRequest = [this](TcpRequest& request) { Request(request); };
}

ServerApp::~ServerApp() = default;

bool ServerApp::Start(std::string* error) {
  if (!announcer_.SetRemote(options_.announce_to, options_.announce_port)) {
    if (error) *error = "--announce-to needs an IPv4 address, not \"" + options_.announce_to + "\"";
    return false;
  }
  if (!listener_.Listen(options_.port, options_.bind_address, error)) return false;
  port_ = listener_.port();
  started_ = true;
  tick_.Enable(true);
  counter_.Enable(true);
  relay_.Start();
  return true;
}

bool ServerApp::StartRegistering(std::string* error) {
  if (options_.register_with.empty()) return true;
  registrar_ = std::make_unique<ListRegistrar>(loop_, options_.register_ms);
  for (const std::string& target : options_.register_with)
    if (!registrar_->Add(target, error)) return false;
  // A game runs while the relay takes no new clients and has some.
  return registrar_->Start(port_, options_.bind_address, [this] {
    return ListRegistrar::Status{relay_.PlayersOnline(), !relay_.Listening() && relay_.PlayersOnline() > 0};
  }, error);
}

void ServerApp::Yield(int timeout_ms) {
  loop_.Yield(timeout_ms);
  relay_.Reap();
}

void ServerApp::Request(TcpRequest& request) {
  auto link = std::make_unique<SocketLink>(loop_);
  SocketLink* raw = link.get();
  if (!raw->conn.Accept(request)) return;
  Session* session = relay_.Connect(std::move(link));
  if (!session) return;
  raw->conn.OnData = [this, raw, session](std::size_t) { relay_.Arrived(*session, raw->conn.ReadAll()); };
  raw->conn.OnClose = [this, session] { relay_.PeerClosed(*session); };
  raw->conn.OnError = [this, session](int, const std::string& text) { relay_.SocketError(*session, text); };
}

void ServerApp::SetListening(bool on) {
  if (!started_) return;  // Start() has opened it already
  if (!on) {
    listener_.Close();
    return;
  }
  std::string error;
  if (!listener_.listening() && !listener_.Listen(port_, options_.bind_address, &error))
    Event("cannot listen on TCP port " + std::to_string(port_) + " again: " + error);
}

void ServerApp::SetAnnouncing(bool on) { announce_.Enable(on); }

void ServerApp::Announce(std::string_view datagram) { announcer_.Send(datagram); }

void ServerApp::Event(const std::string& line) {
  if (on_event) on_event(line);
}

void ServerApp::Changed() {
  if (on_changed) on_changed();
}

}  // namespace krel
