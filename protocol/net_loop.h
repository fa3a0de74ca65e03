// The one-thread event loop behind both programs' sockets and timers.
//
// Nothing runs behind the program's back: socket notifications and timer
// ticks are delivered only inside Yield(), one at a time, in the order they
// were found. A handler may close or destroy any socket or timer, including
// its own; the loop never calls into one that is gone.
#pragma once

#include <cstdint>
#include <functional>
#include <map>

namespace krel {

class EventLoop {
 public:
  using Id = std::uint64_t;

  // Watches a file descriptor for reading (always) and writing (on request).
  Id Watch(int fd, std::function<void(short revents)> ready);
  void WantWrite(Id id, bool on);
  void Unwatch(Id id);

  Id AddTimer(int interval_ms, std::function<void()> tick);
  // Enabling starts a fresh interval; a disabled timer keeps its interval.
  void EnableTimer(Id id, bool on);
  void RemoveTimer(Id id);

  // Waits at most `timeout_ms` (0: just look) for the first socket event or
  // timer tick, then delivers everything that is due.
  void Yield(int timeout_ms);

  // Monotonic milliseconds.
  static std::int64_t NowMs();

 private:
  struct Watcher {
    int fd;
    bool write = false;
    std::function<void(short)> ready;
  };
  struct TimerEntry {
    int interval;
    bool enabled = false;
    std::int64_t due = 0;
    std::function<void()> tick;
  };
  Id next_id_ = 1;
  std::map<Id, Watcher> watchers_;
  std::map<Id, TimerEntry> timers_;
};

// A repeating timer owned by its user; ticks only while enabled.
class Timer {
 public:
  Timer(EventLoop& loop, int interval_ms, std::function<void()> tick)
      : loop_(loop), id_(loop.AddTimer(interval_ms, std::move(tick))) {}
  ~Timer() { loop_.RemoveTimer(id_); }
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  void Enable(bool on) {
    if (on != enabled_) loop_.EnableTimer(id_, on);
    enabled_ = on;
  }
  bool Enabled() const { return enabled_; }

 private:
  EventLoop& loop_;
  EventLoop::Id id_;
  bool enabled_ = false;
};

}  // namespace krel
