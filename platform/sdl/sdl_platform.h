// The real platform: an SDL2 window with the 320x240 picture scaled into it,
// SDL's keyboard in DirectInput numbering, SDL's millisecond clock and
// SDL2_mixer for the sound effects.
#pragma once

#include <SDL.h>
#include <SDL_mixer.h>

#include <array>
#include <string>

#include "platform/platform.h"

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
  // mode switch); windowed is a 640x480 window that may be resized. Either
  // way the picture keeps its 4:3 shape, with black bars where the window is
  // wider or taller.
  bool OpenDisplay(bool fullscreen, std::string& error) override;
  void CloseDisplay() override;
  void Present(const Surface& frame) override;
  bool DisplayUsable() override;
  void ProcessEvents(EventSink& sink) override;

  void ReadKeyboard(std::uint8_t state[256]) override;
  std::string KeyName(int scancode) override;

  // 22050 Hz, ten voices.
  bool OpenAudio(std::string& error) override;
  bool LoadSound(int n, std::span<const std::uint8_t> wav, std::string& error) override;
  void PlayOnVoice(int voice, int n) override;

  // Always written to standard error; shown in a box when there is a display.
  void MessageBox(const std::string& text) override;

  // The open window and its renderer (nullptr while closed).
  SDL_Window* window() const { return window_; }
  SDL_Renderer* renderer() const { return renderer_; }

 private:
  bool InitVideo(std::string& error);

  bool video_ = false;
  bool audio_ = false;
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  int texture_w_ = 0;
  int texture_h_ = 0;
  std::array<Mix_Chunk*, 31> chunks_{};  // 1..30
};

}  // namespace krel
