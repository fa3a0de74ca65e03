// Recorded sessions around one program run: --record and the automatic
// recording of the "Record games" setting, --play with or without a window,
// and the frame trace of KREL_TRACE. The program's main sets it up before
// start-up and lets it swap in the platform and settings store to use.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "client/replay/replay_options.h"
#include "client/simulation/report/trace.h"
#include "client/state/game_observer.h"
#include "client/state/world.h"
#include "platform/headless/headless_platform.h"
#include "platform/record_input.h"
#include "platform/settings.h"

namespace krel {

// Headless runs have no message boxes: their messages go to stderr.
class ConsoleHeadlessPlatform : public HeadlessPlatform {
 public:
  void MessageBox(const std::string& text) override;
};

// Recordings kept by "Record games": $XDG_DATA_HOME/krel/recordings (when
// absolute), else ~/.local/share/krel/recordings. Empty when neither is known.
std::string RecordingsFolder();
// Keeps the newest `keep` *.rec files of folder (by name, which is the date
// and time) and deletes the others.
void PruneRecordings(const std::string& folder, std::size_t keep);

class ReplaySession : public GameObserver {
 public:
  ReplaySession() = default;
  ~ReplaySession() override;

  // Takes the options of recorded games out of args, leaving the rest for
  // the program's own command line. Returns false after printing a misuse
  // to stderr.
  bool ParseArgs(std::vector<std::string>& args);
  void SetOptions(const ReplayOptions& o) { options_ = o; }
  // Traces every `every`th frame into path (instead of KREL_TRACE).
  void SetTrace(std::string path, int every) {
    trace_path_ = std::move(path);
    trace_every_ = every;
  }

  // The platform to build on: `real`, or a headless one.
  Platform& BasePlatform(Platform& real);

  // Sets up playback or recording and the trace on w (its ProgramDir or DataDirs,
  // FixedSeed and platform set), replacing platform and settings by the
  // ones the game must use. Returns -1 to go on, else the exit status (2:
  // the recording cannot be read; the reason is on stderr).
  int Begin(World& w, Platform*& platform, SettingsStore*& settings);
  // Whether the game may use the network (not during playback).
  bool NetworkAllowed() const { return options_.play.empty(); }
  // Writes everything out; the automatic recording is dropped when the
  // session held no local game, and old ones are pruned. False when the
  // recording or the trace could not be written (said on stderr when it
  // happened).
  bool End();

  void OnGameStart(World& w) override;
  void OnGameEnd(World& w) override;

 private:
  void StartRecording(World& w, Platform*& platform, SettingsStore& settings, const std::string& path);
  void EndRecording();

  ReplayOptions options_;
  ConsoleHeadlessPlatform headless_;
  // Playback.
  std::unique_ptr<PlaybackPlatform> playback_;
  std::unique_ptr<ScriptEndPlatform> script_;
  std::unique_ptr<IniSettingsStore> recorded_settings_;
  std::string differs_;  // the notice that the result may differ
  // Recording.
  std::unique_ptr<RecordingWriter> writer_;
  std::unique_ptr<RecordInputPlatform> recorder_;
  std::string auto_folder_;  // set for an automatic recording
  int local_games_ = 0;
  bool network_said_ = false;
  bool network_game_ = false;
  // Trace.
  std::string trace_path_;
  int trace_every_ = 1;
  std::unique_ptr<FrameTrace> trace_;
  bool ended_ = false;
};

}  // namespace krel
