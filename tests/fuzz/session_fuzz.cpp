// libFuzzer target: arbitrary bytes into the relay's session decoder, split
// into arrivals and shared between two clients, plus timer ticks, without
// sockets. Any crash, leak or sanitizer report is a finding.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "server/relay.h"
#include "server/session.h"

namespace {

struct NullHooks : krel::RelayHooks {
  void SetListening(bool) override {}
  void SetAnnouncing(bool) override {}
  void Announce(std::string_view) override {}
  void Event(const std::string&) override {}
};

struct SinkLink : krel::Link {
  std::size_t sent = 0;
  bool open = true;
  void Send(std::string_view bytes) override { sent += bytes.size(); }
  bool Connected() const override { return open; }
  std::size_t Queued() const override { return 0; }
  void Close() override { open = false; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  NullHooks hooks;
  krel::RelayLimits limits;
  limits.max_receive = 4096;
  limits.greeting_ticks = 3;
  limits.offline_ticks = 3;
  limits.restart_ticks = 5;
  limits.alone_ticks = 8;
  krel::Relay relay(hooks, limits);
  relay.Start();
  krel::Session* sessions[3] = {relay.Connect(std::make_unique<SinkLink>()),
                                relay.Connect(std::make_unique<SinkLink>()), nullptr};
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  // Each arrival: a control byte (which client, how many bytes, a tick or a
  // new connection), then the bytes.
  while (!rest.empty()) {
    const std::uint8_t control = static_cast<std::uint8_t>(rest[0]);
    rest.remove_prefix(1);
    const std::size_t n = std::min<std::size_t>(rest.size(), (control >> 2) + 1);
    const int who = control & 1;
    if ((control & 3) == 2) relay.Tick();
    if ((control & 3) == 3 && !sessions[2]) sessions[2] = relay.Connect(std::make_unique<SinkLink>());
    for (krel::Session*& s : sessions) {
      bool alive = false;
      for (auto& live : relay.sessions()) alive |= live.get() == s;
      if (!alive) s = nullptr;
    }
    if (krel::Session* s = sessions[who] ? sessions[who] : sessions[2]) relay.Arrived(*s, rest.substr(0, n));
    rest.remove_prefix(n);
    relay.Reap();
  }
  return 0;
}
