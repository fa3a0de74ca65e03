// A platform with no window, no sound device and a clock the caller controls.
// The tests run every subsystem on it; automation runs the game on it too.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "gfx/surface.h"
#include "platform/pads.h"
#include "platform/platform.h"

namespace krel {

class HeadlessPlatform : public Platform {
 public:
  // --- clock: starts at `start`; Delay advances it by the requested time ---
  explicit HeadlessPlatform(std::uint32_t start = 1000) : now_(start) {}
  std::uint32_t TickCount() override;
  void Delay(std::uint32_t ms) override { now_ += ms; }
  void SetTime(std::uint32_t t) { now_ = t; }
  void Advance(std::uint32_t ms) { now_ += ms; }
  // Every TickCount() reading also advances the clock by this much, so that
  // busy-wait loops make progress without a Delay.
  void SetAutoAdvance(std::uint32_t ms) { auto_advance_ = ms; }

  // --- display ---------------------------------------------------------
  bool OpenDisplay(bool fullscreen, std::string& error) override;
  void CloseDisplay() override { display_open_ = false; }
  void Present(const Surface& frame) override;
  bool DisplayUsable() override { return usable_; }
  void ProcessEvents(EventSink& sink) override;
  void SetDisplayUsable(bool usable) { usable_ = usable; }
  bool display_open() const { return display_open_; }
  bool fullscreen() const { return fullscreen_; }
  void SetFullscreen(bool on) override { fullscreen_ = on; }
  bool IsFullscreen() override { return fullscreen_; }
  const Surface& last_frame() const { return last_frame_; }
  int frames_presented() const { return frames_presented_; }
  int process_events_calls() const { return process_events_calls_; }

  // --- keyboard: the test holds keys; events are queued for ProcessEvents ---
  void ReadKeyboard(std::uint8_t state[256]) override;
  void ReadGameInput(std::uint8_t keys[256], std::uint8_t pads[3]) override;
  std::string KeyName(int scancode) override;
  void SetKey(int scancode, bool down) { keys_[scancode & 0xFF] = down ? 0x80 : 0; }
  void ReleaseAllKeys() { keys_.fill(0); }
  void QueueKeyDown() { pending_.push_back({Event::kKeyDown, 0}); }
  void QueueKeyPress(unsigned char ch) { pending_.push_back({Event::kKeyPress, ch}); }
  void QueueClose() { pending_.push_back({Event::kClose, 0}); }
  int keyboard_reads() const { return keyboard_reads_; }

  // --- game controllers: fake events, delivered by ProcessEvents as a real
  // pad's would be ----------------------------------------------------------
  void QueuePadAdded(int id) { pending_.push_back({Event::kPadAdded, 0, id}); }
  void QueuePadRemoved(int id) { pending_.push_back({Event::kPadRemoved, 0, id}); }
  void QueuePadButton(int id, PadButton b, bool down) {
    pending_.push_back({Event::kPadButton, 0, id, static_cast<int>(b), down ? 1 : 0});
  }
  void QueuePadAxis(int id, PadAxis a, int value) {
    pending_.push_back({Event::kPadAxis, 0, id, static_cast<int>(a), value});
  }
  const Pads& pads() const { return pads_; }

  // --- sound: remembered, not heard ---------------------------------------
  bool OpenAudio(std::string& error) override;
  bool LoadSound(int n, std::span<const std::uint8_t> wav, std::string& error) override;
  void PlayOnVoice(int voice, int n) override { plays_.emplace_back(voice, n); }
  void SetAudioAvailable(bool available) { audio_available_ = available; }
  void SetVolume(int percent) override { volume_ = percent; }
  int volume() const { return volume_; }
  // (voice, sound number) of every start, in order.
  const std::vector<std::pair<int, int>>& plays() const { return plays_; }
  void ClearPlays() { plays_.clear(); }
  int sounds_loaded() const { return sounds_loaded_; }

  // --- messages ---------------------------------------------------------
  void MessageBox(const std::string& text) override { messages_.push_back(text); }
  const std::vector<std::string>& messages() const { return messages_; }

 private:
  struct Event {
    enum Kind { kKeyDown, kKeyPress, kClose, kPadAdded, kPadRemoved, kPadButton, kPadAxis } kind;
    unsigned char ch = 0;
    int pad = 0;    // pad events: which pad
    int which = 0;  // button or axis
    int value = 0;  // 1/0 for a button, the position of an axis
  };
  std::uint32_t now_;
  std::uint32_t auto_advance_ = 0;
  bool display_open_ = false;
  bool fullscreen_ = false;
  bool usable_ = true;
  bool audio_available_ = true;
  int volume_ = 100;
  Surface last_frame_;
  int frames_presented_ = 0;
  int process_events_calls_ = 0;
  int keyboard_reads_ = 0;
  int sounds_loaded_ = 0;
  std::array<std::uint8_t, 256> keys_{};
  Pads pads_;
  bool game_read_ = false;  // ReadKeyboard is serving ReadGameInput
  std::vector<Event> pending_;
  std::vector<std::pair<int, int>> plays_;
  std::vector<std::string> messages_;
};

}  // namespace krel
