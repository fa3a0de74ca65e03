#include "server/refusals.h"

#include <algorithm>
#include <string>

namespace krel {

void Refusals::Add(TcpRequest& request, std::string_view line) {
  Sweep();
  auto entry = std::make_unique<Entry>();
  entry->conn = std::make_unique<TcpConnection>(loop_);
  TcpConnection& conn = *entry->conn;
  if (!conn.Accept(request)) return;
  conn.Send(line);
  conn.ShutdownWrite();
  if (entries_.size() >= kMaxWaiting) return;  // closed by the destructor
  Entry* raw = entry.get();
  conn.OnData = [raw](std::size_t) {
    std::string dropped;
    // A bounded look per notification; the loop comes back for the rest.
    for (int i = 0; i < 4 && raw->conn->ReadSome(dropped, 16384) > 0; ++i) dropped.clear();
  };
  conn.OnClose = [raw] { raw->done = true; };
  conn.OnError = [raw](int, const std::string&) { raw->done = true; };
  entries_.push_back(std::move(entry));
}

void Refusals::Tick() {
  for (auto& e : entries_)
    if (++e->ticks > kWaitTicks) e->done = true;
  Sweep();
}

void Refusals::Sweep() {
  entries_.erase(std::remove_if(entries_.begin(), entries_.end(), [](const auto& e) { return e->done; }),
                 entries_.end());
}

}  // namespace krel
