// Shared pieces of the game-core tests: a headless platform that reports
// each frame to the test, a world ready for a local game, and a temporary
// working directory (performance.log is written to the working directory).
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "client/core/world.h"
#include "client/worms/input.h"
#include "platform/headless/headless_platform.h"

namespace krel::testing {

// Headless platform whose keyboard reads and presented frames call back into
// the test, so that a test can press keys or spend time at a given frame.
class FrameHookPlatform : public HeadlessPlatform {
 public:
  World* world = nullptr;
  // Called before the n-th keyboard read (1-based) is answered.
  std::function<void(int n)> on_read;
  // Called after the n-th frame was presented (1-based).
  std::function<void(int n)> on_present;
  // Called before the n-th event processing (1-based) delivers its events.
  std::function<void(int n)> on_events;
  // FrameStart of the world at every present: the start of each drawn frame.
  std::vector<std::uint32_t> frame_starts;
  int reads = 0;
  int event_calls = 0;

  void ReadKeyboard(std::uint8_t state[256]) override {
    ++reads;
    if (on_read) on_read(reads);
    HeadlessPlatform::ReadKeyboard(state);
  }
  void ProcessEvents(EventSink& sink) override {
    ++event_calls;
    if (on_events) on_events(event_calls);
    HeadlessPlatform::ProcessEvents(sink);
  }
  void Present(const Surface& frame) override {
    HeadlessPlatform::Present(frame);
    if (world != nullptr) frame_starts.push_back(world->FrameStart);
    if (on_present) on_present(frames_presented());
  }
};

// A world for a local game on the given platform: default keys, the menu's
// names, a fixed seed, and no level reload (tests do not ship level.bmp).
inline std::unique_ptr<World> MakeLocalWorld(Platform& platform) {
  auto w = std::make_unique<World>();
  w->platform = &platform;
  w->FixedSeed = 7;
  w->NumPlayers = 2;
  w->RegenerateLevel = kFalse;
  w->LivesSetting = 15;
  SetDefaultKeys(*w);
  return w;
}

// Runs the test in a fresh temporary directory and returns to the old one.
class TempCwd {
 public:
  TempCwd() {
    old_ = std::filesystem::current_path();
    std::string pattern = (std::filesystem::temp_directory_path() / "krel-test-XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    char* made = ::mkdtemp(buf.data());
    dir_ = made != nullptr ? std::filesystem::path(made) : std::filesystem::temp_directory_path();
    std::filesystem::current_path(dir_);
  }
  ~TempCwd() {
    std::error_code ec;
    std::filesystem::current_path(old_, ec);
    std::filesystem::remove_all(dir_, ec);
  }
  TempCwd(const TempCwd&) = delete;
  TempCwd& operator=(const TempCwd&) = delete;
  const std::filesystem::path& path() const { return dir_; }

 private:
  std::filesystem::path old_;
  std::filesystem::path dir_;
};

inline std::string ReadFileBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteFileBytes(const std::filesystem::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << bytes;
}

}  // namespace krel::testing
