#include "protocol/resolver.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "protocol/net_sockets.h"

namespace krel {

// Shared by the caller and the lookup thread: the thread writes the address
// and then sets `done`; the caller reads the address only after seeing it.
// The service holds it weakly: a request its caller dropped is no request.
struct Resolver::State {
  std::atomic<bool> done{false};
  bool ok = false;
  std::uint32_t address_be = 0;
};

namespace {

// The program's lookups: requests in order, one lookup per distinct name
// and lookup function at a time, at most kMaxLookupThreads threads. Never
// destroyed: a thread may still be in the system's lookup when the
// program ends.
class LookupService {
 public:
  static LookupService& Get() {
    static LookupService* service = new LookupService;
    return *service;
  }

  void Submit(const std::string& host, Resolver::LookupFunction lookup, const std::shared_ptr<Resolver::State>& state) {
    std::lock_guard<std::mutex> lock(mutex_);
    Request* request = Find(host, lookup);
    if (request == nullptr) {
      requests_.push_back(Request{host, lookup, {}, false});
      request = &requests_.back();
    }
    // Requests for the name that were dropped meanwhile go now.
    std::erase_if(request->waiting, [](const std::weak_ptr<Resolver::State>& w) { return w.expired(); });
    request->waiting.push_back(state);
    // No thread idles: each is in a lookup or about to take the next one.
    if (threads_ < Resolver::kMaxLookupThreads && Unstarted() > 0) {
      ++threads_;
      std::thread([this] { Work(); }).detach();
    }
  }

  int Threads() {
    std::lock_guard<std::mutex> lock(mutex_);
    return threads_;
  }

 private:
  struct Request {
    std::string host;
    Resolver::LookupFunction lookup;
    std::vector<std::weak_ptr<Resolver::State>> waiting;
    bool started;
  };

  Request* Find(const std::string& host, Resolver::LookupFunction lookup) {
    for (Request& r : requests_)
      if (r.host == host && r.lookup == lookup) return &r;
    return nullptr;
  }

  int Unstarted() const {
    int n = 0;
    for (const Request& r : requests_) n += r.started ? 0 : 1;
    return n;
  }

  static bool Wanted(const Request& r) {
    for (const auto& w : r.waiting)
      if (!w.expired()) return true;
    return false;
  }

  void Work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      // The oldest request somebody still waits for; the others are dropped.
      auto it = requests_.begin();
      while (it != requests_.end() && (it->started || !Wanted(*it)))
        it = it->started ? std::next(it) : requests_.erase(it);
      if (it == requests_.end()) break;
      it->started = true;
      const std::string host = it->host;
      const Resolver::LookupFunction lookup = it->lookup;
      lock.unlock();
      std::uint32_t address = 0;
      const bool ok = lookup(host, address);
      lock.lock();
      // Everyone who asked for the name meanwhile gets this answer.
      for (auto r = requests_.begin(); r != requests_.end(); ++r) {
        if (!r->started || r->host != host || r->lookup != lookup) continue;
        for (const auto& w : r->waiting) {
          if (auto state = w.lock()) {
            state->ok = ok;
            state->address_be = address;
            state->done.store(true, std::memory_order_release);
          }
        }
        requests_.erase(r);
        break;
      }
    }
    --threads_;
  }

  std::mutex mutex_;
  std::deque<Request> requests_;
  int threads_ = 0;
};

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

int Resolver::ThreadsAlive() { return LookupService::Get().Threads(); }

void Resolver::Start(const std::string& host, LookupFunction lookup) {
  state_ = std::make_shared<State>();
  std::uint32_t address = 0;
  if (ParseIPv4(host, &address)) {
    state_->ok = true;
    state_->address_be = address;
    state_->done = true;
    return;
  }
  LookupService::Get().Submit(host, lookup, state_);
}

void Resolver::Cancel() { state_.reset(); }

bool Resolver::Done() const { return state_ != nullptr && state_->done.load(std::memory_order_acquire); }

bool Resolver::Result(std::uint32_t& address_be) const {
  if (!Done() || !state_->ok) return false;
  address_be = state_->address_be;
  return true;
}

}  // namespace krel
