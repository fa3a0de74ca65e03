#include "client/frontend/select_weapons.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "client/frontend/window_events.h"
#include "client/present/display_state.h"
#include "client/present/render_world.h"
#include "client/present/sound.h"
#include "client/present/text.h"
#include "platform/keycodes.h"
#include "platform/platform.h"

namespace krel {

namespace {

constexpr std::uint32_t kWeaponFrameMs = 11;
constexpr int kLines = 7;
constexpr int kColumnX[3] = {0, 20, 180};

void SetWeapon(World& w, int p, int slot, int weapon) {
  Player& pl = w.Players[static_cast<std::size_t>(p)];
  pl.WeaponSlots[static_cast<std::size_t>(slot)] = static_cast<int16>(weapon);
  pl.Ammo[static_cast<std::size_t>(slot)] = fixed(w.WeaponDefs[static_cast<std::size_t>(weapon + 1)].AMMO);
}

// The weapon number in a slot, kept to 0..39 (it may come from a network game).
int WeaponIn(const World& w, int p, int slot) {
  const int n = w.Players[static_cast<std::size_t>(p)].WeaponSlots[static_cast<std::size_t>(slot)];
  return std::clamp(n, 0, kChoosableWeapons - 1);
}

// The scan code of a control of player p, 0 (no key) when off the table.
int KeyOf(const World& w, int p, int control) {
  const int code = w.KeyMap[static_cast<std::size_t>(p)][static_cast<std::size_t>(control)];
  return code >= 0 && code < 256 ? code : 0;
}

void PlayerKeys(World& w, WeaponChoice& c, int p, const KeySnapshot& keys) {
  const auto& map = w.KeyMap[static_cast<std::size_t>(p)];
  int& sel = c.selection[static_cast<std::size_t>(p)];
  bool& latch = c.latch[static_cast<std::size_t>(p)];
  const bool on_weapon = sel >= 1 && sel <= 5;
  if (keys.Down(map[kUp])) {
    if (!latch) {
      // A finished player comes back at its last weapon.
      sel = sel == kFinished ? 5 : (sel + 6) % kLines;
      PlaySound(w, 26);
      latch = true;
    }
  } else if (keys.Down(map[kDown])) {
    if (!latch) {
      sel = sel == kFinished ? kLineRandomize : (sel + 1) % kLines;
      PlaySound(w, 27);
      latch = true;
    }
  } else if (keys.Down(map[kLeft]) && (!latch && on_weapon)) {
    SetWeapon(w, p, sel - 1, (WeaponIn(w, p, sel - 1) + kChoosableWeapons - 1) % kChoosableWeapons);
    latch = true;
  } else if (keys.Down(map[kRight]) && (!latch && on_weapon)) {
    SetWeapon(w, p, sel - 1, (WeaponIn(w, p, sel - 1) + 1) % kChoosableWeapons);
    latch = true;
  } else if (keys.Down(map[kShoot])) {
    // Held on "Randomize" it rolls again every pass.
    if (sel == kLineRandomize) RollWeapons(w, p);
    if (sel == kLineDone) sel = kFinished;
  } else if (!keys.Down(map[kLeft]) && !keys.Down(map[kRight])) {
    latch = false;
  }
}

}  // namespace

void RollWeapons(World& w, int p) {
  std::array<int, 5> rolled{};
  for (int k = 0; k < 5; ++k) {
    int weapon = std::clamp(static_cast<int>(std::floor(w.Rand() * kChoosableWeapons)), 0, kChoosableWeapons - 1);
    // A computer player never changes what it was given, so it gets five
    // different weapons: a repeat becomes the next weapon it does not have
    // yet (no further draws, so the game's random numbers stay as they were).
    if (w.MenuComputer[static_cast<std::size_t>(p)] != kControllerHuman)
      while (std::find(rolled.begin(), rolled.begin() + k, weapon) != rolled.begin() + k)
        weapon = (weapon + 1) % kChoosableWeapons;
    rolled[static_cast<std::size_t>(k)] = weapon;
    SetWeapon(w, p, k, weapon);
  }
}

bool IsComputer(const World& w, int p) { return w.MenuComputer[static_cast<std::size_t>(p)] != kControllerHuman; }

std::vector<TextLine> WeaponLines(const World& w, const WeaponChoice& c) {
  constexpr int kGrey = 2, kSand = 3, kPale = 5;
  const int blink = c.blink ? 1 : 0;
  std::vector<TextLine> lines;
  for (int p = 1; p <= 2; ++p) {
    const auto pi = static_cast<std::size_t>(p);
    const int sel = c.selection[pi];
    const bool done = sel == kFinished;
    const int x = kColumnX[p];
    lines.push_back({std::string(Trim(w.MenuName[pi]).substr(0, 22)), x, 28, kPale});
    // A finished player keeps its weapons in view, greyed, without the
    // lines it no longer chooses from.
    if (!done) lines.push_back({"Randomize", x, 40, sel == kLineRandomize ? 7 - blink : 4, sel == kLineRandomize});
    for (int line = 1; line <= 5; ++line) {
      const std::string& name = w.WeaponDefs[static_cast<std::size_t>(WeaponIn(w, p, line - 1) + 1)].NAME;
      lines.push_back({name, x, 40 + 10 * line, done ? kGrey : sel == line ? 6 - blink : 7, sel == line});
    }
    if (!done) lines.push_back({"Done", x, 100, sel == kLineDone ? 7 - blink : 3, sel == kLineDone});
    // The column's state, and the player's own keys.
    const std::string state = done ? "READY" : IsComputer(w, p) ? "COMPUTER, READY" : "CHOOSING";
    lines.push_back({state, x, 114, done || IsComputer(w, p) ? kSand : kGrey});
    const auto key = [&](int control) { return KeyLabel(w, KeyOf(w, p, control)); };
    // Cut to the column's width (long key names).
    constexpr std::size_t kColumnChars = 23;
    lines.push_back({(key(kUp) + "/" + key(kDown) + " MOVES").substr(0, kColumnChars), x, 128, kGrey});
    lines.push_back({(key(kLeft) + "/" + key(kRight) + " CHANGES").substr(0, kColumnChars), x, 138, kGrey});
    lines.push_back({(key(kShoot) + " PICKS").substr(0, kColumnChars), x, 148, kGrey});
  }
  return lines;
}

std::string WeaponFooter() { return "SHOOT ON DONE WHEN READY, ENTER STARTS AT ONCE"; }

bool HandleWeaponKeys(World& w, WeaponChoice& c, const KeySnapshot& keys) {
  if (keys.Down(DIK_RETURN) || keys.Down(DIK_ESCAPE)) return false;
  // Every person at the keyboard is done; a computer player is always
  // ready (with none, only Enter starts).
  bool all_ready = true, anyone = false;
  for (int p = 1; p <= 2; ++p) {
    if (IsComputer(w, p)) continue;
    anyone = true;
    all_ready = all_ready && c.selection[static_cast<std::size_t>(p)] == kFinished;
  }
  if (anyone && all_ready) return false;
  if (c.selection[1] == kFinished && c.selection[2] == kFinished) return false;
  PlayerKeys(w, c, 1, keys);
  PlayerKeys(w, c, 2, keys);
  return true;
}

void SelectWeapons(World& w) {
  // The Enter that chose the game must not also end this screen.
  for (;;) {
    ProcessWindowEvents(w);
    if (w.QuitRequested) return;
    if (!KeySnapshot::Read(w).Down(DIK_RETURN)) break;
    if (w.platform != nullptr) w.platform->Delay(5);
  }
  RollWeapons(w, 1);
  RollWeapons(w, 2);

  WeaponChoice c;
  ScreenPacer pacer(kWeaponFrameMs);
  while (pacer.Next(w)) {
    const KeySnapshot keys = KeySnapshot::Read(w);
    DisplayOf(w).Back.Blit(0, 0, DisplayOf(w).SavedBack, MakeRect(0, 0, 320, 240), false);
    c.blink = !c.blink;
    DrawLines(w, WeaponLines(w, c));
    DrawFooter(w, WeaponFooter());
    if (!HandleWeaponKeys(w, c, keys)) return;
    PresentScreen(w);
  }
}

}  // namespace krel
