#include "protocol/net_loop.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <utility>
#include <vector>

namespace krel {

std::int64_t EventLoop::NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

EventLoop::Id EventLoop::Watch(int fd, std::function<void(short)> ready) {
  Id id = next_id_++;
  watchers_[id] = Watcher{fd, false, std::move(ready)};
  return id;
}

void EventLoop::WantWrite(Id id, bool on) {
  if (auto it = watchers_.find(id); it != watchers_.end()) it->second.write = on;
}

void EventLoop::Unwatch(Id id) { watchers_.erase(id); }

EventLoop::Id EventLoop::AddTimer(int interval_ms, std::function<void()> tick) {
  Id id = next_id_++;
  timers_[id] = TimerEntry{std::max(1, interval_ms), false, 0, std::move(tick)};
  return id;
}

void EventLoop::EnableTimer(Id id, bool on) {
  auto it = timers_.find(id);
  if (it == timers_.end()) return;
  it->second.enabled = on;
  if (on) it->second.due = NowMs() + it->second.interval;
}

void EventLoop::RemoveTimer(Id id) { timers_.erase(id); }

void EventLoop::Yield(int timeout_ms) {
  const std::int64_t now = NowMs();
  std::int64_t wait = std::max(0, timeout_ms);
  for (const auto& [id, t] : timers_)
    if (t.enabled) wait = std::min(wait, std::max<std::int64_t>(0, t.due - now));

  std::vector<pollfd> fds;
  std::vector<Id> ids;
  fds.reserve(watchers_.size());
  for (const auto& [id, w] : watchers_) {
    fds.push_back(pollfd{w.fd, static_cast<short>(POLLIN | (w.write ? POLLOUT : 0)), 0});
    ids.push_back(id);
  }
  int n = poll(fds.data(), fds.size(), static_cast<int>(wait));
  if (n > 0) {
    for (std::size_t i = 0; i < fds.size(); ++i) {
      if (fds[i].revents == 0) continue;
      // The handler of an earlier event may have removed this one.
      auto it = watchers_.find(ids[i]);
      if (it == watchers_.end()) continue;
      auto ready = it->second.ready;  // the watcher may unwatch itself
      ready(fds[i].revents);
    }
  }

  const std::int64_t after = NowMs();
  std::vector<Id> due;
  for (const auto& [id, t] : timers_)
    if (t.enabled && t.due <= after) due.push_back(id);
  for (Id id : due) {
    auto it = timers_.find(id);
    if (it == timers_.end() || !it->second.enabled) continue;
    // A tick that came late does not pile up ticks to catch up.
    it->second.due += it->second.interval;
    if (it->second.due <= after) it->second.due = after + it->second.interval;
    auto tick = it->second.tick;
    tick();
  }
}

}  // namespace krel
