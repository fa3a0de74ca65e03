// Scripted keyboard (KREL_INPUT=FILE): a platform decorator that replaces the
// real keyboard with a script and forwards everything else to the platform it
// wraps, so automation can drive the real program frame by frame.
//
// Script format, one instruction per line:
//
//   <count> <KEY> [<KEY> ...]   hold these keys for the next <count> reads of
//                               the keyboard (one ReadKeyboard call is one
//                               read: a game frame or one menu pass)
//   <count> -                   hold no key for <count> reads
//   TYPE <text>                 type these characters: each one is delivered
//                               as a key-down event (the keyboard showing its
//                               key while the event runs, so LastKey works)
//                               followed by the character event
//   # comment                   '#' starts a comment on any line
//
// Keys are DirectInput names without the DIK_ prefix (RETURN, ESCAPE, UP,
// LEFT, SPACE, A..Z, 0..9, F1..F12, LSHIFT, NUMPAD0, ...), any case. In TYPE
// text, blanks at either end are dropped and these escapes are understood:
// \# (a '#'), \\ (a backslash), \s (a blank), \b (backspace, code 8),
// \r (Return, code 13), \e (Escape, code 27), \t (tab), \xHH (the byte HH).
// Other characters are taken as UTF-8 and typed in the game's code page.
//
// Timing: a key that goes down at the start of a hold line also produces a
// key-down event at the event processing just before that line's first read,
// as a real key would. A TYPE line is delivered at the next event processing
// once the lines before it are used up; reads made before that see no key.
// F12 going down in a hold line saves a screenshot, as the real key does.
// When the script is used up, every later read sees no key and the next event
// processing reports the window as closed, so the program ends.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace krel {

struct ScriptStep {
  enum class Kind { kHold, kType };
  Kind kind = Kind::kHold;
  int line = 0;             // 1-based line in the script
  std::uint64_t count = 0;  // kHold: reads
  std::vector<int> keys;    // kHold: scan codes held (empty for "-")
  std::string text;         // kType: the characters, Windows-1252 bytes
};

struct InputScript {
  std::vector<ScriptStep> steps;
};

// Parses script text. On a malformed line returns false and error names the
// origin, the line and what is wrong; nothing is guessed.
bool ParseInputScript(std::string_view text, const std::string& origin, InputScript& out, std::string& error);
// Reads the whole file at path; false when it cannot be opened.
bool ReadWholeTextFile(const std::string& path, std::string& text);

bool LoadInputScript(const std::string& path, InputScript& out, std::string& error);

class ScriptInputPlatform : public PlatformDecorator {
 public:
  ScriptInputPlatform(Platform& inner, InputScript script);

  void ProcessEvents(EventSink& sink) override;
  // The script replaces the game controllers too: a scripted run is the same
  // whatever is plugged in.
  void ReadKeyboard(std::uint8_t state[256]) override;

  // Nobody is at the keyboard to close a box: the message goes to standard
  // error only (and the program, whose messages are all fatal, ends).
  void MessageBox(const std::string& text) override;

  // True once every line of the script has been used.
  bool finished() const { return step_ >= script_.steps.size(); }
  // Reads of the keyboard so far (event-time reads not counted).
  std::uint64_t reads() const { return reads_; }

 private:
  void EnterStep(std::size_t index);
  void DeliverKeyDown(EventSink& sink, const std::array<std::uint8_t, 256>& state);

  InputScript script_;
  std::size_t step_ = 0;
  std::uint64_t remaining_ = 0;                // reads left in the current hold line
  bool announced_ = false;                     // key-down of the current hold line sent
  std::array<std::uint8_t, 256> last_read_{};  // what the last read reported
  // While a key-down event runs, reads show this instead of using a read.
  bool in_event_ = false;
  std::array<std::uint8_t, 256> event_state_{};
  std::uint64_t reads_ = 0;
  // The script has ended once the program asks for a read it no longer has;
  // a program that stops reading (a wait loop) is closed after a while too.
  bool read_past_end_ = false;
  std::uint64_t events_after_end_ = 0;
};

}  // namespace krel
