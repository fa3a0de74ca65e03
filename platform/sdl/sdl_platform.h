// The real platform: an SDL2 window with the 320x240 picture scaled into it,
// SDL's keyboard in DirectInput numbering, SDL's millisecond clock and
// SDL2_mixer for the sound effects.
#pragma once

#include <SDL.h>
#include <SDL_mixer.h>

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/pads.h"
#include "platform/platform.h"
#include "platform/scaling.h"

namespace krel {

class SdlPlatform : public Platform {
 public:
  SdlPlatform();
  ~SdlPlatform() override;
  SdlPlatform(const SdlPlatform&) = delete;
  SdlPlatform& operator=(const SdlPlatform&) = delete;

  std::uint32_t TickCount() override;
  void Delay(std::uint32_t ms) override;

  // Full screen is a borderless window covering the desktop (never a video
  // mode switch); windowed is 640x480. Either way the picture keeps its 4:3
  // shape, with black bars where the window is wider or taller; how it is
  // scaled is SetScaling's choice. Alt+Enter switches between the two at
  // any time; F12 saves the last frame shown as a PNG (reported through the
  // event sink's OnNotice).
  void SetScaling(Scaling scaling) { scaling_ = scaling; }
  bool OpenDisplay(bool fullscreen, std::string& error) override;
  void CloseDisplay() override;
  void Present(const Surface& frame) override;
  bool DisplayUsable() override;
  void ProcessEvents(EventSink& sink) override;
  void SetFullscreen(bool on) override;
  bool IsFullscreen() override { return fullscreen_; }

  void ReadKeyboard(std::uint8_t state[256]) override;
  void ReadGameInput(std::uint8_t keys[256], std::uint8_t pads[3]) override;
  std::string KeyName(int scancode) override;

  // 22050 Hz, ten voices.
  bool OpenAudio(std::string& error) override;
  bool LoadSound(int n, std::span<const std::uint8_t> wav, std::string& error) override;
  void PlayOnVoice(int voice, int n) override;
  void SetVolume(int percent) override;

  void SaveScreenshot(EventSink& sink) override;
  // Whether a screenshot could not be written in this run.
  bool write_failed() const { return screenshot_failed_; }

  // Always written to standard error; shown in a box, its lines broken to
  // fit the screen, when there is a display.
  void MessageBox(const std::string& text) override;

  // The open window and its renderer (nullptr while closed).
  SDL_Window* window() const { return window_; }
  SDL_Renderer* renderer() const { return renderer_; }

 private:
  bool InitVideo(std::string& error);
  void ToggleFullscreen();
  void HandlePadEvent(const SDL_Event& e);
  void ReadKeys(std::uint8_t state[256]);

  bool video_ = false;
  bool screenshot_failed_ = false;
  bool audio_ = false;
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  int texture_w_ = 0;
  int texture_h_ = 0;
  Scaling scaling_ = Scaling::kInteger;
  bool fullscreen_ = false;
  int volume_ = 100;  // percent
  // After Alt+Enter, Return reads as up until it is let go, so the menus do
  // not take the switch for a choice.
  bool hide_return_ = false;
  bool quit_signal_delivered_ = false;
  // The last frame shown, for F12.
  std::vector<std::uint16_t> last_frame_;
  int last_w_ = 0;
  int last_h_ = 0;
  Pads pads_;
  std::map<int, SDL_GameController*> controllers_;  // by joystick instance id
  std::array<Mix_Chunk*, 31> chunks_{};             // 1..30
};

}  // namespace krel
