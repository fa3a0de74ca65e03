// Until the network session lands every game is local: nothing is sent and a
// frame never waits. The chat table and the lost-connection line are real.
#include "client/net/session.h"

namespace krel {

void SendMyData(World& w) {
  w.OutBuffer.clear();
  w.NetFrameReady = kTrue;
}

void ConnectionLost(World& w) {
  CloseConnection(w);
  AddChatMsg(w, "NETWORK CONNECTION LOST", true);
}

void CloseConnection(World& w) { w.wsState = 0; }

void AddChatMsg(World& w, const std::string& text, bool /*bywinsock*/) {
  for (std::size_t i = 1; i < w.ChatLines.size(); ++i) {
    if (w.ChatLines[i].empty()) {
      w.ChatLines[i] = text;
      w.ChatTimes[i] = w.Players[1].Age;
      return;
    }
  }
}

}  // namespace krel
