#include "client/present/statistics.h"

#include <algorithm>
#include <string>
#include <vector>

#include "client/present/display_state.h"
#include "client/present/render_world.h"
#include "client/present/sprites.h"
#include "client/present/text.h"

namespace krel {

namespace {

constexpr int kWhite = 7;
// Out of play: light grey, still plain beside the white of a worm in play
// (dark grey, even outlined, is lost on the level).
constexpr int kOutOfPlay = 2;
constexpr int kRowHeight = 11;
// What fits in a half from x 10 (the left view ends at 159) or 170.
constexpr std::size_t kPromptColumns = 24;
// The round trip ends just before the lives column.
constexpr int kPingRightEdge = 108;
constexpr std::size_t kNameColumnsBesidePing = 11;

}  // namespace

std::string JumpPrompt(const World& w, int player) {
  return "PRESS JUMP (" + KeyLabel(w, w.KeyMap[static_cast<std::size_t>(player)][kJump]) + ") TO START";
}

std::vector<std::string> SpectatorPrompt(const World& w, int player) {
  if (w.FreePlaces <= 0) return {"NO FREE PLACE"};
  const std::string key = KeyLabel(w, w.KeyMap[static_cast<std::size_t>(player)][kJump]);
  const std::string free = std::to_string(w.FreePlaces) + " OF " + std::to_string((kMaxNetPlayers - 1) / 2) +
                           (w.FreePlaces == 1 ? " PLACE FREE" : " PLACES FREE");
  const std::string prompt = "PRESS JUMP (" + key + ") TO PLAY";
  if (prompt.size() <= kPromptColumns) return {prompt, free};
  return {"PRESS JUMP TO PLAY", "(JUMP: " + key + ")", free};
}

void DrawPrompt(World& w, int x, int player, bool outlined) {
  // The jump key by name; a long name goes on a line of its own below.
  std::vector<std::string> lines;
  if (w.FreePlaces >= 0) {
    lines = SpectatorPrompt(w, player);
  } else if (const std::string prompt = JumpPrompt(w, player); prompt.size() <= kPromptColumns) {
    lines = {prompt};
  } else {
    lines = {"PRESS JUMP TO START", "(JUMP: " + KeyLabel(w, w.KeyMap[static_cast<std::size_t>(player)][kJump]) + ")"};
  }
  int y = 180 - 10 * (static_cast<int>(lines.size()) - 1);
  for (const std::string& line : lines) {
    if (outlined)
      DrawTextOutlined(w, DisplayOf(w).Back, line, x, y, kWhite);
    else
      DrawText(w, DisplayOf(w).Back, line, x, y, kWhite);
    y += 10;
  }
}

void DrawStatistics(World& w, int x, int player) {
  Surface& back = DisplayOf(w).Back;
  DrawPrompt(w, x, player, false);
  const int last = std::clamp<int>(w.NumPlayers, 0, kMaxNetPlayers);
  for (int i = 1; i <= last; ++i) {
    const Player& p = w.Players[static_cast<std::size_t>(i)];
    const int y = kRowHeight * i;
    DrawPlayer(w, back, i, 2, static_cast<int16>(x - 5), static_cast<int16>(y), true);
    // Outlined: the rows stand over the level's rock and soil. Each worm's
    // client's round trip, where the relay measures it; the name makes room.
    const int32 ping = w.NetStats.RoundTripMs[static_cast<std::size_t>(i)];
    const std::string_view name = Trim(p.Name);
    DrawTextOutlined(w, back, ping >= 0 ? name.substr(0, kNameColumnsBesidePing) : name, x + 8, y,
                     p.Alive != kFalse ? kWhite : kOutOfPlay);
    if (ping >= 0) {
      const std::string ms = std::to_string(std::min<int32>(ping, 9999)) + "ms";
      DrawTextOutlined(w, back, ms, x + kPingRightEdge - kGlyphAdvance * static_cast<int>(ms.size()), y, kOutOfPlay);
    }
    DrawTextOutlined(w, back, std::to_string(p.Lives), x + 110, y, kWhite);
    DrawTextOutlined(w, back, std::to_string(p.Kills), x + 134, y, kWhite);
    const std::int64_t n = 233 + IDiv(p.Health, 10);
    if (p.Health > 0 && n >= 0 && n < static_cast<std::int64_t>(w.PaletteColors.size()))
      back.FillRect(MakeRect(x + 8, y + 7, p.Health, 2),
                    static_cast<Pixel>(w.PaletteColors[static_cast<std::size_t>(n)]));
  }
}

}  // namespace krel
