// Typing a chat line during a network game: T (a key no player's default
// controls use) opens a line at the bottom of the screen, Enter sends it to
// every client of the game as an ordinary chat line ("NAME: text"), Escape
// drops it. While it is open the worms get no keys.
#pragma once

#include <string>

#include "client/state/world.h"

namespace krel {

// The longest line that can be typed, in characters.
inline constexpr std::size_t kChatDraftLength = 40;

// Once per frame, after the keyboard is read and before the controls are:
// opens, edits, sends or drops the line from the keys and the characters
// typed, and takes the keys away from the game while the line is open.
void EditChatLine(World& w);

// What a typed character adds to the line: printable characters of the
// game's code page only (control bytes are dropped).
bool ChatCharacterAllowed(unsigned char ch);

// The line sent for `text` typed by this client's (first) player.
std::string ChatLineOf(const World& w, const std::string& text);

}  // namespace krel
