#include "server/server_app.h"

#include "server/session.h"

namespace krel {

namespace {
// A session's bytes are read in chunks, each handled before the next is
// read, so its limits apply as data comes in: a flood is cut off at the
// session's limit, not after the server has taken in all it holds. One
// notification reads at most kReadPerTurn bytes; the others are served
// before the loop comes back for the rest.
constexpr std::size_t kReadChunk = 16 * 1024;
constexpr std::size_t kReadPerTurn = 64 * 1024;
}  // namespace

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
      relay_(*this, options_.limits, options_.level_file, options_.arms_file),
      listener_(loop),
      refusals_(loop),
      announcer_(loop),
      tick_(loop, options_.tick_ms,
            [this] {
              relay_.Tick();
              refusals_.Tick();
            }),
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
  RegistrarTiming timing;
  timing.interval_ms = options_.register_ms;
  registrar_ = std::make_unique<ListRegistrar>(loop_, timing);
  registrar_->on_event = [this](const std::string& line) { Event(line); };
  for (const std::string& target : options_.register_with)
    if (!registrar_->Add(target, error)) return false;
  return registrar_->Start(
      port_, options_.bind_address,
      [this] {
        const Relay::Outlook o = relay_.Describe();
        return ListRegistrar::Status{.worms = o.worms,
                                     .running = o.running,
                                     .players = o.players,
                                     .play_places = o.play_places,
                                     .watch_places = o.watch_places,
                                     .open_play = o.open,
                                     .lock_step_paced = o.lock_step_paced};
      },
      error);
}

void ServerApp::Yield(int timeout_ms) {
  loop_.Yield(timeout_ms);
  relay_.Reap();
}

void ServerApp::Request(TcpRequest& request) {
  // An open game takes the connection and finds out whether it can join.
  if (!relay_.Listening() && !relay_.OpenGame()) {
    Event("refused client " + request.peer + ": a game is running");
    refusals_.Add(request, Relay::GameRunningLine());
    return;
  }
  auto link = std::make_unique<SocketLink>(loop_);
  SocketLink* raw = link.get();
  if (!raw->conn.Accept(request)) return;
  Session* session = relay_.Connect(std::move(link));
  if (!session) return;
  raw->conn.OnData = [this, raw, session](std::size_t) { Read(raw->conn, *session); };
  raw->conn.OnClose = [this, session] { relay_.PeerClosed(*session); };
  raw->conn.OnError = [this, session](int, const std::string& text) { relay_.SocketError(*session, text); };
}

void ServerApp::Read(TcpConnection& conn, Session& session) {
  std::string chunk;
  for (std::size_t total = 0; total < kReadPerTurn;) {
    chunk.clear();
    const std::size_t n = conn.ReadSome(chunk, kReadChunk);
    if (n == 0) return;
    total += n;
    relay_.Arrived(session, chunk);
    if (!session.end_reason.empty()) return;
  }
}

// The listening socket stays open for the whole run, so no other program
// can take the port while a game runs; Request turns newcomers away then.
void ServerApp::SetListening(bool) {}

void ServerApp::SetAnnouncing(bool on) { announce_.Enable(on); }

void ServerApp::Announce(std::string_view datagram) { announcer_.Send(datagram); }

void ServerApp::Event(const std::string& line) {
  if (on_event) on_event(line);
}

void ServerApp::Changed() {
  if (on_changed) on_changed();
}

}  // namespace krel
