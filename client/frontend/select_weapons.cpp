#include "client/frontend/select_weapons.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "client/frontend/window_events.h"
#include "client/present/display_state.h"
#include "client/present/sound.h"
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

std::vector<TextLine> WeaponLines(const World& w, const WeaponChoice& c) {
  const int blink = c.blink ? 1 : 0;
  std::vector<TextLine> lines;
  for (int p = 1; p <= 2; ++p) {
    const int sel = c.selection[static_cast<std::size_t>(p)];
    if (sel == kFinished) continue;
    const int x = kColumnX[p];
    lines.push_back({"Randomize", x, 40, sel == kLineRandomize ? 7 - blink : 4});
    for (int line = 1; line <= 5; ++line) {
      const std::string& name = w.WeaponDefs[static_cast<std::size_t>(WeaponIn(w, p, line - 1) + 1)].NAME;
      lines.push_back({name, x, 40 + 10 * line, sel == line ? 6 - blink : 7});
    }
    lines.push_back({"Done", x, 100, sel == kLineDone ? 7 - blink : 3});
  }
  return lines;
}

bool HandleWeaponKeys(World& w, WeaponChoice& c, const KeySnapshot& keys) {
  if (keys.Down(DIK_RETURN) || keys.Down(DIK_ESCAPE)) return false;
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
    if (!HandleWeaponKeys(w, c, keys)) return;
    PresentScreen(w);
  }
}

}  // namespace krel
