#include "client/net/list_query.h"

#include <cstdlib>
#include <sstream>

#include "platform/settings.h"

namespace krel {

namespace {
constexpr std::size_t kMaxListServers = 8;
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

std::string ListedServerLine(const ListedServer& s) {
  return s.address + ":" + std::to_string(s.port) + " (" + std::to_string(s.worms) + " worms" +
         (s.running ? ", GAME RUNNING)" : ")");
}

ListQuery::ListQuery(EventLoop& loop, const std::vector<std::string>& list_servers)
    : socket_(loop), random_(std::random_device{}()) {
  for (const std::string& name : list_servers) {
    auto s = std::make_unique<Source>();
    // A name that cannot be a host is never asked.
    if (!SplitHostPort(name, s->host, s->port)) continue;
    s->resolver.Start(s->host);
    sources_.push_back(std::move(s));
  }
  socket_.OnDatagramFrom = [this](const std::string& d, const UdpPeer& from) { Arrived(d, from); };
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
    s->next_round_ms = now_ms + kRoundMs;
    s->nonce = static_cast<std::uint32_t>(random_());
    s->pages = 1;
    socket_.SendTo(s->peer, EncodeListQuery(s->nonce, 0, kListMaxDatagram));
  }
  for (auto it = heard_.begin(); it != heard_.end();)
    it = now_ms - it->second.seen_ms > kForgetMs ? heard_.erase(it) : std::next(it);
}

void ListQuery::Arrived(const std::string& datagram, const UdpPeer& from) {
  ListMessage m;
  if (!ParseListDatagram(datagram, m) || m.kind != ListMessage::Kind::kAnswer) return;
  for (auto& s : sources_) {
    // Only the answer to this round's query, from the server asked.
    if (!s->resolved || s->peer.address_be != from.address_be || s->peer.port != from.port || m.nonce != s->nonce)
      continue;
    for (const ListEntry& e : m.entries) {
      Heard& h = heard_[ListKey(e.address_be, e.port)];
      h.server = ListedServer{UdpPeer{e.address_be, e.port}.Text(), e.port, e.worms, e.running};
      h.seen_ms = now_ms_;
    }
    if (m.more && !m.entries.empty() && s->pages < kPagesPerRound) {
      ++s->pages;
      s->nonce = static_cast<std::uint32_t>(random_());
      const ListEntry& last = m.entries.back();
      socket_.SendTo(s->peer, EncodeListQuery(s->nonce, ListKey(last.address_be, last.port), kListMaxDatagram));
    }
    return;
  }
}

std::vector<ListedServer> ListQuery::Servers() const {
  std::vector<ListedServer> out;
  out.reserve(heard_.size());
  for (const auto& [key, h] : heard_) out.push_back(h.server);
  return out;
}

}  // namespace krel
