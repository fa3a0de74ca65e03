#include "client/frontend/menu.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>

#include "client/frontend/edit_player.h"
#include "client/frontend/game_settings.h"
#include "client/frontend/results.h"
#include "client/frontend/select_server.h"
#include "client/frontend/select_weapons.h"
#include "client/frontend/window_events.h"
#include "client/present/display_state.h"
#include "client/present/sound.h"
#include "client/present/text.h"
#include "platform/keycodes.h"
#include "platform/platform.h"
#include "protocol/base/version.h"

namespace krel {

namespace {

constexpr std::uint32_t kMenuFrameMs = 31;
constexpr int kValueX = 290;

struct ItemLook {
  int item;
  const char* text;
  int x, y;
  int normal, blink;
};

constexpr ItemLook kItems[] = {
    {kItemLocalGame, "NEW LOCAL GAME", 55, 20, 2, 3},
    {kItemNetworkGame, "NEW NETWORK GAME", 55, 30, 3, 2},
    {kItemOptions, "OPTIONS", 55, 40, 4, 5},
    {kItemQuit, "QUIT TO OS", 55, 50, 6, 5},
    {kItemLives, "LIVES", 180, 20, 2, 5},
    {kItemLoading, "LOADING TIMES", 180, 30, 2, 5},
    {kItemRegenerate, "REGENERATE LEVEL", 180, 40, 2, 5},
    {kItemLoadAndChange, "LOAD+CHANGE", 180, 50, 2, 5},
    {kItemPlayer1, "PLAYER 1 OPTIONS", 180, 60, 2, 5},
    {kItemPlayer2, "PLAYER 2 OPTIONS", 180, 70, 2, 5},
    {kItemFullscreen, "FULL SCREEN", 180, 80, 2, 5},
    {kItemVolume, "SOUND VOLUME", 180, 90, 2, 5},
};

bool OnMainPage(int item) { return item < kItemLives; }

// The next item down (step 1) or up (step -1), round the item's own page.
int Cycle(int item, int step) {
  const int first = OnMainPage(item) ? kItemLocalGame : kItemLives;
  const int count = OnMainPage(item) ? 4 : kItemVolume - kItemLives + 1;
  return first + ((item - first) + step + count) % count;
}

std::string OnOff(flag f) { return f != kFalse ? " ON" : " OFF"; }

// A whole random number 0..n-1.
int RandomBelow(const std::function<double()>& rand, int n) {
  return std::clamp(static_cast<int>(std::floor(rand() * n)), 0, n - 1);
}

// After a game: the menu gets a background of its own again instead of the
// game's last frame, then the results screen (unless a recording made
// before it existed is playing) shows the game's outcome over it. The
// pieces are drawn from a copy of the random source, so that the draws of
// the next weapon selection, and so every recorded session, stay the same.
void AfterGame(World& w, GameEnd end) {
  if (w.QuitRequested || end == GameEnd::kClosed) return;
  std::mt19937_64 copy = w.rng;
  ComposeMenuBackground(w, [&copy] { return static_cast<double>(copy() >> 11) * (1.0 / 9007199254740992.0); });
  // A spectator that did not get to play has no results to see.
  if (w.ResultsScreen && end != GameEnd::kTakePlace) ShowResults(w, end);
}

// A network game; a spectator that takes a free place connects to the same
// server again to play (the level and the worms come as to any newcomer).
// Left with Escape, that address screen goes back to the menu.
GameEnd PlayOnline(World& w, const PlayGame& play) {
  GameEnd end = play(w);
  while (end == GameEnd::kTakePlace && !w.QuitRequested) {
    SelectServer(w, true);
    if (w.Connection != ConnectionState::kConnected) {
      w.NumPlayers = 2;
      break;
    }
    end = play(w);
  }
  return end;
}

// A step of the volume, with a sound to hear it by.
void ChangeVolume(World& w, int step) {
  SetVolume(w, SoundOf(w).volume + step);
  PlaySound(w, 28);
}

}  // namespace

MenuCommand HandleMenuKeys(World& w, MenuState& m, const KeySnapshot& keys) {
  if (keys.Down(DIK_DOWN)) {
    if (!m.latch) {
      m.selected = Cycle(m.selected, 1);
      PlaySound(w, 27);
      m.latch = true;
    }
  } else if (keys.Down(DIK_UP)) {
    if (!m.latch) {
      m.selected = Cycle(m.selected, -1);
      PlaySound(w, 26);
      m.latch = true;
    }
  } else if (keys.Down(DIK_ESCAPE)) {
    if (!m.latch) {
      m.selected = OnMainPage(m.selected) ? kItemQuit : kItemOptions;
      m.latch = true;
    }
  } else if (keys.Down(DIK_LEFT)) {
    if (!m.latch) {
      if (m.selected == kItemLives && w.LivesSetting > 1) w.LivesSetting -= 1;
      if (m.selected == kItemLoading && w.LoadingSetting >= 6) w.LoadingSetting -= 5;
      if (m.selected == kItemVolume && SoundOf(w).volume > 0) ChangeVolume(w, -kVolumeStep);
      m.latch = true;
    }
  } else if (keys.Down(DIK_RIGHT)) {
    if (!m.latch) {
      if (m.selected == kItemLives && w.LivesSetting < 50) w.LivesSetting += 1;
      if (m.selected == kItemLoading && w.LoadingSetting < 500) w.LoadingSetting += 5;
      if (m.selected == kItemVolume && SoundOf(w).volume < 100) ChangeVolume(w, kVolumeStep);
      m.latch = true;
    }
  } else if (keys.Down(DIK_RETURN)) {
    if (!m.latch) {
      PlaySound(w, 28);
      m.latch = true;
      switch (m.selected) {
        case kItemLocalGame: return MenuCommand::kLocalGame;
        case kItemNetworkGame: return MenuCommand::kNetworkGame;
        case kItemOptions: m.selected = kItemLives; break;
        case kItemQuit: return MenuCommand::kQuit;
        case kItemRegenerate: w.RegenerateLevel = ToFlag(w.RegenerateLevel == kFalse); break;
        case kItemLoadAndChange: w.LoadAndChange = ToFlag(w.LoadAndChange == kFalse); break;
        case kItemFullscreen:
          w.Fullscreen = ToFlag(w.Fullscreen == kFalse);
          if (w.platform != nullptr) w.platform->SetFullscreen(w.Fullscreen != kFalse);
          break;
        case kItemPlayer1: return MenuCommand::kEditPlayer1;
        case kItemPlayer2: return MenuCommand::kEditPlayer2;
        default: break;  // lives and loading change with the arrows only
      }
    }
  } else {
    m.latch = false;
  }
  return MenuCommand::kNone;
}

std::vector<TextLine> MenuLines(const World& w, const MenuState& m) {
  std::vector<TextLine> lines;
  int colour[kItemVolume + 1] = {};
  for (const ItemLook& it : kItems) {
    colour[it.item] = (it.item == m.selected && m.blink) ? it.blink : it.normal;
    lines.push_back({it.text, it.x, it.y, colour[it.item], it.item == m.selected});
  }
  lines.push_back({std::string(" ").append(std::to_string(w.LivesSetting)), kValueX, 20, colour[kItemLives]});
  lines.push_back({std::string(" ").append(std::to_string(w.LoadingSetting)), kValueX, 30, colour[kItemLoading]});
  lines.push_back({OnOff(w.RegenerateLevel), kValueX, 40, colour[kItemRegenerate]});
  lines.push_back({OnOff(w.LoadAndChange), kValueX, 50, colour[kItemLoadAndChange]});
  lines.push_back({OnOff(w.Fullscreen), kValueX, 80, colour[kItemFullscreen]});
  const int volume = SoundOf(w).volume;
  lines.push_back({volume > 0 ? std::string(" ").append(std::to_string(volume)) : std::string(" OFF"), kValueX, 90,
                   colour[kItemVolume]});
  return lines;
}

std::string MenuNotice() { return "ARROWS+ENTER CHOOSE, ESC GOES BACK"; }

void ComposeMenuBackground(World& w) {
  ComposeMenuBackground(w, [&w] { return w.Rand(); });
}

void ComposeMenuBackground(World& w, const std::function<double()>& rand) {
  constexpr int kPieceW = 160, kPieceH = 189;
  DisplayOf(w).Back.Clear(0);
  // Two pieces of the level side by side. A level smaller than the usual
  // one still gives pieces from inside it; one smaller than a piece leaves
  // that half black.
  const int span_x = std::clamp(w.LevelWidth - kPieceW + 1, 1, 340);
  const int span_y = std::clamp(w.LevelHeight - kPieceH + 1, 1, 150);
  for (int left : {0, kPieceW}) {
    const int sx = RandomBelow(rand, span_x), sy = RandomBelow(rand, span_y);
    DisplayOf(w).Back.Blit(left, 0, w.LevelSurface, MakeRect(sx, sy, kPieceW, kPieceH), false);
  }
  DisplayOf(w).Back.FillRect(MakeRect(160, 0, 1, 200), 0);
  DisplayOf(w).Back.BlitStretched(MakeRect(124, 190, 72, 50), w.LevelSurface,
                                  MakeRect(0, 0, w.LevelWidth, w.LevelHeight), false);
  // The version, in the black corner left of the thumbnail, on every menu screen.
  DrawText(w, DisplayOf(w).Back, kReleaseName, 10, 204, 2);
  DrawText(w, DisplayOf(w).Back, "build " + std::string(BuildId()), 10, 214, 2);
  DisplayOf(w).SavedBack.Blit(0, 0, DisplayOf(w).Back, MakeRect(0, 0, 320, 240), false);
}

void MainScreen(World& w, const PlayGame& play) {
  LoadSettings(w);
  ComposeMenuBackground(w);
  MenuState m;
  ScreenPacer pacer(kMenuFrameMs);
  while (pacer.Next(w)) {
    DisplayOf(w).Back.Blit(0, 0, DisplayOf(w).SavedBack, MakeRect(0, 0, 320, 240), false);
    m.blink = !m.blink;
    // The platform's own key (Alt+Enter) may have switched the display.
    if (w.platform != nullptr) w.Fullscreen = ToFlag(w.platform->IsFullscreen());
    DrawLines(w, MenuLines(w, m));
    DrawFooter(w, MenuNotice());

    switch (HandleMenuKeys(w, m, KeySnapshot::Read(w))) {
      case MenuCommand::kNone: PresentScreen(w); continue;
      case MenuCommand::kLocalGame:
        w.ConfigReceived = kTrue;
        w.NumPlayers = 2;
        SelectWeapons(w);
        if (!w.QuitRequested) AfterGame(w, play(w));
        break;
      case MenuCommand::kNetworkGame:
        w.ConfigReceived = kTrue;
        SelectWeapons(w);
        if (!w.QuitRequested) SelectServer(w);
        // Left with Escape there is no connection: the game is a local one,
        // for the two local players whatever an earlier network game counted.
        if (w.Connection != ConnectionState::kConnected) w.NumPlayers = 2;
        if (!w.QuitRequested) AfterGame(w, PlayOnline(w, play));
        break;
      case MenuCommand::kEditPlayer1: EditPlayer(w, 1); break;
      case MenuCommand::kEditPlayer2: EditPlayer(w, 2); break;
      case MenuCommand::kQuit: SaveSettings(w); return;
    }
    // A screen or game ran and drew over this pass's frame; the next pass
    // draws the menu again.
    if (w.QuitRequested) return;
  }
}

}  // namespace krel
