#include "client/simulation/report/trace.h"

#include <algorithm>
#include <iostream>

#include "client/simulation/report/dump.h"

namespace krel {

namespace {

constexpr int kChecksumEvery = 50;
constexpr std::size_t kFlushBytes = 1 << 16;

std::size_t Live(const std::vector<Entity>& table) {
  // Element 0 is the placeholder.
  return static_cast<std::size_t>(std::count_if(table.begin() + (table.empty() ? 0 : 1), table.end(),
                                                [](const Entity& e) { return e.removed == kFalse; }));
}

void Fixed(std::string& out, const char* name, fixed v) {
  out += ",\"";
  out += name;
  out += "\":";
  out += v.ToString();
}

void Int(std::string& out, const char* name, std::int64_t v) {
  out += ",\"";
  out += name;
  out += "\":";
  out += std::to_string(v);
}

}  // namespace

std::string TraceLine(const World& w, std::int64_t game, std::int64_t frame, std::optional<std::int64_t> batch) {
  static constexpr char kLetters[] = " LRUDSJC";
  std::string out = "{\"game\":" + std::to_string(game) + ",\"frame\":" + std::to_string(frame);
  if (batch) out += ",\"batch\":" + std::to_string(*batch);
  out += ",\"players\":[";
  const int last = std::clamp<int>(w.NumPlayers, 0, kMaxNetPlayers);
  bool first = true;
  for (int p = 1; p <= last; ++p) {
    const Player& pl = w.Players[static_cast<std::size_t>(p)];
    if (pl.Alive == kFalse) continue;
    if (!first) out += ',';
    first = false;
    out += "{\"n\":" + std::to_string(p) + ",\"Ctrl\":\"";
    for (int j = 1; j <= 7; ++j) {
      if (pl.Ctrl[static_cast<std::size_t>(j)] != 0) out += kLetters[j];
    }
    out += '"';
    Fixed(out, "X", pl.X);
    Fixed(out, "Y", pl.Y);
    Fixed(out, "DirX", pl.DirX);
    Fixed(out, "DirY", pl.DirY);
    Fixed(out, "Speed", pl.Speed);
    Int(out, "Aim", pl.Aim);
    out += ",\"FacingRight\":";
    out += pl.FacingRight != kFalse ? "true" : "false";
    Int(out, "Health", pl.Health);
    Int(out, "Lives", pl.Lives);
    Int(out, "Kills", pl.Kills);
    Int(out, "CurWeapon", pl.CurWeapon);
    Int(out, "RopeState", pl.RopeState);
    out += '}';
  }
  out += ']';
  Int(out, "Shots", static_cast<std::int64_t>(Live(w.Shots)));
  Int(out, "Objs", static_cast<std::int64_t>(Live(w.Objs)));
  Int(out, "SObjs", static_cast<std::int64_t>(Live(w.SObjs)));
  if (frame % kChecksumEvery == 0) Int(out, "LevelChecksum", LevelChecksum(w));
  out += '}';
  return out;
}

FrameTrace::FrameTrace(std::string path, int every) : path_(std::move(path)), every_(std::max(1, every)) {}

FrameTrace::~FrameTrace() { Flush(); }

void FrameTrace::Frame(const World& w, std::int64_t frame, std::optional<std::int64_t> batch) {
  if (failed_ || frame % every_ != 0) return;
  buffer_ += TraceLine(w, game_, frame, batch);
  buffer_ += '\n';
  if (buffer_.size() >= kFlushBytes) Flush();
}

void FrameTrace::Batch(const std::string& dump_line) {
  if (failed_ || dump_line.size() < 2) return;
  buffer_ += "{\"game\":" + std::to_string(game_) + "," + dump_line.substr(1);
  buffer_ += '\n';
  if (buffer_.size() >= kFlushBytes) Flush();
}

void FrameTrace::Flush() {
  if (failed_ || buffer_.empty()) return;
  std::string error;
  if ((!file_.is_open() && !file_.Open(path_, OutputFile::Mode::kAppend, error)) || !file_.Write(buffer_, error)) {
    // Said once; the game goes on untraced.
    std::cerr << "krel: KREL_TRACE: cannot write " << error << "\n";
    failed_ = true;
  }
  buffer_.clear();
}

}  // namespace krel
