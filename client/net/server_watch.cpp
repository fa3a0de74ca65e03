// Announcements: "+" or "-", the 13 bytes of the version text, and for "+"
// one raw byte with the number of worms online; and the newer forms of
// protocol/open_play.h. An entry of the list is everything after the
// version text (the count) followed by the sender's address; the first
// entry heard stays first.
#include "client/net/server_watch.h"

#include <algorithm>
#include <tuple>

#include "client/net/list_query.h"
#include "client/net/net_client.h"
#include "protocol/field_codec.h"
#include "protocol/open_play.h"

namespace krel {

void LoadServerWatch(World& w) {
  if (w.net == nullptr) return;
  NetClient& n = *w.net;
  n.wsListen.OnDatagram = [&w](const std::string& datagram, const std::string& sender) {
    ServerAnnouncement(w, datagram, sender);
  };
  n.wsListen.Bind(n.udpPort, "0.0.0.0", nullptr);
}

void ServerAnnouncement(World& w, const std::string& datagram, const std::string& sender) {
  if (w.net == nullptr || datagram.size() < 1 + kVersionText.size()) return;
  const std::string_view version = std::string_view(datagram).substr(1, kVersionText.size());
  auto byte = [&](std::size_t at) { return static_cast<unsigned char>(datagram[1 + kVersionText.size() + at]); };
  std::map<std::string, NetClient::WaitingGame>& waiting = w.net->WaitingGames;
  // Before a game: worms, free places, 0, flags; only ever a complement of
  // the "+" that follows it.
  if (version == kOpenAnnounceText && datagram[0] == '+' && datagram.size() == 5 + kVersionText.size()) {
    if (byte(3) > kAnnounceLockStepPaced) return;
    if (waiting.size() < 64 || waiting.count(sender) > 0)
      waiting[sender] = {.play_places = byte(1), .lock_step_paced = (byte(3) & kAnnounceLockStepPaced) != 0};
    return;
  }
  // A running open game: "+", its own text, worms, free places.
  const bool open = version == kOpenAnnounceText && datagram[0] == '+' && datagram.size() == 4 + kVersionText.size();
  if (version != kVersionText && !open) return;
  std::vector<std::string>& list = w.net->ServerList;
  const bool withdrawn = datagram[0] == '-';
  std::map<std::string, std::pair<int, int>>& places = w.net->OpenPlaces;
  if (!open)
    places.erase(sender);  // before a game, or withdrawn
  else if (places.size() < 64 || places.count(sender) > 0)
    places[sender] = {byte(1), byte(2)};
  if (open || withdrawn) waiting.erase(sender);
  const std::string entry = datagram.substr(1 + kVersionText.size(), open ? 1 : std::string::npos) + sender;
  auto found =
      std::find_if(list.begin(), list.end(), [&](const std::string& e) { return !e.empty() && e.substr(1) == sender; });
  if (found != list.end()) {
    if (withdrawn)
      list.erase(found);
    else
      *found = entry;
  } else if (datagram[0] == '+') {
    // A bounded list: a flood of made-up senders cannot grow it without end.
    if (list.size() < 64) list.push_back(entry);
  }
}

std::string ServerListLine(const NetClient& n, const std::string& entry) {
  if (entry.empty()) return "";
  const std::string sender = entry.substr(1);
  ListedServer s{.address = sender, .worms = static_cast<unsigned char>(entry[0])};
  if (const auto open = n.OpenPlaces.find(sender); open != n.OpenPlaces.end()) {
    s.running = s.open_play = s.detailed = true;
    std::tie(s.play_places, s.watch_places) = open->second;
  } else if (const auto waiting = n.WaitingGames.find(sender); waiting != n.WaitingGames.end()) {
    s.detailed = true;
    s.play_places = waiting->second.play_places;
    s.lock_step_paced = waiting->second.lock_step_paced;
  }
  return ServerRowText(sender, s);
}

std::string ServerListLine(const std::string& entry) {
  if (entry.empty()) return "";
  // In the words of a list server's line (the count is of worm slots).
  return entry.substr(1) + " (" + std::to_string(static_cast<unsigned char>(entry[0])) + " worms)";
}

}  // namespace krel
