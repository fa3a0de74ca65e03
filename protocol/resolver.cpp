#include "protocol/resolver.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "protocol/net_sockets.h"

namespace krel {

// Shared by the caller and the lookup thread: the thread writes the address
// and then sets `done`; the caller reads the address only after seeing it.
struct Resolver::State {
  std::atomic<bool> done{false};
  bool ok = false;
  std::uint32_t address_be = 0;
};

namespace {

bool HostChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

}  // namespace

bool SplitHostPort(std::string_view text, std::string& host, std::uint16_t& port) {
  text = Trim(text);
  std::string_view name = text;
  const std::size_t colon = text.find(':');
  std::uint16_t given = port;
  if (colon != std::string_view::npos) {
    name = Trim(text.substr(0, colon));
    const std::string_view digits = Trim(text.substr(colon + 1));
    if (digits.empty() || digits.size() > 5) return false;
    unsigned long v = 0;
    for (char c : digits) {
      if (c < '0' || c > '9') return false;
      v = v * 10 + static_cast<unsigned long>(c - '0');
    }
    if (v < 1 || v > 65535) return false;
    given = static_cast<std::uint16_t>(v);
  }
  if (name.empty() || name.size() > 253) return false;
  for (char c : name)
    if (!HostChar(c)) return false;
  host.assign(name);
  port = given;
  return true;
}

bool Resolver::Lookup(const std::string& host, std::uint32_t& address_be) {
  if (ParseIPv4(host, &address_be)) return true;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return false;
  address_be = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
  freeaddrinfo(found);
  return true;
}

Resolver::~Resolver() = default;

void Resolver::Start(const std::string& host) {
  state_ = std::make_shared<State>();
  std::uint32_t address = 0;
  if (ParseIPv4(host, &address)) {
    state_->ok = true;
    state_->address_be = address;
    state_->done = true;
    return;
  }
  // The thread keeps its own reference: abandoning the lookup only drops ours.
  std::thread([state = state_, host] {
    std::uint32_t a = 0;
    state->ok = Lookup(host, a);
    state->address_be = a;
    state->done.store(true, std::memory_order_release);
  }).detach();
}

void Resolver::Cancel() { state_.reset(); }

bool Resolver::Done() const { return state_ != nullptr && state_->done.load(std::memory_order_acquire); }

bool Resolver::Result(std::uint32_t& address_be) const {
  if (!Done() || !state_->ok) return false;
  address_be = state_->address_be;
  return true;
}

}  // namespace krel
