// The player editor: one local player's name, colour, seven keys and who
// controls the worm, opened from the menu's options page.
#pragma once

#include <string>
#include <vector>

#include "client/frontend/screen.h"
#include "client/state/world.h"

namespace krel {

inline constexpr int kEditorLines = 10;
// As long as a name can be and still fit every screen that shows it (the
// editor's line, the standings beside the lives, the results' name column).
inline constexpr std::size_t kMaxTypedName = 16;

struct EditorState {
  int player = 1;        // 1 or 2
  int line = 1;          // 1 name, 2 colour, 3..9 the keys, 10 controller
  bool editing = false;  // typing the name or waiting for a key
  bool latch = true;     // Enter that opened the editor must be released first
  bool blink = false;
  bool fresh_name = false;  // the first character typed replaces the whole name
  std::string refused;      // why the last key pressed was not taken: two lines, parted by "\n"
};

// One pass: while editing, the typed characters (the name) or LastKey (a
// key binding) are taken; otherwise the first of Down, Up, Escape, Left,
// Right, Enter that is down acts. TypedText and LastKey are used up either
// way. Returns false when the player leaves with Escape.
//
// A key already bound to another control (of either player) is refused
// with a note and the editor waits for another; Escape keeps the old key.
bool HandleEditorKeys(World& w, EditorState& e, const KeySnapshot& keys);

// The CONTROLLER line's cycle: HUMAN, CPU (the simple computer player),
// ACE 1 to ACE 5 (the ace computer player from its easiest to its strongest),
// HUMAN again; and the words it shows.
void NextController(flag& c, int16& strength);
std::string ControllerName(flag c, int16 strength);

// The ten lines of the screen in their colours, then the notes under them
// (what to press, why a key was refused, the name's limit).
std::vector<TextLine> EditorLines(const World& w, const EditorState& e);

// Runs the editor for player 1 or 2 until it is left with Escape (or the
// window is closed). Changes take effect at once.
void EditPlayer(World& w, int player);

}  // namespace krel
