#include "server/list_register.h"

#include <algorithm>

namespace krel {

ListRegistrar::ListRegistrar(EventLoop& loop, RegistrarTiming timing, Resolver::LookupFunction lookup)
    : timing_(timing),
      lookup_(lookup),
      socket_(loop),
      timer_(loop, timing.interval_ms, [this] { SendAll(); }),
      check_(loop, timing.check_ms, [this] { CheckLookups(); }) {
  socket_.OnDatagramFrom = [this](const std::string& d, const UdpPeer& from) { Arrived(d, from); };
}

ListRegistrar::~ListRegistrar() {
  if (!status_) return;
  for (Target& t : targets_)
    if (t.has_token) Send(t, true);
}

void ListRegistrar::Log(const std::string& line) {
  if (on_event) on_event(line);
}

bool ListRegistrar::Add(const std::string& target, std::string* error) {
  Target t;
  t.name = target;
  std::uint16_t port = kListPort;
  if (!SplitHostPort(target, t.host, port)) {
    if (error) *error = "--register wants HOST or HOST:PORT, not \"" + target + "\"";
    return false;
  }
  t.peer.port = port;
  t.resolver = std::make_unique<Resolver>();
  t.retry_ms = timing_.first_retry_ms;
  targets_.push_back(std::move(t));
  return true;
}

bool ListRegistrar::Start(std::uint16_t tcp_port, const std::string& bind_address, std::function<Status()> status,
                          std::string* error) {
  tcp_port_ = tcp_port;
  status_ = std::move(status);
  if (!socket_.Bind(0, bind_address, error)) return false;
  const std::int64_t now = EventLoop::NowMs();
  for (Target& t : targets_) t.next_lookup_ms = now;
  timer_.Enable(true);
  check_.Enable(true);
  CheckLookups();
  return true;
}

void ListRegistrar::CheckLookups() {
  const std::int64_t now = EventLoop::NowMs();
  for (Target& t : targets_) {
    if (t.looking_up && t.resolver->Done()) {
      t.looking_up = false;
      std::uint32_t address = 0;
      if (t.resolver->Result(address)) {
        if (address != t.peer.address_be) {
          const bool moved = t.peer.address_be != 0;
          t.peer.address_be = address;
          t.has_token = false;  // a token is good only where it came from
          Log("list server " + t.name + (moved ? " moved to " : " is at ") + UdpPeer{address, t.peer.port}.Text());
          Send(t, false);
        }
        t.retry_ms = timing_.first_retry_ms;
        t.next_lookup_ms = now + timing_.reresolve_ms;
      } else {
        Log("cannot look up the list server " + t.name +
            (t.peer.address_be != 0 ? " (still using its last address)" : "") + "; trying again in " +
            std::to_string(t.retry_ms / 1000) + " s");
        t.next_lookup_ms = now + t.retry_ms;
        t.retry_ms = std::min(t.retry_ms * 2, timing_.max_retry_ms);
      }
    }
    if (!t.looking_up && now >= t.next_lookup_ms) {
      t.looking_up = true;
      t.resolver->Start(t.host, lookup_);
    }
  }
}

void ListRegistrar::SendAll() {
  for (Target& t : targets_)
    if (t.peer.address_be != 0) Send(t, false);
}

void ListRegistrar::Send(Target& t, bool withdraw) {
  const Status s = status_();
  socket_.SendTo(t.peer, EncodeListRegister(t.token, tcp_port_, s.worms, s.running, withdraw));
  if (!withdraw) {
    ListEntry details;
    details.port = tcp_port_;
    details.worms = static_cast<std::uint8_t>(std::clamp(s.worms, 0, kListMaxWorms));
    details.running = s.running;
    details.detailed = true;
    details.players = static_cast<std::uint8_t>(std::clamp(s.players, 0, kListMaxPlayers));
    details.play_places = static_cast<std::uint8_t>(std::clamp(s.play_places, 0, kListMaxPlayers));
    details.watch_places = static_cast<std::uint8_t>(std::clamp(s.watch_places, 0, kListMaxWatchers));
    details.open_play = s.open_play;
    details.lock_step_paced = s.lock_step_paced;
    socket_.SendTo(t.peer, EncodeListDetails(t.token, details));
  }
  // A refusal comes back at once; several registrations without one mean
  // the list server has taken this relay.
  if (t.refusal != ListRefusal::kNone && ++t.unrefused > 3) {
    Log("the list server " + t.name + " lists this relay now");
    t.refusal = ListRefusal::kNone;
  }
}

void ListRegistrar::Arrived(const std::string& datagram, const UdpPeer& from) {
  ListMessage m;
  if (!ParseListDatagram(datagram, m)) return;
  if (m.kind != ListMessage::Kind::kToken && m.kind != ListMessage::Kind::kRefusal) return;
  const std::int64_t now = EventLoop::NowMs();
  for (Target& t : targets_) {
    if (t.peer.address_be != from.address_be || t.peer.port != from.port) continue;
    if (m.kind == ListMessage::Kind::kRefusal) {
      t.unrefused = 0;
      if (m.refusal != t.refusal || now - t.refusal_logged_ms >= timing_.refusal_repeat_ms) {
        t.refusal = m.refusal;
        t.refusal_logged_ms = now;
        Log("the list server " + t.name + " does not list this relay: " + ListRefusalText(m.refusal));
      }
      continue;
    }
    const bool fresh = !t.has_token || t.token != m.token;
    t.token = m.token;
    t.has_token = true;
    // Registered with the new token at once, but never more than once a
    // second, whatever arrives.
    if (fresh && now - t.last_resend_ms >= 1000) {
      t.last_resend_ms = now;
      Send(t, false);
    }
  }
}

}  // namespace krel
