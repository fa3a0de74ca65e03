// The narrow seam between the game and the machine: clock, display, keyboard,
// sound and message boxes. The game code only ever talks to this interface;
// platform/sdl implements it with SDL2 and SDL2_mixer, platform/headless with
// nothing at all (a controllable clock, a remembered frame, recorded sounds),
// which is what the tests run on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace krel {

class Surface;

// Receives the window events that arrive while events are processed.
class EventSink {
 public:
  virtual ~EventSink() = default;
  // A key went down (after the keyboard table already shows it).
  virtual void OnKeyDown() = 0;
  // A character was typed (its code in the single-byte code page).
  virtual void OnKeyPress(unsigned char ch) = 0;
  // The user closed the window.
  virtual void OnClose() = 0;
  // A line for the player from the platform itself (a screenshot was saved,
  // or could not be); a game shows it as a chat line.
  virtual void OnNotice(const std::string& /*text*/) {}
};

class Platform {
 public:
  virtual ~Platform() = default;

  // --- clock ---------------------------------------------------------------
  // Milliseconds from a monotonic clock; only differences are meaningful.
  virtual std::uint32_t TickCount() = 0;
  // Give the machine back a moment while a loop waits (about ms milliseconds).
  virtual void Delay(std::uint32_t ms) = 0;

  // --- display -------------------------------------------------------------
  // Opens the window: full screen (a borderless desktop-sized window with the
  // picture scaled aspect-correctly) or a 640x480 window. On failure returns
  // false and describes why in error.
  virtual bool OpenDisplay(bool fullscreen, std::string& error) = 0;
  virtual void CloseDisplay() = 0;
  // Shows a finished 320x240 frame, stretched onto the window.
  virtual void Present(const Surface& frame) = 0;
  // False while the window is minimised (the game suspends until it is back).
  virtual bool DisplayUsable() = 0;
  // Delivers pending window events to sink.
  virtual void ProcessEvents(EventSink& sink) = 0;
  // Switches an open display between full screen and a window, as the
  // player's choice in the options does; whether it is full screen now (a
  // key of the platform's own may have switched it).
  virtual void SetFullscreen(bool /*on*/) {}
  virtual bool IsFullscreen() { return false; }

  // --- keyboard and game controllers ---------------------------------------
  // 256 bytes in DirectInput scan-code numbering; bit 7 set while down. The
  // game controllers count as keys here, the way the menus want them: d-pad
  // or left stick as the arrow keys, A as Return, B as Escape.
  virtual void ReadKeyboard(std::uint8_t state[256]) = 0;
  // What a game frame reads: the keyboard alone (no controller folded in),
  // and in pads[1] and pads[2] the controls held on the pads of players 1
  // and 2 (bit j for control j, 1..7; 0 for no pad). pads[0] is unused.
  virtual void ReadGameInput(std::uint8_t keys[256], std::uint8_t pads[3]) {
    ReadKeyboard(keys);
    pads[0] = pads[1] = pads[2] = 0;
  }
  // The keyboard's name for a scan code; empty when no key has that code.
  virtual std::string KeyName(int scancode) = 0;

  // --- sound ---------------------------------------------------------------
  virtual bool OpenAudio(std::string& error) = 0;
  // Loads effect number n (1..30) from the bytes of a WAV file.
  virtual bool LoadSound(int n, std::span<const std::uint8_t> wav, std::string& error) = 0;
  // Starts effect n on voice 0..9 from its beginning, silencing whatever that
  // voice played before. Returns at once.
  virtual void PlayOnVoice(int voice, int n) = 0;
  // The loudness of every voice, 0 (silent) to 100 (as loud as the effects
  // are made); it holds for a device opened later too.
  virtual void SetVolume(int /*percent*/) {}

  // --- screenshots ---------------------------------------------------------
  // Saves the last frame shown (F12, or a key script's F12) and reports it,
  // or why it failed, through sink.OnNotice. Platforms without a picture to
  // save do nothing.
  virtual void SaveScreenshot(EventSink& /*sink*/) {}

  // --- messages ------------------------------------------------------------
  // A modal message box (standard error when there is no display).
  virtual void MessageBox(const std::string& text) = 0;
};

// A platform that hands everything on to another one, for the decorators
// (key scripts, recording, playback) to override only what they change. A
// game frame's read goes through the decorator's own ReadKeyboard, so that a
// script or recording sees it too.
class PlatformDecorator : public Platform {
 public:
  explicit PlatformDecorator(Platform& inner) : inner_(inner) {}

  std::uint32_t TickCount() override { return inner_.TickCount(); }
  void Delay(std::uint32_t ms) override { inner_.Delay(ms); }
  bool OpenDisplay(bool fullscreen, std::string& error) override { return inner_.OpenDisplay(fullscreen, error); }
  void CloseDisplay() override { inner_.CloseDisplay(); }
  void Present(const Surface& frame) override { inner_.Present(frame); }
  bool DisplayUsable() override { return inner_.DisplayUsable(); }
  void ProcessEvents(EventSink& sink) override { inner_.ProcessEvents(sink); }
  void SetFullscreen(bool on) override { inner_.SetFullscreen(on); }
  bool IsFullscreen() override { return inner_.IsFullscreen(); }
  void ReadKeyboard(std::uint8_t state[256]) override { inner_.ReadKeyboard(state); }
  std::string KeyName(int scancode) override { return inner_.KeyName(scancode); }
  bool OpenAudio(std::string& error) override { return inner_.OpenAudio(error); }
  bool LoadSound(int n, std::span<const std::uint8_t> wav, std::string& error) override {
    return inner_.LoadSound(n, wav, error);
  }
  void PlayOnVoice(int voice, int n) override { inner_.PlayOnVoice(voice, n); }
  void SetVolume(int percent) override { inner_.SetVolume(percent); }
  void SaveScreenshot(EventSink& sink) override { inner_.SaveScreenshot(sink); }
  void MessageBox(const std::string& text) override { inner_.MessageBox(text); }

 protected:
  Platform& inner_;
};

}  // namespace krel
