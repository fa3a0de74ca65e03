// The keyboard as the game sees it: the 256-entry state tables of this and
// the previous frame, the key bindings of the two local players, the key
// names for the player editor, and LastKey / TypedText for the menus.
#pragma once

#include <optional>
#include <string>

#include "client/state/world.h"

namespace krel {

// Prepares the keyboard tables (the platform owns the device itself).
void InitDInput(World& w);

// Fills KeyNames from the platform's name of every scan code.
void initkeys(World& w);

// Key-down event: LastKey = the lowest scan code now down; unchanged when
// none is.
void KeyPressed(World& w);

// Character event: appends the character to TypedText.
void CharacterTyped(World& w, unsigned char ch);

// The default bindings of players 1 and 2 (everything else 0).
void SetDefaultKeys(World& w);

// Frame step "read the keyboard": OldKeyState = KeyState, then KeyState from
// the device (1 while down). Scan code 0 is no key and never reads as down.
// The pads of players 1 and 2 hold down the keys bound to their controls.
void ReadKeyboardState(World& w);

// Frame step "controls": Ctrl(1..7) of players 1 and 2 from their keys.
void ReadControls(World& w);

// True when control j of player p is held now and its key was up when the
// previous frame's table was read. Meaningful for players 1 and 2; other
// players have no keys (scan code 0), so only their Ctrl decides.
bool NewlyPressed(const World& w, int p, int j);

// Stored decimal text as an int16, rounded half to even; empty when the text
// is not a plain number or does not fit.
std::optional<int16> ParseStoredInt16(const std::string& text);

// "Player 1 Settings" / "Player 2 Settings": Name, Color and the seven keys,
// loaded into MenuName, MenuColor and KeyMap (a missing or damaged value
// takes its default; a missing colour a fresh random hue 0..359), and saved
// in the order Name, Color, Down, Up, Left, Right, Shoot, Jump, Select.
void LoadPlayerSettings(World& w);

// The controller a stored "Computer" value names: "1" the simple computer
// player, "2" the ace, anything else a person.
flag ControllerFromSetting(const std::string& text);
void SavePlayerSettings(World& w);

}  // namespace krel
