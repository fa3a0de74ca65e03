#include "client/frontend/select_server.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "client/frontend/screen.h"
#include "client/frontend/window_events.h"
#include "client/net/connect_attempt.h"
#include "client/net/list_query.h"
#include "client/net/net_client.h"
#include "client/net/server_watch.h"
#include "client/net/session.h"
#include "client/present/display_state.h"
#include "client/present/sound.h"
#include "client/present/text.h"
#include "platform/keycodes.h"
#include "platform/platform.h"
#include "platform/settings.h"

namespace krel {

namespace {

constexpr std::uint32_t kPassMs = 31;
// The lines under the address: its status, then the servers to pick; under
// them, where the servers come from.
constexpr int kModeLineY = 30;
constexpr int kFirstLineY = 50;
constexpr int kLastLineY = 170;
constexpr int kSourceNotesY = 192;

bool Down(const std::array<std::uint8_t, 256>& keys, int code) {
  return (keys[static_cast<std::size_t>(code)] & 0x80) != 0;
}

void WaitForPass(World& w, std::uint32_t& last) {
  for (;;) {
    ProcessWindowEvents(w);
    if (w.QuitRequested || TickCount(w) - last >= kPassMs) break;
    if (w.platform != nullptr) w.platform->Delay(1);
  }
  last = TickCount(w);
}

// One line of the list under the address, the address Enter uses, and
// what Enter needs to know of the server's game.
struct Pick {
  std::string line;
  std::string address;
  bool slowed = false;                             // a client in lock-step sets its pace
  std::optional<std::pair<int, int>> open_places;  // a running open game's places to play and watch
};

// The LAN servers first, in the order they answered, then the list servers'.
std::vector<Pick> Picks(const NetClient& n, const ListQuery* list) {
  std::vector<Pick> picks;
  for (const std::string& entry : n.ServerList) {
    if (entry.empty()) continue;
    Pick& pick = picks.emplace_back();
    pick.line = "LAN  " + ServerListLine(n, entry);
    pick.address = entry.substr(1);
    if (const auto open = n.OpenPlaces.find(pick.address); open != n.OpenPlaces.end()) pick.open_places = open->second;
    if (const auto waiting = n.WaitingGames.find(pick.address); waiting != n.WaitingGames.end())
      pick.slowed = waiting->second.lock_step_paced;
  }
  if (list != nullptr) {
    for (const ListedServer& s : list->Servers()) {
      std::string address = s.address;
      if (s.port != n.tcpPort) address.append(":").append(std::to_string(s.port));
      Pick& pick = picks.emplace_back();
      pick.line = "LIST " + ListedServerLine(s);
      pick.address = address;
      pick.slowed = s.detailed && s.lock_step_paced;
      if (s.detailed && s.running && s.open_play) pick.open_places = std::pair(s.play_places, s.watch_places);
    }
  }
  return picks;
}

}  // namespace

std::vector<std::string> ServerSourceNotes(const std::vector<std::string>& list_servers) {
  std::vector<std::string> notes{"LAN: ON THIS NETWORK, LIST: FROM A LIST SERVER"};
  if (list_servers.empty()) {
    notes.push_back("NO LIST SERVER SET. TO ADD ONE, PUT");
    notes.push_back("\"ListServers\"=\"HOST\" UNDER [Network] IN krel.ini");
    notes.push_back("(OR SET KREL_LIST_SERVERS=HOST)");
    return notes;
  }
  std::string names = "LIST SERVERS:";
  for (const std::string& name : list_servers) names.append(" ").append(name);
  // One line of the screen's width; the names are in krel.ini in full.
  constexpr std::size_t kColumns = 51;
  if (names.size() > kColumns) names = names.substr(0, kColumns - 3) + "...";
  notes.push_back(names);
  return notes;
}

void TypeAddressChar(World& w, std::string& address, unsigned char ch) {
  const bool host_char = (ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') ||
                         ch == ' ' || ch == '.' || ch == '-' || ch == '_' || ch == ':';
  if (ch == 8) {
    if (!address.empty()) address.pop_back();
    PlaySound(w, 27);
  } else if (host_char && address.size() < kAddressLength) {
    address += static_cast<char>(ch);
    PlaySound(w, 26);
  }
}

EnterAction ActOnEnter(bool watching, const std::pair<int, int>* open_places) {
  if (!watching && open_places != nullptr && open_places->first <= 0 && open_places->second > 0)
    return {.connect = false, .watch = true, .note = "NO FREE PLACE TO PLAY: ENTER WATCHES"};
  return {.connect = true, .watch = watching, .note = ""};
}

void SelectServer(World& w, bool play_at_once) {
  if (w.net == nullptr || w.platform == nullptr) return;
  NetClient& n = *w.net;
  std::string address = w.settings != nullptr ? w.settings->GetSetting("Network", "LastServer", "") : "";
  if (address.size() > kAddressLength) address.resize(kAddressLength);
  w.TypedText.clear();
  const std::vector<std::string> list_servers = ListServerNames(w);
  std::unique_ptr<ListQuery> list;
  if (!list_servers.empty()) list = std::make_unique<ListQuery>(n.loop, list_servers);
  const std::vector<std::string> source_notes = ServerSourceNotes(list_servers);
  ConnectAttempt attempt(w);
  bool armed = false, blink = false;
  bool up_was_down = false, down_was_down = false, tab_was_down = false;
  // Watching is agreed with open play, which comes with pipelined play: a
  // client that plays in lock-step only plays.
  const bool can_watch = n.AskPipelined;
  bool watching = can_watch && n.Watch;  // krel --watch chooses it beforehand
  std::string note;                      // why Enter did not connect
  int selected = -1;                     // -1: the typed address; else a line of the list
  std::uint32_t last = TickCount(w) - kPassMs;
  if (play_at_once) {
    watching = n.Watch = false;
    // The token of a spectator's connection holds no worms to give back.
    n.ReturnToken.clear();
    attempt.Begin(address);
    w.NumPlayers = 2;
  }
  for (;;) {
    WaitForPass(w, last);
    if (w.QuitRequested) return;
    if (list) list->Poll(EventLoop::NowMs());
    attempt.Step();
    if (attempt.phase() == ConnectAttempt::Phase::kJoined) break;

    DisplayOf(w).Back.Blit(0, 0, DisplayOf(w).SavedBack, MakeRect(0, 0, 320, 240), false);
    blink = !blink;
    // The address is the chosen line until a server of the list is.
    DrawLines(w, {{"Server: " + address + "_", 10, 40, blink ? 2 : 3, selected < 0}});
    if (can_watch)
      DrawText(w, DisplayOf(w).Back, watching ? "ENTER WATCHES (NO WORMS OF YOUR OWN)" : "ENTER PLAYS", 10, kModeLineY,
               4);
    // Under the address: what the attempt is doing or why the last one failed.
    int y = kFirstLineY;
    const std::string status = attempt.Resolving() ? "RESOLVING..." : !note.empty() ? note : attempt.reason();
    if (!status.empty()) {
      DrawText(w, DisplayOf(w).Back, status, 10, y, 5);
      y += 10;
    }
    const std::vector<Pick> picks = Picks(n, list.get());
    if (selected >= static_cast<int>(picks.size())) selected = static_cast<int>(picks.size()) - 1;
    // As many lines as fit, scrolled so that the chosen one shows.
    const int room = (kLastLineY - y) / 10 + 1;
    const int first = selected >= room ? selected - room + 1 : 0;
    for (int i = first; i < static_cast<int>(picks.size()) && i < first + room; ++i, y += 10)
      DrawLines(w, {{picks[static_cast<std::size_t>(i)].line, 10, y, i == selected ? 4 : 2, i == selected}});
    DrawFooter(w, can_watch ? "ARROWS CHOOSE, TAB PLAY/WATCH, ENTER, ESC BACK"
                            : "ARROWS CHOOSE, ENTER CONNECTS, ESC GOES BACK");
    // The notes take the whole strip under the level's pieces (over the
    // thumbnail and the version, which this screen can do without).
    DisplayOf(w).Back.FillRect(MakeRect(0, kSourceNotesY - 2, 320, 240 - kSourceNotesY + 2), 0);
    int note_y = kSourceNotesY;
    for (const std::string& source_note : source_notes) {
      DrawText(w, DisplayOf(w).Back, source_note, 10, note_y, 5);
      note_y += 10;
    }
    if (std::any_of(picks.begin(), picks.end(), [](const Pick& p) { return p.slowed; }))
      DrawText(w, DisplayOf(w).Back, std::string(kSlowedNote), 10, note_y, 5);

    std::array<std::uint8_t, 256> keys{};
    w.platform->ReadKeyboard(keys.data());
    if (Down(keys, DIK_ESCAPE) && armed) {
      attempt.Abandon();
      return;
    }
    // Up and down walk through the list; the chosen server's address
    // becomes the address, which typing may then change.
    const bool up = Down(keys, DIK_UP), down = Down(keys, DIK_DOWN);
    if (attempt.phase() == ConnectAttempt::Phase::kIdle && !picks.empty()) {
      const int before = selected;
      if (down && !down_was_down && selected + 1 < static_cast<int>(picks.size())) ++selected;
      if (up && !up_was_down && selected >= 0) --selected;
      if (selected != before) note.clear();
      if (selected != before && selected >= 0) address = picks[static_cast<std::size_t>(selected)].address;
    }
    up_was_down = up;
    down_was_down = down;
    // Tab is no character of an address, so it cannot clash with typing one.
    const bool tab = Down(keys, DIK_TAB);
    if (can_watch && tab && !tab_was_down && attempt.phase() == ConnectAttempt::Phase::kIdle) {
      watching = !watching;
      note.clear();
      PlaySound(w, 26);
    }
    tab_was_down = tab;
    if (!Down(keys, DIK_RETURN)) {
      armed = true;
    } else if (armed && attempt.phase() == ConnectAttempt::Phase::kIdle) {
      // The chosen row's places (the typed address may name a LAN server too).
      const auto open = n.OpenPlaces.find(address);
      const std::pair<int, int>* places = open != n.OpenPlaces.end() ? &open->second : nullptr;
      if (selected >= 0 && picks[static_cast<std::size_t>(selected)].open_places)
        places = &*picks[static_cast<std::size_t>(selected)].open_places;
      const EnterAction action = ActOnEnter(watching, places);
      watching = action.watch;
      note = action.note;
      if (!action.connect) {
        // The next Enter watches; the one held now must be let go first.
        armed = false;
      } else {
        // While Enter is held, a failed attempt repeats.
        n.Watch = watching;
        attempt.Begin(address);
        w.NumPlayers = 2;
        if (attempt.phase() == ConnectAttempt::Phase::kJoined) break;
      }
    }
    w.platform->Present(DisplayOf(w).Back);
    for (unsigned char ch : w.TypedText) {
      TypeAddressChar(w, address, ch);
      selected = -1;
      note.clear();
    }
    w.TypedText.clear();
  }
  w.NumPlayers = 2;
  if (w.settings != nullptr) w.settings->SaveSetting("Network", "LastServer", address);
}

}  // namespace krel
