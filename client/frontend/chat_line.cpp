#include "client/frontend/chat_line.h"

#include "client/net/session.h"
#include "platform/keycodes.h"

namespace krel {

namespace {

bool Pressed(const World& w, int key) {
  return w.KeyState[static_cast<std::size_t>(key)] != 0 && w.OldKeyState[static_cast<std::size_t>(key)] == 0;
}

void Close(World& w) {
  w.Draft.open = false;
  w.Draft.text.clear();
  w.Draft.hold_keys = true;
}

}  // namespace

bool ChatCharacterAllowed(unsigned char ch) { return (ch >= 32 && ch < 127) || ch >= 160; }

std::string ChatLineOf(const World& w, const std::string& text) {
  // The menu's name: a spectator's worm 1 is someone else's.
  std::string name = w.MenuName[1];
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name.empty() ? text : name + ": " + text;
}

void EditChatLine(World& w) {
  if (w.Draft.hold_keys) {
    if (w.KeyState[DIK_ESCAPE] == 0 && w.KeyState[DIK_RETURN] == 0 && w.KeyState[DIK_T] == 0)
      w.Draft.hold_keys = false;
    else
      w.KeyState[DIK_ESCAPE] = w.KeyState[DIK_RETURN] = w.KeyState[DIK_T] = 0;
  }
  if (!w.Draft.open) {
    if (!w.Networked() || !Pressed(w, DIK_T)) return;
    w.Draft.open = true;
    w.Draft.text.clear();
    w.Draft.skip_opening_key = true;
    w.TypedText.clear();
    w.KeyState.fill(0);
    return;
  }
  const bool send = Pressed(w, DIK_RETURN) || Pressed(w, DIK_NUMPADENTER);
  const bool drop = Pressed(w, DIK_ESCAPE) || !w.Networked();
  for (unsigned char ch : w.TypedText) {
    if (w.Draft.skip_opening_key && (ch == 't' || ch == 'T')) {
      w.Draft.skip_opening_key = false;
      continue;
    }
    w.Draft.skip_opening_key = false;
    if (ch == 8 && !w.Draft.text.empty())
      w.Draft.text.pop_back();
    else if (ChatCharacterAllowed(ch) && w.Draft.text.size() < kChatDraftLength)
      w.Draft.text.push_back(static_cast<char>(ch));
  }
  w.TypedText.clear();
  // The key is gone a frame after it opened the line.
  if (w.KeyState[DIK_T] == 0) w.Draft.skip_opening_key = false;
  if (drop) {
    Close(w);
  } else if (send) {
    std::string text = w.Draft.text;
    while (!text.empty() && text.back() == ' ') text.pop_back();
    if (!text.empty()) SendChatLine(w, ChatLineOf(w, text));
    Close(w);
  }
  // The worms stand still while their player types.
  w.KeyState.fill(0);
}

}  // namespace krel
