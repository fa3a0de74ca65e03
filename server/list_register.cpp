#include "server/list_register.h"

#include "protocol/resolver.h"

namespace krel {

ListRegistrar::ListRegistrar(EventLoop& loop, int interval_ms)
    : socket_(loop), timer_(loop, interval_ms, [this] { SendAll(); }) {
  socket_.OnDatagramFrom = [this](const std::string& d, const UdpPeer& from) { Arrived(d, from); };
}

ListRegistrar::~ListRegistrar() {
  if (!status_) return;
  for (Target& t : targets_)
    if (t.has_token) Send(t, true);
}

bool ListRegistrar::Add(const std::string& target, std::string* error) {
  std::string host;
  std::uint16_t port = kListPort;
  Target t;
  t.name = target;
  if (!SplitHostPort(target, host, port)) {
    if (error) *error = "--register wants HOST or HOST:PORT, not \"" + target + "\"";
    return false;
  }
  if (!Resolver::Lookup(host, t.peer.address_be)) {
    if (error) *error = "--register: no IPv4 address for \"" + host + "\"";
    return false;
  }
  t.peer.port = port;
  targets_.push_back(t);
  return true;
}

bool ListRegistrar::Start(std::uint16_t tcp_port, const std::string& bind_address, std::function<Status()> status,
                          std::string* error) {
  tcp_port_ = tcp_port;
  status_ = std::move(status);
  if (!socket_.Bind(0, bind_address, error)) return false;
  timer_.Enable(true);
  SendAll();
  return true;
}

void ListRegistrar::SendAll() {
  for (Target& t : targets_) Send(t, false);
}

void ListRegistrar::Send(Target& t, bool withdraw) {
  const Status s = status_();
  socket_.SendTo(t.peer, EncodeListRegister(t.token, tcp_port_, s.worms, s.running, withdraw));
}

void ListRegistrar::Arrived(const std::string& datagram, const UdpPeer& from) {
  ListMessage m;
  if (!ParseListDatagram(datagram, m) || m.kind != ListMessage::Kind::kToken) return;
  for (Target& t : targets_) {
    if (t.peer.address_be != from.address_be || t.peer.port != from.port) continue;
    const bool fresh = !t.has_token || t.token != m.token;
    t.token = m.token;
    t.has_token = true;
    // Registered with the new token at once, but never more than once a
    // second, whatever arrives.
    const std::int64_t now = EventLoop::NowMs();
    if (fresh && now - t.last_resend_ms >= 1000) {
      t.last_resend_ms = now;
      Send(t, false);
    }
  }
}

}  // namespace krel
