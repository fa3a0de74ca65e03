#include "client/net/list_query.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <utility>

#include "platform/settings.h"

namespace krel {

namespace {
constexpr std::size_t kMaxListServers = 8;  // one bit each in ListQuery::Heard
}

std::vector<std::string> ListServerNames(World& w) {
  std::string text;
  if (const char* env = std::getenv("KREL_LIST_SERVERS"); env != nullptr && *env != '\0')
    text = env;
  else if (w.settings != nullptr)
    text = w.settings->GetSetting("Network", "ListServers", "");
  std::vector<std::string> names;
  std::istringstream words(text);
  for (std::string name; words >> name && names.size() < kMaxListServers;) names.push_back(name);
  return names;
}

std::string ServerRowText(const std::string& address, const ListedServer& s) {
  const std::string slowed = s.detailed && s.lock_step_paced ? ", SLOWED" : "";
  if (s.detailed && s.running && s.open_play) {
    // A game in play with room for more: free places of the eight a server
    // has; with none, whether it can still be watched.
    return address + ": " +
           (s.play_places > 0 ? std::to_string(s.play_places) + " OF 8 PLACES"
                              : std::string(s.watch_places > 0 ? "WATCH ONLY" : "FULL")) +
           slowed;
  }
  // Nobody can join it: how many play matters less than the room on the row.
  if (s.detailed && s.running) return address + ": GAME RUNNING" + slowed;
  const bool full = s.detailed && s.play_places == 0;
  return address + " (" + std::to_string(s.worms) + " worms" + (s.running ? ", GAME RUNNING" : "") +
         (full ? ", FULL" : "") + slowed + ")";
}

std::string ListedServerLine(const ListedServer& s) {
  return ServerRowText(s.address + ":" + std::to_string(s.port), s);
}

namespace {

// A well-mixed number of a key, for the screen's own order of the relays.
std::uint64_t Mix(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15ULL;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
  return x ^ (x >> 31);
}

// Open games with players first: that is where someone can play now.
int Group(const ListedServer& s) {
  if (s.detailed && s.running && s.open_play && s.play_places > 0) return 0;
  return s.running ? 2 : s.worms > 0 ? 0 : 1;
}

}  // namespace

ListQuery::ListQuery(EventLoop& loop, const std::vector<std::string>& list_servers)
    : socket_(loop), random_(std::random_device{}()) {
  shuffle_ = (static_cast<std::uint64_t>(random_()) << 32) | random_();
  for (const std::string& name : list_servers) {
    auto s = std::make_unique<Source>();
    // A name that cannot be a host is never asked.
    if (!SplitHostPort(name, s->host, s->port)) continue;
    s->resolver.Start(s->host);
    sources_.push_back(std::move(s));
  }
  socket_.OnDatagramFrom = [this](const std::string& d, const UdpPeer& from) { Arrived(d, from); };
}

void ListQuery::Ask(Source& s) {
  s.nonce = static_cast<std::uint32_t>(random_()) | 1u;  // 0 stands for "nothing asked"
  socket_.SendTo(s.peer, EncodeListQuery(s.nonce, s.cursor, kListMaxDatagram, true));
}

void ListQuery::Poll(std::int64_t now_ms) {
  now_ms_ = now_ms;
  for (auto& s : sources_) {
    if (!s->resolved && !s->failed && s->resolver.Done()) {
      s->resolved = s->resolver.Result(s->peer.address_be);
      s->failed = !s->resolved;
      s->peer.port = s->port;
    }
    if (!s->resolved || now_ms < s->next_round_ms) continue;
    // A round goes on where the last one stopped (a lost answer only
    // delays it to the next round).
    s->next_round_ms = now_ms + kRoundMs;
    s->pages = 1;
    Ask(*s);
  }
  for (auto it = heard_.begin(); it != heard_.end();)
    it = now_ms - it->second.seen_ms > kForgetMs ? heard_.erase(it) : std::next(it);
}

void ListQuery::TakePage(std::size_t index, std::uint64_t from, std::uint64_t to,
                         const std::vector<ListEntry>& entries) {
  const std::uint32_t bit = 1u << index;
  for (auto it = heard_.upper_bound(from); it != heard_.end() && it->first <= to;) {
    Heard& h = it->second;
    h.sources &= ~bit;
    it = h.sources == 0 ? heard_.erase(it) : std::next(it);
  }
  for (const ListEntry& e : entries) {
    Heard& h = heard_[ListKey(e.address_be, e.port)];
    h.server = ListedServer{.address = UdpPeer{e.address_be, e.port}.Text(),
                            .port = e.port,
                            .worms = e.worms,
                            .running = e.running,
                            .detailed = e.detailed,
                            .play_places = e.play_places,
                            .watch_places = e.watch_places,
                            .open_play = e.open_play,
                            .lock_step_paced = e.lock_step_paced};
    h.seen_ms = now_ms_;
    h.sources |= bit;
  }
}

void ListQuery::Arrived(const std::string& datagram, const UdpPeer& from) {
  ListMessage m;
  if (!ParseListDatagram(datagram, m) || m.kind != ListMessage::Kind::kAnswer) return;
  for (std::size_t i = 0; i < sources_.size(); ++i) {
    Source& s = *sources_[i];
    // Only the answer to the query now asked, from the server asked.
    if (!s.resolved || s.peer.address_be != from.address_be || s.peer.port != from.port || m.nonce != s.nonce) continue;
    s.nonce = 0;  // answered: a copy of it changes nothing
    const bool more = m.more && !m.entries.empty();
    const std::uint64_t last = more ? ListKey(m.entries.back().address_be, m.entries.back().port) : ~std::uint64_t{0};
    TakePage(i, s.cursor, last, m.entries);
    // At the end of the list the next round starts from its beginning.
    s.cursor = more ? last : 0;
    if (more && s.pages < kPagesPerRound) {
      ++s.pages;
      Ask(s);
    }
    return;
  }
}

std::vector<ListedServer> ListQuery::Servers() const {
  std::vector<std::pair<std::pair<int, std::uint64_t>, const ListedServer*>> order;
  order.reserve(heard_.size());
  for (const auto& [key, h] : heard_) order.push_back({{Group(h.server), Mix(key ^ shuffle_)}, &h.server});
  std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<ListedServer> out;
  out.reserve(order.size());
  for (const auto& entry : order) out.push_back(*entry.second);
  return out;
}

}  // namespace krel
