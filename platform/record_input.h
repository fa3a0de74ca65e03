// Recorded sessions: a platform decorator that writes down every keyboard
// read and every typed character while the game runs, the file format it
// writes, and the decorator that plays such a file back.
//
// A recording is a key script (platform/script_input.h) with a header:
//
//   SEED 1234                  the random seed of the whole session (line 1)
//   ARMS 89abcdef              FNV-1a of the weapon file it was made with
//   LEVEL 01234567             FNV-1a of the level file it was made with
//   SETTING [General Settings] one line of the settings file as it was when
//   SETTING "Lives"="15"       the session started (krel.ini syntax)
//   RESULTS                    a results screen followed each game and read
//                              the keyboard like any screen; a recording
//                              without this line was made before there was
//                              one, and plays back without it
//   ...key script lines...
//   END                        the window was closed here (last line)
//
// Only SEED is required. Header lines come before the first script line;
// comments and blank lines may stand anywhere. Because the body is an
// ordinary key script, a recording can be read and edited by hand, and
// KREL_INPUT accepts it once the header is cut off.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "platform/script_input.h"
#include "protocol/base/file_output.h"

namespace krel {

struct Recording {
  std::uint64_t seed = 0;
  std::optional<std::uint32_t> arms;   // checksum of arms.dat when recorded
  std::optional<std::uint32_t> level;  // checksum of level.bmp when recorded
  std::string settings;                // the settings file's text
  bool ends_closed = false;            // END: the window was closed
  bool results_screen = false;         // RESULTS: games end in the results screen
  InputScript script;
};

// Parses a recording. On a malformed line returns false and error reads
// "origin, line N: reason".
bool ParseRecording(std::string_view text, const std::string& origin, Recording& out, std::string& error);
bool LoadRecording(const std::string& path, Recording& out, std::string& error);

// The header lines of a recording (SEED, ARMS, LEVEL, SETTING, RESULTS), each ending
// in a line feed.
std::string RecordingHeader(const Recording& r);

// The text of a TYPE line for these characters (game code page), escaped so
// that the script parser reads back exactly them.
std::string TypeLine(std::string_view chars);

// 32-bit FNV-1a over a file's bytes; empty when it cannot be read.
std::optional<std::uint32_t> FileChecksum(const std::string& path);

// Buffered output of a recording. Text is kept in memory and appended to the
// file at Flush(); the first failure is reported once through `report` and
// later writes are dropped, so a full disk never stops the game.
class RecordingWriter {
 public:
  using Reporter = std::function<void(const std::string&)>;
  RecordingWriter(std::string path, Reporter report);
  ~RecordingWriter();
  RecordingWriter(const RecordingWriter&) = delete;
  RecordingWriter& operator=(const RecordingWriter&) = delete;

  // Creates (or empties) the file and writes text at once. "-" is standard
  // output; a link, a device or a pipe is written as it is.
  bool Start(const std::string& text);
  void Append(std::string_view text) {
    if (!failed_) buffer_.append(text);
  }
  void Flush();
  // Flushes and closes the file (reported like any write failure).
  void Close();
  bool failed() const { return failed_; }
  const std::string& path() const { return path_; }

 private:
  void Fail(const std::string& why);

  std::string path_;
  Reporter report_;
  OutputFile file_;
  std::string buffer_;
  bool failed_ = false;
};

// Wraps the real platform and writes what the game reads from the keyboard:
// one script line per run of equal reads, a TYPE line for the characters
// typed during one event processing. Reads made while a key-down event is
// handled are not reads of the script and are not written.
//
// A window close is handed to the game at the first event processing after
// a keyboard read (at once if no read has happened since the last one), the
// point at which playback of END closes too; so the game stops at the same
// frame in both. Should the game not read the keyboard for a second after
// the close, it is handed on anyway.
class RecordInputPlatform : public PlatformDecorator {
 public:
  RecordInputPlatform(Platform& inner, RecordingWriter& out);

  void ProcessEvents(EventSink& sink) override;
  void ReadKeyboard(std::uint8_t state[256]) override;

  // While paused (a network game) nothing is written; a comment marks the gap.
  void SetPaused(bool paused, std::string_view why = {});
  // Writes the pending run of reads (and END after a close) and flushes.
  void Flush();

 private:
  void EndRun();

  RecordingWriter& out_;
  std::vector<int> run_keys_;
  std::uint64_t run_count_ = 0;
  bool in_event_ = false;
  bool paused_ = false;
  bool read_since_events_ = false;  // a read happened since the last event processing
  bool close_pending_ = false;
  bool close_read_ = false;  // a read happened since the close arrived
  std::uint32_t close_since_ = 0;
  bool closed_ = false;  // the close was handed to the game
  bool end_written_ = false;
};

// Playback on the real platform: the clock runs `speed` times faster (a
// stall of the machine counts as at most a second), the keyboard does not
// act, and Escape closes the window.
class PlaybackPlatform : public PlatformDecorator {
 public:
  PlaybackPlatform(Platform& inner, int speed) : PlatformDecorator(inner), speed_(speed) {}

  std::uint32_t TickCount() override;
  void Delay(std::uint32_t ms) override;
  void ProcessEvents(EventSink& sink) override;
  void ReadKeyboard(std::uint8_t state[256]) override;

 private:
  int speed_;
  bool clock_started_ = false;
  std::uint32_t last_real_ = 0;
  std::uint32_t game_now_ = 0;
};

// Closes the window once the script has been played to its end (END).
class ScriptEndPlatform : public ScriptInputPlatform {
 public:
  ScriptEndPlatform(Platform& inner, InputScript script, bool close_at_end)
      : ScriptInputPlatform(inner, std::move(script)), close_at_end_(close_at_end) {}
  void ProcessEvents(EventSink& sink) override {
    ScriptInputPlatform::ProcessEvents(sink);
    if (close_at_end_ && finished()) sink.OnClose();
  }

 private:
  bool close_at_end_;
};

}  // namespace krel
