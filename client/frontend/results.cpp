#include "client/frontend/results.h"

#include <algorithm>
#include <tuple>

#include "client/present/display_state.h"
#include "client/present/render_world.h"
#include "client/present/sprites.h"
#include "gfx/surface.h"

namespace krel {

namespace {

constexpr std::uint32_t kResultsFrameMs = 31;
constexpr int kTitleY = 20;
constexpr int kHeadY = 36;
constexpr int kFirstRowY = 48;
constexpr int kNameX = 22;
constexpr int kNameColumns = 17;  // up to the kills column
// Right edges of the number columns, each under its head.
constexpr int kKillsRight = 158, kDeathsRight = 200, kSuicidesRight = 254, kLivesRight = 296;

// Colours of the font.
constexpr int kGrey = 2, kSand = 3, kBlue = 4, kPale = 5, kWhite = 7;

int RowHeight(int rows) { return rows > 12 ? 8 : 10; }

TextLine RightAligned(const std::string& text, int right, int y, int col) {
  return {text, right - 6 * static_cast<int>(text.size()), y, col};
}

}  // namespace

std::vector<Standing> Standings(const World& w) {
  std::vector<Standing> out;
  const int last = std::clamp<int>(w.NumPlayers, 0, kMaxNetPlayers);
  for (int p = 1; p <= last; ++p) {
    const Player& pl = w.Players[static_cast<std::size_t>(p)];
    Standing s;
    s.name = std::string(Trim(pl.Name));
    s.kills = pl.Kills;
    s.deaths = std::max(0, w.LivesSetting - std::max<int>(pl.Lives, -1));
    s.suicides = w.Suicides[static_cast<std::size_t>(p)];
    s.lives = pl.Lives;
    out.push_back(std::move(s));
  }
  return out;
}

int Winner(const std::vector<Standing>& standings) {
  int best = -1;
  bool level = false;
  for (int i = 0; i < static_cast<int>(standings.size()); ++i) {
    if (best < 0) {
      best = i;
      continue;
    }
    const Standing& a = standings[static_cast<std::size_t>(i)];
    const Standing& b = standings[static_cast<std::size_t>(best)];
    if (std::tie(a.lives, a.kills) > std::tie(b.lives, b.kills)) {
      best = i;
      level = false;
    } else if (std::tie(a.lives, a.kills) == std::tie(b.lives, b.kills)) {
      level = true;
    }
  }
  return level ? -1 : best;
}

std::vector<TextLine> ResultsLines(const World& w, GameEnd end) {
  const std::vector<Standing> standings = Standings(w);
  const int winner = Winner(standings);
  const bool over = end == GameEnd::kGameOver;
  std::vector<TextLine> lines;
  const std::string title = over ? "GAME OVER" : "GAME LEFT";
  lines.push_back({title, 160 - 3 * static_cast<int>(title.size()), kTitleY, kWhite});
  lines.push_back({"WORM", kNameX, kHeadY, kBlue});
  lines.push_back(RightAligned("KILLS", kKillsRight, kHeadY, kBlue));
  lines.push_back(RightAligned("DEATHS", kDeathsRight, kHeadY, kBlue));
  lines.push_back(RightAligned("SUICIDES", kSuicidesRight, kHeadY, kBlue));
  lines.push_back(RightAligned("LIVES", kLivesRight, kHeadY, kBlue));
  const int step = RowHeight(static_cast<int>(standings.size()));
  int y = kFirstRowY;
  for (int i = 0; i < static_cast<int>(standings.size()); ++i, y += step) {
    const Standing& s = standings[static_cast<std::size_t>(i)];
    const int col = i == winner ? kSand : kGrey;
    lines.push_back({s.name.substr(0, kNameColumns), kNameX, y, col});
    lines.push_back(RightAligned(std::to_string(s.kills), kKillsRight, y, col));
    lines.push_back(RightAligned(std::to_string(s.deaths), kDeathsRight, y, col));
    lines.push_back(RightAligned(std::to_string(s.suicides), kSuicidesRight, y, col));
    // A worm that ran out has none left, though its Lives say -1.
    lines.push_back(RightAligned(std::to_string(std::max(s.lives, 0)), kLivesRight, y, col));
  }
  std::string verdict;
  if (winner < 0)
    verdict = over ? "A DRAW" : "NOBODY WAS AHEAD";
  else
    verdict = standings[static_cast<std::size_t>(winner)].name + (over ? " WINS" : " WAS AHEAD");
  lines.push_back({verdict, 160 - 3 * static_cast<int>(verdict.size()), y + 6, kSand});
  lines.push_back({"PRESS A KEY", 10, 182, kPale});
  return lines;
}

void ShowResults(World& w, GameEnd end) {
  const Surface background = DisplayOf(w).Back;
  const std::vector<TextLine> lines = ResultsLines(w, end);
  const int rows = static_cast<int>(Standings(w).size());
  const int bottom = kFirstRowY + rows * RowHeight(rows) + 16;
  // Keys still held from the game must be let go first.
  bool latch = true;
  ScreenPacer pacer(kResultsFrameMs);
  while (pacer.Next(w)) {
    DisplayOf(w).Back = background;
    DisplayOf(w).Back.FillRect(MakeRect(6, kTitleY - 6, 308, bottom - kTitleY + 6), 0);
    for (int i = 0; i < rows; ++i)
      DrawPlayer(w, DisplayOf(w).Back, i + 1, 2, kNameX - 13, static_cast<int16>(kFirstRowY + i * RowHeight(rows)),
                 true);
    DrawLines(w, lines);
    const KeySnapshot keys = KeySnapshot::Read(w);
    bool any = false;
    for (int k = 1; k < 256 && !any; ++k) any = keys.Down(k);
    if (any && !latch) return;
    latch = any;
    PresentScreen(w);
  }
}

}  // namespace krel
