// Drawing one frame. The world is drawn once at level size onto WorldView
// and cut twice into the players' views, which is cheaper than drawing each
// view on its own; the panels, minimap and chat go straight onto Back.
#include "client/present/render.h"

#include <algorithm>
#include <string>

#include "client/present/colors.h"
#include "client/present/display_state.h"
#include "client/present/remote_worms.h"
#include "client/present/render_world.h"
#include "client/present/statistics.h"
#include "client/present/text.h"
#include "gfx/codepage.h"
#include "gfx/text_wrap.h"
#include "platform/platform.h"

namespace krel {

namespace {

// Frame layout on the 320x240 back buffer.
constexpr int kViewWidth = 159;
constexpr int kViewHeight = 190;
constexpr int kRightViewX = 161;
constexpr int kSeparatorY = 190;
constexpr int kMinimapX = 124;
constexpr int kMinimapY = 190;
constexpr int kMinimapScale = 7;  // the dots' scale, whatever the level's size
constexpr int kWhite = 7;         // font colour
constexpr int kChatExpiry = 60;   // frames on player 1's clock
// A chat line keeps to its half: 26 glyphs from x 1 end at 157, within the
// left view's 159 pixels (from x 162, at 318 in the right one).
constexpr std::size_t kChatColumns = 26;
constexpr int kChatRows = 22;

// The colour number n's screen colour; false for numbers off the table.
bool PaletteColour(const World& w, std::int64_t n, Pixel& out) {
  if (n < 0 || n >= static_cast<std::int64_t>(w.PaletteColors.size())) return false;
  out = static_cast<Pixel>(w.PaletteColors[static_cast<std::size_t>(n)]);
  return true;
}

// A bar of width width (nothing when it is 0 or less) in colour number n.
void Bar(World& w, int x, int y, std::int64_t width, int height, std::int64_t n) {
  Pixel colour = 0;
  if (width <= 0 || !PaletteColour(w, n, colour)) return;
  DisplayOf(w).Back.FillRect(MakeRect(x, y, static_cast<double>(width), height), colour);
}

// The ammunition bar's width: the share of rounds left, or while the slot
// reloads, how far the reloading has come (which may pass 100 briefly).
int32 AmmoPercent(const World& w, const Player& p) {
  if (p.CurWeapon < 0 || p.CurWeapon >= static_cast<int>(p.Ammo.size())) return 0;
  const std::size_t s = static_cast<std::size_t>(p.CurWeapon);
  const int slot = p.WeaponSlots[s] + 1;
  if (slot < 0 || slot >= kWeaponSlots) return 0;
  const WeaponDef& wd = w.WeaponDefs[static_cast<std::size_t>(slot)];
  const double ammo = p.Ammo[s].ToDouble();
  if (ammo > 0) {
    // A weapon without rounds in its definition shows full when it has any.
    if (wd.AMMO <= 0) return 100;
    return std::min<int32>(ToInt32(ammo / wd.AMMO * 100), 100);
  }
  if (ammo < 0) {
    // A slot with no loading time refills in the frame it empties.
    if (wd.LOADINGTIME <= 0) return 0;
    return ToInt32(-ammo / wd.LOADINGTIME * 100);
  }
  return 0;
}

// The status panel of a worm in play, from the separator down: health bar,
// the current weapon's name, its ammunition (or loading) bar, "Reloading..."
// under that bar while it loads, then lives and kills.
constexpr int kHealthBarY = 193, kWeaponY = 198, kAmmoBarY = 207, kReloadingY = 212, kLivesY = 221, kKillsY = 230;
// The name stops short of the minimap (left panel) and the screen's edge.
constexpr std::size_t kWeaponNameColumns = 18;

void DrawPanel(World& w, int i, int x0) {
  const Player& p = w.Players[static_cast<std::size_t>(i)];
  Bar(w, x0, kHealthBarY, p.Health, 4, 233 + IDiv(p.Health, 10));
  const bool held = p.CurWeapon >= 0 && p.CurWeapon < static_cast<int>(p.Ammo.size());
  if (held) {
    const int slot = p.WeaponSlots[static_cast<std::size_t>(p.CurWeapon)] + 1;
    if (slot >= 0 && slot < kWeaponSlots) {
      const std::string_view name = Trim(w.WeaponDefs[static_cast<std::size_t>(slot)].NAME);
      DrawText2(w, DisplayOf(w).Back, name.substr(0, kWeaponNameColumns), x0, kWeaponY, kWhite);
    }
  }
  const int32 percent = AmmoPercent(w, p);
  Bar(w, x0, kAmmoBarY, percent, 4, 243 + IDiv(percent, 10));
  if (held && p.Ammo[static_cast<std::size_t>(p.CurWeapon)] < fixed(0))
    DrawText2(w, DisplayOf(w).Back, "Reloading...", x0, kReloadingY, kWhite);
  DrawText2(w, DisplayOf(w).Back, "Lives:" + std::to_string(p.Lives), x0, kLivesY, kWhite);
  DrawText2(w, DisplayOf(w).Back, "Kills:" + std::to_string(p.Kills), x0, kKillsY, kWhite);
}

void DrawChat(World& w) {
  const int32 now = w.Players[1].Age;
  const bool left = w.Players[1].Alive != kFalse;
  const bool right = w.Players[2].Alive != kFalse;
  constexpr std::size_t kLines = 10;
  int row = 1;  // rows 8 pixels apart from y 8, within the view's 190
  for (std::size_t j = 1; j <= kLines; ++j) {
    if (static_cast<std::int64_t>(now) - w.ChatTimes[j] > kChatExpiry) {
      // The lines below move up; the one now at j waits for the next frame.
      for (std::size_t k = j; k < kLines; ++k) {
        w.ChatLines[k] = std::move(w.ChatLines[k + 1]);
        w.ChatTimes[k] = w.ChatTimes[k + 1];
      }
      w.ChatLines[kLines].clear();
      w.ChatTimes[kLines] = 0;
      continue;
    }
    if (w.ChatLines[j].empty()) continue;
    // A line too long for its half goes on in the rows below it, pushing
    // the later lines down.
    row = std::max(row, static_cast<int>(j));
    for (const std::string& piece : WrapText(Cp1252Upper(w.ChatLines[j]), kChatColumns)) {
      if (row > kChatRows) return;
      const int y = 8 * row++;
      // On a dark band of its own, so that crate labels and other drawings
      // of the world under it do not mix with its letters.
      const int width = kGlyphAdvance * static_cast<int>(piece.size()) + 2;
      for (int x : {left ? 1 : -1, right ? 162 : -1}) {
        if (x < 0) continue;
        DisplayOf(w).Back.FillRect(MakeRect(x - 1, y, width, 8), 0);
        DrawText2(w, DisplayOf(w).Back, piece, x, y, kWhite);
      }
    }
  }
}

// Unlike chat, drawn over both views whether the worms are in play or not:
// a player looking at the standings must see it too.
void DrawNotice(World& w) {
  if (w.Notice.empty()) return;
  const bool waiting = w.Players[1].Alive == kFalse && w.Players[2].Alive == kFalse;
  if (w.NoticeFrames <= 0 && !waiting) {
    w.Notice.clear();
    return;
  }
  if (w.NoticeFrames > 0) --w.NoticeFrames;
  const int width = kGlyphAdvance * static_cast<int>(w.Notice.size());
  DrawText(w, DisplayOf(w).Back, w.Notice, std::max(0, (320 - width) / 2), 92, 2);
}

// The chat line being typed, across the bottom of the screen.
void DrawChatDraft(World& w) {
  if (!w.Draft.open) return;
  DisplayOf(w).Back.FillRect(MakeRect(0, 230, 320, 10), 0);
  DrawText2(w, DisplayOf(w).Back, "SAY: " + Cp1252Upper(w.Draft.text) + "_", 1, 231, kWhite);
}

// Pipelined play keeps running when the batches stop coming; the player
// is told, before the worms of the others freeze for good.
void DrawLagWarning(World& w) {
  const std::uint32_t ms = w.NetStats.BatchSilenceMs;
  if (ms < kBatchSilenceWarningMs) return;
  const std::string line =
      "CONNECTION LAGGING: NO DATA FOR " + std::to_string(ms / 1000) + "." + std::to_string(ms / 100 % 10) + " S";
  const int width = kGlyphAdvance * static_cast<int>(line.size());
  DrawText(w, DisplayOf(w).Back, line, std::max(0, (320 - width) / 2), 80, 2);
}

}  // namespace

void ShowAll(World& w) {
  Surface& back = DisplayOf(w).Back;
  back.FillRect(MakeRect(0, 0, 320, 240), 0);

  // A level reloaded at the start of a game may have another size than the
  // canvas made at start-up; the canvas follows it.
  if (DisplayOf(w).WorldView.width() != w.LevelWidth || DisplayOf(w).WorldView.height() != w.LevelHeight)
    DisplayOf(w).WorldView = Surface(w.LevelWidth, w.LevelHeight);
  const Rect whole = MakeRect(0, 0, w.LevelWidth, w.LevelHeight);
  DisplayOf(w).WorldView.Blit(0, 0, w.LevelSurface, whole, false);
  // The minimap shows the whole level, scaled into 72x50.
  back.BlitStretched(MakeRect(kMinimapX, kMinimapY, 72, 50), w.LevelSurface, whole, false);

  UpdateDrawnPositions(w);
  DrawWorms(w);
  DrawShots(w);
  DrawObjects(w);
  DrawSpecialObjects(w);
  DrawWeaponLabels(w);

  // A view rectangle partly outside the world is refused and stays black,
  // as the frame's other copies are. A worm out of play gets the standings
  // over its view instead of a status panel.
  for (int i = 1; i <= 2; ++i) {
    // The worm this view follows (a spectator chooses; a player's are its own).
    const int shown = std::clamp(w.ViewedWorm[static_cast<std::size_t>(i)], 1, kMaxNetPlayers);
    const Player& p = w.Players[static_cast<std::size_t>(shown)];
    back.Blit(i == 1 ? 0 : kRightViewX, 0, DisplayOf(w).WorldView, MakeRect(p.ViewX, p.ViewY, kViewWidth, kViewHeight),
              false);
    if (p.Alive != kFalse) {
      DrawPanel(w, shown, i == 1 ? 10 : 210);
      // A spectator is told over the followed worm whether it can play.
      if (w.FreePlaces >= 0) DrawPrompt(w, i == 1 ? 10 : 170, i, true);
    } else {
      DrawStatistics(w, i == 1 ? 10 : 170, i);
    }
  }

  back.FillRect(MakeRect(0, kSeparatorY, 320, 1), static_cast<Pixel>(w.PaletteColors[50]));

  const int last = std::clamp<int>(w.NumPlayers, 0, kMaxNetPlayers);
  for (int i = 1; i <= last; ++i) {
    const Player& p = w.Players[static_cast<std::size_t>(i)];
    if (p.Alive == kFalse) continue;
    back.FillRect(MakeRect(ToInt32(p.X.ToDouble() / kMinimapScale + kMinimapX),
                           ToInt32(p.Y.ToDouble() / kMinimapScale + kMinimapY), 1, 1),
                  static_cast<Pixel>(CreateHLSColor(w, DisplayOf(w).Palette[30], p.Color)));
  }

  DrawChat(w);
  DrawNotice(w);
  DrawChatDraft(w);
  DrawLagWarning(w);

  if (w.platform != nullptr) w.platform->Present(back);
}

}  // namespace krel
