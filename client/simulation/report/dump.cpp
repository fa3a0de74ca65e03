#include "client/simulation/report/dump.h"

#include <algorithm>

#include "client/simulation/report/json_text.h"
#include "client/simulation/report/perf_log.h"
#include "client/simulation/terrain/level.h"
#include "protocol/base/file_output.h"

namespace krel {

namespace {

const char* EndName(GameEnd end) {
  switch (end) {
    case GameEnd::kEscape: return "escape";
    case GameEnd::kGameOver: return "gameover";
    case GameEnd::kClosed: return "closed";
    case GameEnd::kTakePlace: return "tookplace";
  }
  return "closed";
}

}  // namespace

std::uint32_t LevelChecksum(const World& w) {
  std::uint32_t h = 2166136261u;
  const Surface& level = w.LevelSurface;
  for (int y = 0; y < level.height(); ++y) {
    for (int x = 0; x < level.width(); ++x) {
      h ^= static_cast<std::uint8_t>(MaterialOf(w, level.At(x, y)));
      h *= 16777619u;
    }
  }
  return h;
}

namespace {

// "NumPlayers":n,"players":[...]; with `whole` false only the names and the
// score, which every client of a network game must agree on.
void AppendPlayers(std::string& out, const World& w, bool whole) {
  out += "\"NumPlayers\":" + std::to_string(w.NumPlayers);
  out += ",\"players\":[";
  const int last = std::clamp<int>(w.NumPlayers, 0, kMaxNetPlayers);
  for (int p = 1; p <= last; ++p) {
    const Player& pl = w.Players[static_cast<std::size_t>(p)];
    if (p > 1) out += ',';
    out += "{\"Name\":";
    AppendJsonString(out, pl.Name);
    out += ",\"Lives\":" + std::to_string(pl.Lives);
    out += ",\"Kills\":" + std::to_string(pl.Kills);
    if (whole) {
      out += ",\"Health\":" + std::to_string(pl.Health);
      out += ",\"Alive\":";
      out += pl.Alive != kFalse ? "true" : "false";
      out += ",\"Age\":" + std::to_string(pl.Age);
      out += ",\"X\":" + pl.X.ToString();
      out += ",\"Y\":" + pl.Y.ToString();
    }
    out += '}';
  }
  out += ']';
}

}  // namespace

std::string DumpLine(World& w, std::int64_t frames, GameEnd end) {
  std::string out = "{\"frames\":" + std::to_string(frames);
  out += ",\"end\":\"";
  out += EndName(end);
  out += "\",";
  AppendPlayers(out, w, true);
  out += ",\"LevelWidth\":" + std::to_string(w.LevelSurface.width());
  out += ",\"LevelHeight\":" + std::to_string(w.LevelSurface.height());
  out += ",\"LevelChecksum\":" + std::to_string(LevelChecksum(w));
  out += ",\"Chat\":[";
  for (std::size_t i = 0; i < w.ChatLog.size(); ++i) {
    if (i > 0) out += ',';
    AppendJsonString(out, w.ChatLog[i]);
  }
  out += "]}";
  return out;
}

std::string BatchDumpLine(const World& w, std::int64_t batch) {
  std::string out = "{\"batch\":" + std::to_string(batch) + ",";
  AppendPlayers(out, w, false);
  out += ",\"LevelChecksum\":" + std::to_string(LevelChecksum(w));
  out += '}';
  return out;
}

bool AppendDumpLine(const std::string& path, const std::string& line, std::string& error) {
  return AppendToFile(path, line + "\n", error);
}

}  // namespace krel
