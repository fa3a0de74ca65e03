#include "client/simulation/worms/input.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "platform/keycodes.h"
#include "platform/platform.h"
#include "platform/settings.h"

namespace krel {

namespace {

struct Binding {
  Control control;
  const char* name[3];  // setting name for players 1 and 2 (index 0 unused)
  int16 def[3];
};

// Player 1's right key is stored under "Right " with a trailing blank, and
// must stay so: settings written by earlier versions use that name.
constexpr Binding kBindings[] = {
    {kLeft, {"", "Left", "Left"}, {0, DIK_LEFT, DIK_S}},
    {kRight, {"", "Right ", "Right"}, {0, DIK_RIGHT, DIK_F}},
    {kUp, {"", "Up", "Up"}, {0, DIK_UP, DIK_E}},
    {kDown, {"", "Down", "Down"}, {0, DIK_DOWN, DIK_D}},
    {kShoot, {"", "Shoot", "Shoot"}, {0, DIK_J, DIK_Y}},
    {kJump, {"", "Jump", "Jump"}, {0, DIK_K, DIK_X}},
    {kChange, {"", "Select", "Select"}, {0, DIK_L, DIK_C}},
};

// The order the keys are written in when the menu saves.
constexpr Control kSaveOrder[] = {kDown, kUp, kLeft, kRight, kShoot, kJump, kChange};

const Binding& BindingOf(Control c) {
  for (const Binding& b : kBindings) {
    if (b.control == c) return b;
  }
  return kBindings[0];
}

std::string Section(int p) { return p == 1 ? "Player 1 Settings" : "Player 2 Settings"; }

int16 RandomHue(World& w) { return static_cast<int16>(std::floor(w.Rand() * 360.0)); }

// Worm colours apart by at least this many degrees of hue.
constexpr int kMinHueDistance = 90;

// A random hue at least 90 degrees round the circle from `other`: one draw
// of the random source, like RandomHue, spread over the 180 hues allowed.
int16 RandomHueAwayFrom(World& w, int other) {
  const int step = static_cast<int>(std::floor(w.Rand() * (360.0 - 2 * kMinHueDistance)));
  return static_cast<int16>((other + kMinHueDistance + std::clamp(step, 0, 179)) % 360);
}

}  // namespace

void InitDInput(World& w) {
  w.KeyState.fill(0);
  w.OldKeyState.fill(0);
  w.LastKey = 0;
  w.TypedText.clear();
}

void initkeys(World& w) {
  for (int k = 0; k < 256; ++k) {
    w.KeyNames[static_cast<std::size_t>(k)] = w.platform ? w.platform->KeyName(k) : std::string();
  }
}

void KeyPressed(World& w) {
  if (w.platform == nullptr) return;
  std::uint8_t state[256] = {};
  w.platform->ReadKeyboard(state);
  // Scan code 0 is no key.
  for (int k = 1; k < 256; ++k) {
    if (state[k] != 0) {
      w.LastKey = static_cast<int16>(k);
      return;
    }
  }
}

void CharacterTyped(World& w, unsigned char ch) { w.TypedText += static_cast<char>(ch); }

void SetDefaultKeys(World& w) {
  for (auto& row : w.KeyMap) row.fill(0);
  for (const Binding& b : kBindings) {
    w.KeyMap[1][b.control] = b.def[1];
    w.KeyMap[2][b.control] = b.def[2];
  }
}

void ReadKeyboardState(World& w) {
  std::uint8_t state[256] = {};
  std::uint8_t pads[3] = {};
  if (w.platform != nullptr) w.platform->ReadGameInput(state, pads);
  // A pad presses its player's keys: a key and a button held together are
  // one press, and the newly-pressed test works for buttons as for keys.
  for (int p = 1; p <= 2; ++p) {
    for (int j = 1; j <= 7; ++j) {
      int code = w.KeyMap[static_cast<std::size_t>(p)][static_cast<std::size_t>(j)];
      if ((pads[p] & (1u << j)) != 0 && code > 0 && code < 256) state[code] = 0x80;
    }
  }
  for (int k = 0; k < 256; ++k) {
    std::size_t i = static_cast<std::size_t>(k);
    w.OldKeyState[i] = w.KeyState[i];
    w.KeyState[i] = (k != 0 && (state[k] & 0x80) != 0) ? 1 : 0;
  }
}

void ReadControls(World& w) {
  for (int p = 1; p <= 2; ++p) {
    for (int j = 1; j <= 7; ++j) {
      int code = w.KeyMap[static_cast<std::size_t>(p)][static_cast<std::size_t>(j)];
      // A binding outside the table (a hand-edited setting) is no key.
      w.Players[static_cast<std::size_t>(p)].Ctrl[static_cast<std::size_t>(j)] =
          (code >= 0 && code < 256) ? w.KeyState[static_cast<std::size_t>(code)] : 0;
    }
  }
}

bool NewlyPressed(const World& w, int p, int j) {
  if (p < 0 || p >= kMaxPlayerSlots || j < 0 || j >= kControls) return false;
  if (w.Players[static_cast<std::size_t>(p)].Ctrl[static_cast<std::size_t>(j)] != 1) return false;
  int code = p < kKeyMapPlayers ? w.KeyMap[static_cast<std::size_t>(p)][static_cast<std::size_t>(j)] : 0;
  if (code < 0 || code > 255) code = 0;
  return w.OldKeyState[static_cast<std::size_t>(code)] == 0;
}

std::optional<int16> ParseStoredInt16(const std::string& text) {
  std::size_t b = 0, e = text.size();
  while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
  while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
  if (b == e) return std::nullopt;
  std::string t = text.substr(b, e - b);
  // Plain decimal only: no hex, no "inf" or "nan".
  bool digit = false;
  for (char c : t) {
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (c != '+' && c != '-' && c != '.' && c != 'e' && c != 'E') {
      return std::nullopt;
    }
  }
  if (!digit) return std::nullopt;
  char* end = nullptr;
  double v = std::strtod(t.c_str(), &end);
  if (end != t.c_str() + t.size()) return std::nullopt;
  return ToInt16Checked(v);
}

flag ControllerFromSetting(const std::string& text) {
  if (text == "1") return kControllerCpu;
  if (text == "2") return kControllerAce;
  return kControllerHuman;
}

void LoadPlayerSettings(World& w) {
  SetDefaultKeys(w);
  // The stored colours first: a colour left to chance keeps its distance
  // from the other worm's, stored or drawn. The draws stay one per missing
  // colour, player 1's first, as before.
  std::array<std::optional<int16>, 3> stored;
  for (int p = 1; p <= 2; ++p) {
    std::optional<int16>& color = stored[static_cast<std::size_t>(p)];
    if (w.settings) color = ParseStoredInt16(w.settings->GetSetting(Section(p), "Color", ""));
    if (color && (*color < 0 || *color > 360)) color.reset();
  }
  for (int p = 1; p <= 2; ++p) {
    const std::optional<int16>& color = stored[static_cast<std::size_t>(p)];
    const std::optional<int16>& other = stored[static_cast<std::size_t>(3 - p)];
    int16 hue = 0;
    if (color)
      hue = *color;
    else if (p == 2)
      hue = RandomHueAwayFrom(w, w.MenuColor[1]);
    else if (other)
      hue = RandomHueAwayFrom(w, *other);
    else
      hue = RandomHue(w);
    w.MenuColor[static_cast<std::size_t>(p)] = hue;
  }

  for (int p = 1; p <= 2; ++p) {
    std::string section = Section(p);
    std::string default_name = p == 1 ? "Player 1" : "Player 2";
    w.MenuName[static_cast<std::size_t>(p)] = w.settings ? w.settings->GetSetting(section, "Name", default_name)
                                                         : default_name;

    // Who controls the worm is the player editor's choice, kept from run to
    // run: "Computer" = "1" is the simple computer player, "2" the ace, at
    // the "Strength" stored beside it (the strongest when missing or not
    // one of 1..5).
    w.MenuComputer[static_cast<std::size_t>(p)] =
        ControllerFromSetting(w.settings != nullptr ? w.settings->GetSetting(section, "Computer", "0") : "0");
    std::optional<int16> strength;
    if (w.settings) strength = ParseStoredInt16(w.settings->GetSetting(section, "Strength", ""));
    w.MenuAceStrength[static_cast<std::size_t>(p)] =
        strength && *strength >= 1 && *strength <= kAceStrongest ? *strength : kAceStrongest;

    for (const Binding& b : kBindings) {
      std::optional<int16> code;
      if (w.settings) code = ParseStoredInt16(w.settings->GetSetting(section, b.name[p], ""));
      // A code outside 0..255 would index past the key tables.
      if (!code || *code < 0 || *code > 255) code = b.def[p];
      w.KeyMap[static_cast<std::size_t>(p)][b.control] = *code;
    }
  }
}

void SavePlayerSettings(World& w) {
  if (w.settings == nullptr) return;
  for (int p = 1; p <= 2; ++p) {
    std::string section = Section(p);
    w.settings->SaveSetting(section, "Name", w.MenuName[static_cast<std::size_t>(p)]);
    w.settings->SaveSetting(section, "Color", std::to_string(w.MenuColor[static_cast<std::size_t>(p)]));
    for (Control c : kSaveOrder) {
      w.settings->SaveSetting(section, BindingOf(c).name[p], std::to_string(w.KeyMap[static_cast<std::size_t>(p)][c]));
    }
    const flag who = w.MenuComputer[static_cast<std::size_t>(p)];
    w.settings->SaveSetting(section, "Computer", who == kControllerAce ? "2" : who == kControllerCpu ? "1" : "0");
    w.settings->SaveSetting(section, "Strength", std::to_string(w.MenuAceStrength[static_cast<std::size_t>(p)]));
  }
}

}  // namespace krel
