#include "tools/krel-arena/arena.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <sstream>
#include <stdexcept>

#include "client/ai/ace.h"
#include "client/ai/flight.h"
#include "client/app/game.h"
#include "client/present/display.h"
#include "client/present/render.h"
#include "client/simulation/terrain/level.h"
#include "client/simulation/weapons/arms.h"
#include "client/simulation/weapons/objects.h"
#include "client/simulation/weapons/shots.h"
#include "client/simulation/worms/worms.h"
#include "gfx/bmp.h"
#include "platform/headless/headless_platform.h"

namespace krel::arena {

namespace {

// Enough lives that no game ends before its last frame.
constexpr int16 kArenaLives = 9999;
constexpr double kFramesPerSecond = 25.0;

std::uint64_t Mix(std::uint64_t h, std::int64_t v) {
  h ^= static_cast<std::uint64_t>(v) + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
  return h;
}

struct Watch {
  int still = 0;
  std::int64_t x = 0, y = 0;
};

}  // namespace

void BoxWatch::Add(std::int64_t x, std::int64_t y, bool inPlay) {
  const int f = frame_++;
  if (!inPlay) {
    for (auto* q : {&minX_, &maxX_, &minY_, &maxY_}) q->clear();
    start_ = f + 1;
    return;
  }
  auto push = [f](std::deque<At>& q, std::int64_t v, bool keepSmall) {
    while (!q.empty() && (keepSmall ? q.back().v >= v : q.back().v <= v)) q.pop_back();
    q.push_back({f, v});
  };
  push(minX_, x, true);
  push(maxX_, x, false);
  push(minY_, y, true);
  push(maxY_, y, false);
  // The window starts after the older end of whichever spread is too wide.
  for (;;) {
    int cut = -1;
    if (maxX_.front().v - minX_.front().v > kBoxPixels) cut = std::min(maxX_.front().frame, minX_.front().frame);
    if (maxY_.front().v - minY_.front().v > kBoxPixels)
      cut = std::max(cut, std::min(maxY_.front().frame, minY_.front().frame));
    if (cut < 0) break;
    start_ = cut + 1;
    for (auto* q : {&minX_, &maxX_, &minY_, &maxY_})
      while (q->front().frame < start_) q->pop_front();
  }
  longest_ = std::max(longest_, f - start_ + 1);
}

GameResult PlayGame(const ArenaOptions& o, int index) {
  HeadlessPlatform platform;
  auto owned = std::make_unique<World>();
  World& w = *owned;
  w.platform = &platform;
  w.ProgramDir = o.data_dir;
  std::string error;
  if (!InitDisplay(w, o.data_dir, error)) throw std::runtime_error(error);
  if (!o.level_file.empty()) {
    BmpImage image;
    std::string why;
    if (!LoadBmpFile(o.level_file, image, why)) throw std::runtime_error("cannot load the level: " + why);
    if (!UseLevelImage(w, image, o.level_file, error)) throw std::runtime_error(error);
    // The game start would load the data folder's level over it.
    w.RegenerateLevel = kFalse;
  }
  ArmsError armsError;
  const std::string arms = o.arms_file.empty() ? o.data_dir + "/arms.dat" : o.arms_file;
  if (!LoadArms(w.WeaponDefs, w.ObjDefs, w.SObjDefs, arms, armsError)) throw std::runtime_error(armsError.Message());

  GameResult g;
  g.seed = o.seed + static_cast<std::uint64_t>(index);
  g.a_player = (index % 2 == 0) == o.a_first ? 1 : 2;
  const int bPlayer = 3 - g.a_player;
  w.Seed(g.seed);
  w.LivesSetting = kArenaLives;
  for (auto [p, side] : {std::pair{g.a_player, &o.side_a}, std::pair{bPlayer, &o.side_b}}) {
    w.MenuComputer[static_cast<std::size_t>(p)] = side->controller;
    w.MenuAceStrength[static_cast<std::size_t>(p)] = side->strength;
  }
  // Both worms get the same five weapons, drawn from the seed among the
  // weapons that can hurt a worm (a set of dirt guns would be no fight).
  std::vector<int16> fighting;
  for (int n = 0; n < 40; ++n) {
    const WeaponDef& W = w.WeaponDefs[static_cast<std::size_t>(n + 1)];
    const Blast b = BlastOf(w, W);
    const bool touches = W.WORMREMOVE == 1 || W.WORMEXPLODE == 1;
    if ((touches && W.HITDAMAGE > 0) || b.damage >= 8 || b.splinterDamage >= 20)
      fighting.push_back(static_cast<int16>(n));
  }
  if (fighting.empty()) throw std::runtime_error("arms.dat has no weapon that can hurt a worm");
  std::array<int16, 5> weapons{};
  for (int16& n : weapons)
    n = fighting[std::min(fighting.size() - 1, static_cast<std::size_t>(std::floor(w.Rand() * fighting.size())))];
  for (int p = 1; p <= 2; ++p) w.Players[static_cast<std::size_t>(p)].WeaponSlots = weapons;
  w.ResetEntityTables();
  InitGame(w);

  std::array<SideResult*, 3> side{nullptr, nullptr, nullptr};
  side[static_cast<std::size_t>(g.a_player)] = &g.a;
  side[static_cast<std::size_t>(bPlayer)] = &g.b;
  std::array<Watch, 3> watch{};
  std::array<BoxWatch, 3> box{};
  std::array<int16, 3> lives{}, kills{};
  std::array<int32, 3> lastShot{};
  for (int p = 1; p <= 2; ++p) {
    lives[static_cast<std::size_t>(p)] = w.Players[static_cast<std::size_t>(p)].Lives;
    kills[static_cast<std::size_t>(p)] = w.Players[static_cast<std::size_t>(p)].Kills;
    lastShot[static_cast<std::size_t>(p)] = w.Players[static_cast<std::size_t>(p)].LastShot;
  }
  std::uint64_t digest = g.seed;
  for (int frame = 0; frame < o.frames; ++frame) {
    // The frame's simulation and drawing steps in the game's order; no
    // keyboard: the computer players set every control.
    PlayerAction(w);
    MoveShots(w);
    ParticleMove(w);
    SObjMove(w);
    ShowAll(w);
    BonusDrop(w);
    RunComputerPlayers(w);

    const bool bothIn = w.Players[1].Alive != kFalse && w.Players[2].Alive != kFalse;
    for (int p = 1; p <= 2; ++p) {
      const auto i = static_cast<std::size_t>(p), other = static_cast<std::size_t>(3 - p);
      const Player& pl = w.Players[i];
      SideResult& r = *side[i];
      const int died = lives[i] - pl.Lives;
      const int killedByOther = w.Players[other].Kills - kills[other];
      r.deaths += died;
      r.kills += pl.Kills - kills[i];
      r.suicides += std::max(0, died - killedByOther);
      lives[i] = pl.Lives;
      r.max_health = std::max<int>(r.max_health, pl.Health);
      const std::int64_t x = pl.X.RoundToInt64(), y = pl.Y.RoundToInt64();
      // Standing still: staying within a pixel of where it stood (a worm
      // that only twitches has not moved).
      Watch& wt = watch[i];
      const bool moved = std::abs(x - wt.x) >= 2 || std::abs(y - wt.y) >= 2;
      wt.still = (bothIn && !moved) ? wt.still + 1 : 0;
      if (moved || !bothIn) {
        wt.x = x;
        wt.y = y;
      }
      r.longest_still = std::max(r.longest_still, wt.still);
      box[i].Add(x, y, bothIn);
      r.longest_box = std::max(r.longest_box, box[i].Longest());
      // A shot fired sets the time of the last shot to the worm's age.
      if (pl.LastShot != lastShot[i]) ++r.shots;
      lastShot[i] = pl.LastShot;
      digest = Mix(Mix(Mix(digest, x), y), pl.Health);
    }
    for (int p = 1; p <= 2; ++p) kills[static_cast<std::size_t>(p)] = w.Players[static_cast<std::size_t>(p)].Kills;
  }
  g.digest = digest;
  const int a = g.a.kills - g.a.suicides, b = g.b.kills - g.b.suicides;
  g.winner = a > b ? 1 : (b > a ? 2 : 0);
  return g;
}

namespace {

// A game this long gives a worm time to fire at least once.
constexpr int kFiringFrames = 30 * 25;
// Staying in the box longer than this is loitering.
constexpr int kLoiterFrames = 5 * 25;

struct Totals {
  int games = 0, aWins = 0, bWins = 0, draws = 0;
  SideResult a, b;
  int aSilent = 0, bSilent = 0;      // games long enough to fire in which the side never fired
  int aLoitered = 0, bLoitered = 0;  // games in which the side stayed in the box too long
  int longestStill = 0;              // frames, either side
  int longestBox = 0;                // frames, either side
  double killsPerMinute = 0;
  double suicideShare = 0;  // of all deaths
  double aWinShare = 0;     // of the games not drawn
};

Totals Sum(const ArenaOptions& o, const std::vector<GameResult>& games) {
  Totals t;
  t.games = static_cast<int>(games.size());
  for (const GameResult& g : games) {
    (g.winner == 1 ? t.aWins : g.winner == 2 ? t.bWins : t.draws) += 1;
    for (auto [from, to] : {std::pair{&g.a, &t.a}, std::pair{&g.b, &t.b}}) {
      to->kills += from->kills;
      to->deaths += from->deaths;
      to->suicides += from->suicides;
      to->shots += from->shots;
      to->longest_still = std::max(to->longest_still, from->longest_still);
      to->longest_box = std::max(to->longest_box, from->longest_box);
      to->max_health = std::max(to->max_health, from->max_health);
    }
    if (o.frames > kFiringFrames) {
      t.aSilent += g.a.shots == 0 ? 1 : 0;
      t.bSilent += g.b.shots == 0 ? 1 : 0;
    }
    t.aLoitered += g.a.longest_box > kLoiterFrames ? 1 : 0;
    t.bLoitered += g.b.longest_box > kLoiterFrames ? 1 : 0;
  }
  t.longestStill = std::max(t.a.longest_still, t.b.longest_still);
  t.longestBox = std::max(t.a.longest_box, t.b.longest_box);
  const double minutes = t.games * o.frames / kFramesPerSecond / 60.0;
  t.killsPerMinute = minutes > 0 ? (t.a.kills + t.b.kills) / minutes : 0;
  const int deaths = t.a.deaths + t.b.deaths;
  t.suicideShare = deaths > 0 ? static_cast<double>(t.a.suicides + t.b.suicides) / deaths : 0;
  const int decided = t.aWins + t.bWins;
  t.aWinShare = decided > 0 ? static_cast<double>(t.aWins) / decided : 0;
  return t;
}

std::string Seconds(int frames) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f", frames / kFramesPerSecond);
  return buf;
}

std::string Fixed(double v, int places) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.*f", places, v);
  return buf;
}

std::string Percent(int part, int whole) { return whole > 0 ? Fixed(100.0 * part / whole, 1) : "0.0"; }

std::string Hex(std::uint64_t v) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(v));
  return buf;
}

std::string SideJson(const SideResult& s) {
  std::ostringstream j;
  j << "{\"kills\":" << s.kills << ",\"deaths\":" << s.deaths << ",\"suicides\":" << s.suicides
    << ",\"longest_still_s\":" << Seconds(s.longest_still) << ",\"max_health\":" << s.max_health
    << ",\"shots\":" << s.shots << ",\"longest_box_s\":" << Seconds(s.longest_box) << "}";
  return j.str();
}

const char* WinnerWord(int winner) { return winner == 1 ? "a" : winner == 2 ? "b" : "draw"; }

}  // namespace

std::string Table(const ArenaOptions& o, const std::vector<GameResult>& games) {
  std::ostringstream t;
  const std::string a = "a=" + ControllerWord(o.side_a.controller, o.side_a.strength),
                    b = "b=" + ControllerWord(o.side_b.controller, o.side_b.strength);
  char line[240];
  std::snprintf(line, sizeof line, "%-5s %-6s %-3s | %-35s | %-35s | %-6s %s\n", "game", "seed", "a", a.c_str(),
                b.c_str(), "winner", "digest");
  t << line;
  std::snprintf(line, sizeof line, "%-5s %-6s %-3s | %4s %4s %4s %5s %6s %6s | %4s %4s %4s %5s %6s %6s |\n", "", "",
                "is", "kill", "dead", "self", "shots", "still", "box", "kill", "dead", "self", "shots", "still", "box");
  t << line;
  auto side = [](const SideResult& r) {
    char buf[80];
    std::snprintf(buf, sizeof buf, "%4d %4d %4d %5d %6s %6s", r.kills, r.deaths, r.suicides, r.shots,
                  Seconds(r.longest_still).c_str(), Seconds(r.longest_box).c_str());
    return std::string(buf);
  };
  for (std::size_t k = 0; k < games.size(); ++k) {
    const GameResult& g = games[k];
    std::snprintf(line, sizeof line, "%-5zu %-6llu p%-2d | %s | %s | %-6s %s\n", k,
                  static_cast<unsigned long long>(g.seed), g.a_player, side(g.a).c_str(), side(g.b).c_str(),
                  WinnerWord(g.winner), Hex(g.digest).c_str());
    t << line;
  }
  const Totals s = Sum(o, games);
  std::snprintf(line, sizeof line, "%-16s | %s | %s |\n", "total", side(s.a).c_str(), side(s.b).c_str());
  t << line;
  t << "(still and box: the longest stay in seconds, standing still and inside a " << kBoxPixels
    << " px box, with both worms in play)\n";
  t << "wins: a " << s.aWins << ", b " << s.bWins << ", draws " << s.draws << "; a won " << Fixed(100 * s.aWinShare, 1)
    << " % of the games not drawn\n";
  t << "kills per minute per game " << Fixed(s.killsPerMinute, 2) << "; suicides "
    << Percent(s.a.suicides + s.b.suicides, s.a.deaths + s.b.deaths) << " % of all deaths (a "
    << Percent(s.a.suicides, s.a.deaths) << " %, b " << Percent(s.b.suicides, s.b.deaths)
    << " %); longest standing still " << Seconds(s.longestStill) << " s\n";
  t << "games in which a never fired " << s.aSilent << ", b " << s.bSilent << "; stayed in the box over "
    << Seconds(kLoiterFrames) << " s: a " << s.aLoitered << ", b " << s.bLoitered << "; longest "
    << Seconds(s.longestBox) << " s\n";
  return t.str();
}

std::string JsonLine(const ArenaOptions& o, const std::vector<GameResult>& games) {
  const Totals s = Sum(o, games);
  std::ostringstream j;
  j << "{\"a\":\"" << ControllerWord(o.side_a.controller, o.side_a.strength) << "\",\"b\":\""
    << ControllerWord(o.side_b.controller, o.side_b.strength) << "\",\"games\":" << games.size()
    << ",\"seed\":" << o.seed << ",\"frames\":" << o.frames << ",\"results\":[";
  for (std::size_t k = 0; k < games.size(); ++k) {
    const GameResult& g = games[k];
    j << (k ? "," : "") << "{\"seed\":" << g.seed << ",\"a_player\":" << g.a_player << ",\"a\":" << SideJson(g.a)
      << ",\"b\":" << SideJson(g.b) << ",\"winner\":\"" << WinnerWord(g.winner) << "\",\"digest\":\"" << Hex(g.digest)
      << "\"}";
  }
  const int games_n = std::max<int>(1, s.games);
  j << "],\"totals\":{\"a_wins\":" << s.aWins << ",\"b_wins\":" << s.bWins << ",\"draws\":" << s.draws
    << ",\"a_win_share\":" << Fixed(s.aWinShare, 2) << ",\"a\":" << SideJson(s.a) << ",\"b\":" << SideJson(s.b)
    << ",\"kills_per_minute\":" << Fixed(s.killsPerMinute, 2) << ",\"suicide_share\":" << Fixed(s.suicideShare, 2)
    << ",\"longest_still_s\":" << Seconds(s.longestStill)
    << ",\"suicide_percent\":" << Percent(s.a.suicides + s.b.suicides, s.a.deaths + s.b.deaths)
    << ",\"a_suicide_percent\":" << Percent(s.a.suicides, s.a.deaths)
    << ",\"b_suicide_percent\":" << Percent(s.b.suicides, s.b.deaths)
    << ",\"a_kills_per_game\":" << Fixed(static_cast<double>(s.a.kills) / games_n, 2)
    << ",\"b_kills_per_game\":" << Fixed(static_cast<double>(s.b.kills) / games_n, 2)
    << ",\"a_games_without_shot\":" << s.aSilent << ",\"b_games_without_shot\":" << s.bSilent
    << ",\"a_games_over_box\":" << s.aLoitered << ",\"b_games_over_box\":" << s.bLoitered
    << ",\"longest_box_s\":" << Seconds(s.longestBox) << "}}";
  return j.str();
}

std::string LadderHeader() {
  char line[240];
  std::snprintf(line, sizeof line, "%-7s %-7s %5s %4s %4s %5s %7s %8s %8s %8s %8s %7s %7s\n", "a", "b", "games", "a_w",
                "b_w", "draw", "a_win%", "kill/min", "a_kill/g", "a_self%", "b_self%", "silent", "box>5s");
  return line;
}

std::string LadderLine(const ArenaOptions& o, const std::vector<GameResult>& games) {
  const Totals s = Sum(o, games);
  char line[240];
  const std::string silent = std::to_string(s.aSilent) + "/" + std::to_string(s.bSilent);
  const std::string loiter = std::to_string(s.aLoitered) + "/" + std::to_string(s.bLoitered);
  std::snprintf(line, sizeof line, "%-7s %-7s %5d %4d %4d %5d %7s %8s %8s %8s %8s %7s %7s\n",
                ControllerWord(o.side_a.controller, o.side_a.strength).c_str(),
                ControllerWord(o.side_b.controller, o.side_b.strength).c_str(), s.games, s.aWins, s.bWins, s.draws,
                Fixed(100 * s.aWinShare, 1).c_str(), Fixed(s.killsPerMinute, 2).c_str(),
                Fixed(static_cast<double>(s.a.kills) / std::max(1, s.games), 2).c_str(),
                Percent(s.a.suicides, s.a.deaths).c_str(), Percent(s.b.suicides, s.b.deaths).c_str(), silent.c_str(),
                loiter.c_str());
  return line;
}

}  // namespace krel::arena
