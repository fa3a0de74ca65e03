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
#include "client/simulation/weapons/arms.h"
#include "client/simulation/weapons/objects.h"
#include "client/simulation/weapons/shots.h"
#include "client/simulation/worms/worms.h"
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

std::string ControllerWord(flag c) { return c == kControllerAce ? "ace" : "cpu"; }

GameResult PlayGame(const ArenaOptions& o, int index) {
  HeadlessPlatform platform;
  auto owned = std::make_unique<World>();
  World& w = *owned;
  w.platform = &platform;
  w.ProgramDir = o.data_dir;
  std::string error;
  if (!InitDisplay(w, o.data_dir, error)) throw std::runtime_error(error);
  ArmsError armsError;
  if (!LoadArms(w.WeaponDefs, w.ObjDefs, w.SObjDefs, o.data_dir + "/arms.dat", armsError))
    throw std::runtime_error(armsError.Message());

  GameResult g;
  g.seed = o.seed + static_cast<std::uint64_t>(index);
  g.a_player = index % 2 == 0 ? 1 : 2;
  const int bPlayer = 3 - g.a_player;
  w.Seed(g.seed);
  w.LivesSetting = kArenaLives;
  w.MenuComputer[static_cast<std::size_t>(g.a_player)] = o.side_a;
  w.MenuComputer[static_cast<std::size_t>(bPlayer)] = o.side_b;
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
  std::array<int16, 3> lives{}, kills{};
  for (int p = 1; p <= 2; ++p) {
    lives[static_cast<std::size_t>(p)] = w.Players[static_cast<std::size_t>(p)].Lives;
    kills[static_cast<std::size_t>(p)] = w.Players[static_cast<std::size_t>(p)].Kills;
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

struct Totals {
  int games = 0, aWins = 0, bWins = 0, draws = 0;
  SideResult a, b;
  int longestStill = 0;  // frames, either side
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
      to->longest_still = std::max(to->longest_still, from->longest_still);
      to->max_health = std::max(to->max_health, from->max_health);
    }
  }
  t.longestStill = std::max(t.a.longest_still, t.b.longest_still);
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

std::string Fixed2(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", v);
  return buf;
}

std::string SideJson(const SideResult& s) {
  std::ostringstream j;
  j << "{\"kills\":" << s.kills << ",\"deaths\":" << s.deaths << ",\"suicides\":" << s.suicides
    << ",\"longest_still_s\":" << Seconds(s.longest_still) << ",\"max_health\":" << s.max_health << "}";
  return j.str();
}

}  // namespace

std::string Table(const ArenaOptions& o, const std::vector<GameResult>& games) {
  std::ostringstream t;
  const std::string a = "a=" + ControllerWord(o.side_a), b = "b=" + ControllerWord(o.side_b);
  char line[200];
  std::snprintf(line, sizeof line, "%-5s %-6s %-3s | %-24s | %-24s | %s\n", "game", "seed", "a", a.c_str(), b.c_str(),
                "winner");
  t << line;
  std::snprintf(line, sizeof line, "%-5s %-6s %-3s | %4s %4s %4s %9s | %4s %4s %4s %9s |\n", "", "", "is", "kill",
                "dead", "self", "still(s)", "kill", "dead", "self", "still(s)");
  t << line;
  for (std::size_t k = 0; k < games.size(); ++k) {
    const GameResult& g = games[k];
    std::snprintf(line, sizeof line, "%-5zu %-6llu p%-2d | %4d %4d %4d %9s | %4d %4d %4d %9s | %s\n", k,
                  static_cast<unsigned long long>(g.seed), g.a_player, g.a.kills, g.a.deaths, g.a.suicides,
                  Seconds(g.a.longest_still).c_str(), g.b.kills, g.b.deaths, g.b.suicides,
                  Seconds(g.b.longest_still).c_str(),
                  g.winner == 1   ? "a"
                  : g.winner == 2 ? "b"
                                  : "draw");
    t << line;
  }
  const Totals s = Sum(o, games);
  std::snprintf(line, sizeof line, "%-16s | %4d %4d %4d %9s | %4d %4d %4d %9s |\n", "total", s.a.kills, s.a.deaths,
                s.a.suicides, Seconds(s.a.longest_still).c_str(), s.b.kills, s.b.deaths, s.b.suicides,
                Seconds(s.b.longest_still).c_str());
  t << line;
  t << "wins: a " << s.aWins << ", b " << s.bWins << ", draws " << s.draws << "; a won " << Fixed2(100 * s.aWinShare)
    << " % of the games not drawn\n";
  t << "kills per minute per game " << Fixed2(s.killsPerMinute) << "; suicides " << Fixed2(100 * s.suicideShare)
    << " % of all deaths; longest standing still " << Seconds(s.longestStill) << " s\n";
  return t.str();
}

std::string JsonLine(const ArenaOptions& o, const std::vector<GameResult>& games) {
  const Totals s = Sum(o, games);
  std::ostringstream j;
  j << "{\"a\":\"" << ControllerWord(o.side_a) << "\",\"b\":\"" << ControllerWord(o.side_b)
    << "\",\"games\":" << games.size() << ",\"seed\":" << o.seed << ",\"frames\":" << o.frames << ",\"results\":[";
  for (std::size_t k = 0; k < games.size(); ++k) {
    const GameResult& g = games[k];
    j << (k ? "," : "") << "{\"seed\":" << g.seed << ",\"a_player\":" << g.a_player << ",\"a\":" << SideJson(g.a)
      << ",\"b\":" << SideJson(g.b) << ",\"winner\":\""
      << (g.winner == 1   ? "a"
          : g.winner == 2 ? "b"
                          : "draw")
      << "\"}";
  }
  j << "],\"totals\":{\"a_wins\":" << s.aWins << ",\"b_wins\":" << s.bWins << ",\"draws\":" << s.draws
    << ",\"a_win_share\":" << Fixed2(s.aWinShare) << ",\"a\":" << SideJson(s.a) << ",\"b\":" << SideJson(s.b)
    << ",\"kills_per_minute\":" << Fixed2(s.killsPerMinute) << ",\"suicide_share\":" << Fixed2(s.suicideShare)
    << ",\"longest_still_s\":" << Seconds(s.longestStill) << "}}";
  return j.str();
}

}  // namespace krel::arena
