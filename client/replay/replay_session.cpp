#include "client/replay/replay_session.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iostream>

#include "client/state/chat.h"
#include "client/state/data_files.h"

namespace krel {

namespace {

constexpr std::size_t kKeepRecordings = 50;

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr ? std::string(v) : std::string();
}

void Say(const std::string& text) { std::cerr << "krel: " << text << "\n"; }

std::uint64_t ClockSeed() {
  std::uint64_t z = static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
  z += 0x9E3779B97F4A7C15ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  // Short enough to read and type.
  return (z ^ (z >> 31)) % 1000000000ull;
}

// A new file name in folder from the local date and time.
std::string NewRecordingPath(const std::string& folder) {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d_%H-%M-%S", &tm);
  std::string path = folder + "/" + stamp + ".rec";
  for (int n = 2; std::filesystem::exists(path); ++n) path = folder + "/" + stamp + "-" + std::to_string(n) + ".rec";
  return path;
}

}  // namespace

void ConsoleHeadlessPlatform::MessageBox(const std::string& text) {
  HeadlessPlatform::MessageBox(text);
  std::cerr << text << "\n";
}

std::string RecordingsFolder() {
  std::string data = Env("XDG_DATA_HOME");
  if (data.empty() || data.front() != '/') {
    std::string home = Env("HOME");
    if (home.empty()) return {};
    data = home + "/.local/share";
  }
  return data + "/krel/recordings";
}

void PruneRecordings(const std::string& folder, std::size_t keep) {
  std::error_code ec;
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    if (entry.is_regular_file(ec) && entry.path().extension() == ".rec") files.push_back(entry.path());
  }
  if (files.size() <= keep) return;
  std::sort(files.begin(), files.end());
  for (std::size_t i = 0; i + keep < files.size(); ++i) std::filesystem::remove(files[i], ec);
}

ReplaySession::~ReplaySession() { End(); }

bool ReplaySession::ParseArgs(std::vector<std::string>& args) {
  std::string error;
  if (!TakeReplayOptions(args, options_, error)) {
    std::cerr << "krel: " << error << "\n";
    return false;
  }
  return true;
}

Platform& ReplaySession::BasePlatform(Platform& real) {
  if (!options_.headless) return real;
  // No pacing: every wait of the game passes at once.
  return headless_;
}

int ReplaySession::Begin(World& w, Platform*& platform, SettingsStore*& settings) {
  if (trace_path_.empty() && !Env("KREL_TRACE").empty()) {
    trace_path_ = Env("KREL_TRACE");
    trace_every_ = std::atoi(Env("KREL_TRACE_EVERY").c_str());
  }
  if (!trace_path_.empty()) {
    trace_ = std::make_unique<FrameTrace>(trace_path_, std::max(1, trace_every_));
    w.trace = trace_.get();
  }
  w.observer = this;

  if (!options_.play.empty()) {
    Recording rec;
    std::string error;
    if (!LoadRecording(options_.play, rec, error)) {
      std::cerr << error << "\n";
      return 2;
    }
    w.FixedSeed = rec.seed;
    w.ResultsScreen = rec.results_screen;
    recorded_settings_ = std::make_unique<IniSettingsStore>("");
    recorded_settings_->Parse(rec.settings, options_.play);
    settings = recorded_settings_.get();
    std::vector<std::string> changed;
    if (rec.arms && FileChecksum(DataFile(w, "arms.dat")) != rec.arms) changed.push_back("weapon file");
    if (rec.level && FileChecksum(DataFile(w, "level.bmp")) != rec.level) changed.push_back("level");
    if (!changed.empty()) {
      std::string what = changed.size() == 2 ? "weapon file and level" : changed[0];
      // Said once each way: "FILE: recorded with another level: the result
      // may differ" on stderr, "RESULT MAY DIFFER: RECORDED WITH ANOTHER LEVEL" in chat.
      differs_ = "recorded with another " + what;
      Say(options_.play + ": " + differs_ + ": the result may differ");
    }
    Platform* base = platform;
    if (!options_.headless) {
      playback_ = std::make_unique<PlaybackPlatform>(*platform, options_.speed);
      base = playback_.get();
    }
    script_ = std::make_unique<ScriptEndPlatform>(*base, std::move(rec.script), rec.ends_closed);
    platform = script_.get();
    return -1;
  }

  if (!options_.record.empty()) {
    StartRecording(w, platform, *settings, options_.record);
  } else if (settings != nullptr && settings->GetSetting("General Settings", "Record games", "0") == "1") {
    std::string folder = RecordingsFolder();
    std::error_code ec;
    if (folder.empty() || (std::filesystem::create_directories(folder, ec), ec)) {
      Say("Record games: no folder for the recordings" +
          (folder.empty() ? std::string() : " (" + folder + ": " + ec.message() + ")") +
          "; this session is not recorded");
    } else {
      auto_folder_ = folder;
      StartRecording(w, platform, *settings, NewRecordingPath(folder));
    }
  }
  return -1;
}

void ReplaySession::StartRecording(World& w, Platform*& platform, SettingsStore& settings, const std::string& path) {
  // One seed for the whole session: the program's start and every game.
  if (!w.FixedSeed) w.FixedSeed = ClockSeed();
  Recording header;
  header.seed = *w.FixedSeed;
  header.arms = FileChecksum(DataFile(w, "arms.dat"));
  header.level = FileChecksum(DataFile(w, "level.bmp"));
  header.results_screen = w.ResultsScreen;
  if (auto* ini = dynamic_cast<IniSettingsStore*>(&settings)) header.settings = ini->Serialize();
  writer_ = std::make_unique<RecordingWriter>(path, [](const std::string& text) { Say(text); });
  if (!writer_->Start(RecordingHeader(header))) return;  // said once; the game goes on
  recorder_ = std::make_unique<RecordInputPlatform>(*platform, *writer_);
  platform = recorder_.get();
}

void ReplaySession::OnGameStart(World& w) {
  if (!differs_.empty()) {
    ShowChatLine(w, "RESULT MAY DIFFER: " + differs_);
    differs_.clear();
  }
  network_game_ = w.Connection == ConnectionState::kConnected;
  if (network_game_ && recorder_) {
    recorder_->SetPaused(true, "a network game was played here; it is not recorded");
    if (!network_said_) {
      network_said_ = true;
      Say("network games are not recorded; the rest of the session is");
      ShowChatLine(w, "NETWORK GAMES ARE NOT RECORDED");
    }
  }
}

void ReplaySession::OnGameEnd(World&) {
  if (!network_game_) ++local_games_;
  network_game_ = false;
  if (recorder_) {
    recorder_->SetPaused(false);
    recorder_->Flush();
  }
}

bool ReplaySession::End() {
  if (!ended_) {
    ended_ = true;
    EndRecording();
    if (trace_) trace_->Flush();
  }
  return !(trace_ && trace_->failed()) && !(writer_ && writer_->failed());
}

void ReplaySession::EndRecording() {
  if (!recorder_) return;
  recorder_->Flush();
  writer_->Close();
  if (!auto_folder_.empty()) {
    if (local_games_ == 0) {
      // Nothing but menus: not worth keeping.
      std::error_code ec;
      std::filesystem::remove(writer_->path(), ec);
    }
    PruneRecordings(auto_folder_, kKeepRecordings);
  }
}

}  // namespace krel
