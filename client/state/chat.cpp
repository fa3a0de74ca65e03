#include "client/state/chat.h"

namespace krel {

namespace {

// The end-of-game report keeps at most this many lines.
constexpr std::size_t kChatLogLines = 200;

}  // namespace

void AddChatMsg(World& w, const std::string& text, Origin origin) {
  if (w.Networked() && origin == Origin::kLocal) {
    w.Events().SendChat(text);
    return;
  }
  ShowChatLine(w, text);
}

void ShowChatLine(World& w, const std::string& text) {
  for (std::size_t i = 1; i < w.ChatLines.size(); ++i) {
    if (w.ChatLines[i].empty()) {
      if (w.ChatLog.size() < kChatLogLines) w.ChatLog.push_back(text);
      w.ChatLines[i] = text;
      w.ChatTimes[i] = w.Players[1].Age;
      return;
    }
  }
}

}  // namespace krel
