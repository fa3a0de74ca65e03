#include "platform/sdl/sdl_platform.h"

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "gfx/codepage.h"
#include "gfx/surface.h"
#include "platform/keycodes.h"
#include "platform/sdl/sdl_keymap.h"

namespace krel {

namespace {

constexpr int kVoices = 10;
constexpr int kMixRate = 22050;

// Drivers that never show anything on a screen.
bool Headless(const char* driver) {
  return driver != nullptr && (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0);
}

// True when SDL_VIDEODRIVER (one name, or several separated by commas) asks
// for driver.
bool Requested(const char* driver) {
  const char* env = std::getenv("SDL_VIDEODRIVER");
  if (env == nullptr || driver == nullptr) return false;
  std::string list = env;
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find(',', start);
    if (end == std::string::npos) end = list.size();
    if (SDL_strcasecmp(list.substr(start, end - start).c_str(), driver) == 0) return true;
    start = end + 1;
  }
  return false;
}

constexpr const char* kNoDisplayHint =
    "; set DISPLAY (X11) or WAYLAND_DISPLAY (Wayland) to the screen to play on, or SDL_VIDEODRIVER=dummy "
    "for a run without a window";

}  // namespace

SdlPlatform::SdlPlatform() {
  // Clock and event queue are needed before any window exists.
  SDL_Init(SDL_INIT_TIMER | SDL_INIT_EVENTS);
}

SdlPlatform::~SdlPlatform() {
  if (audio_) Mix_HaltChannel(-1);
  for (Mix_Chunk*& c : chunks_) {
    if (c != nullptr) Mix_FreeChunk(c);
    c = nullptr;
  }
  if (audio_) {
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
  CloseDisplay();
  SDL_Quit();
}

std::uint32_t SdlPlatform::TickCount() { return SDL_GetTicks(); }

void SdlPlatform::Delay(std::uint32_t ms) { SDL_Delay(ms); }

bool SdlPlatform::InitVideo(std::string& error) {
  if (video_) return true;
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    error = std::string("no display (") + SDL_GetError() + ")" + kNoDisplayHint;
    return false;
  }
  // Without a reachable screen SDL falls back to a driver that draws into
  // memory, and the game would run unseen until killed. Only a run that
  // asked for such a driver gets one.
  const char* driver = SDL_GetCurrentVideoDriver();
  if (Headless(driver) && !Requested(driver)) {
    error = std::string("no display: no screen could be reached (SDL would use its \"") + driver +
            "\" video driver, which shows nothing)" + kNoDisplayHint;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return false;
  }
  video_ = true;
  return true;
}

bool SdlPlatform::OpenDisplay(bool fullscreen, std::string& error) {
  CloseDisplay();
  if (!InitVideo(error)) return false;
  // Blocky pixels, as the picture is meant to look.
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
  // A window may be resized at will; the picture keeps its 4:3 shape.
  Uint32 flags = SDL_WINDOW_SHOWN | (fullscreen ? 0 : SDL_WINDOW_RESIZABLE);
  int width = 640;
  int height = 480;
  if (fullscreen) {
    // A borderless window over the whole desktop, never a mode switch. It
    // is created at the desktop's size, so that the renderer's scaling is
    // right from the first frame even where no window manager resizes it.
    flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    SDL_DisplayMode desktop;
    if (SDL_GetDesktopDisplayMode(0, &desktop) == 0 && desktop.w > 0 && desktop.h > 0) {
      width = desktop.w;
      height = desktop.h;
    }
  }
  window_ = SDL_CreateWindow("Krel", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height, flags);
  if (window_ == nullptr) {
    error = std::string("cannot open the game window: ") + SDL_GetError();
    return false;
  }
  renderer_ = SDL_CreateRenderer(window_, -1, 0);
  if (renderer_ == nullptr) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
  if (renderer_ == nullptr) {
    error = std::string("cannot draw into the game window: ") + SDL_GetError();
    CloseDisplay();
    return false;
  }
  // Scales 320x240 to the window, keeping 4:3 with black bars.
  SDL_RenderSetLogicalSize(renderer_, 320, 240);
  if (fullscreen) SDL_ShowCursor(SDL_DISABLE);
  SDL_StartTextInput();
  return true;
}

void SdlPlatform::CloseDisplay() {
  if (texture_ != nullptr) SDL_DestroyTexture(texture_);
  if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
  if (window_ != nullptr) {
    SDL_StopTextInput();
    SDL_DestroyWindow(window_);
  }
  texture_ = nullptr;
  renderer_ = nullptr;
  window_ = nullptr;
  texture_w_ = texture_h_ = 0;
}

void SdlPlatform::Present(const Surface& frame) {
  if (renderer_ == nullptr || frame.empty()) return;
  if (texture_ == nullptr || texture_w_ != frame.width() || texture_h_ != frame.height()) {
    if (texture_ != nullptr) SDL_DestroyTexture(texture_);
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING, frame.width(),
                                 frame.height());
    if (texture_ == nullptr) return;
    texture_w_ = frame.width();
    texture_h_ = frame.height();
    SDL_RenderSetLogicalSize(renderer_, frame.width(), frame.height());
  }
  SDL_UpdateTexture(texture_, nullptr, frame.pixels().data(), frame.width() * static_cast<int>(sizeof(Pixel)));
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
  SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
  SDL_RenderPresent(renderer_);
}

bool SdlPlatform::DisplayUsable() {
  if (window_ == nullptr) return true;
  return (SDL_GetWindowFlags(window_) & SDL_WINDOW_MINIMIZED) == 0;
}

void SdlPlatform::ProcessEvents(EventSink& sink) {
  SDL_Event e;
  while (SDL_PollEvent(&e) != 0) {
    switch (e.type) {
      case SDL_QUIT:
        sink.OnClose();
        break;
      case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_CLOSE) sink.OnClose();
        break;
      case SDL_KEYDOWN: {
        sink.OnKeyDown();
        // Keys that type a control character; text input leaves them out.
        SDL_Scancode sc = e.key.keysym.scancode;
        if (sc == SDL_SCANCODE_BACKSPACE) sink.OnKeyPress(8);
        if (sc == SDL_SCANCODE_RETURN || sc == SDL_SCANCODE_KP_ENTER) sink.OnKeyPress(13);
        if (sc == SDL_SCANCODE_ESCAPE) sink.OnKeyPress(27);
        break;
      }
      case SDL_TEXTINPUT:
        for (char c : Utf8ToCp1252(e.text.text)) sink.OnKeyPress(static_cast<unsigned char>(c));
        break;
      default:
        break;
    }
  }
}

void SdlPlatform::ReadKeyboard(std::uint8_t state[256]) {
  std::memset(state, 0, 256);
  int n = 0;
  const Uint8* keys = SDL_GetKeyboardState(&n);
  if (keys == nullptr) return;
  for (int i = 0; i < n; ++i) {
    if (keys[i] == 0) continue;
    int dik = DikFromSdlScancode(static_cast<SDL_Scancode>(i));
    if (dik != 0) state[dik] = 0x80;
  }
}

std::string SdlPlatform::KeyName(int scancode) { return DikKeyName(scancode); }

bool SdlPlatform::OpenAudio(std::string& error) {
  if (audio_) return true;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    error = SDL_GetError();
    return false;
  }
  if (Mix_OpenAudio(kMixRate, AUDIO_S16SYS, 2, 1024) != 0) {
    error = Mix_GetError();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  Mix_AllocateChannels(kVoices);
  audio_ = true;
  return true;
}

bool SdlPlatform::LoadSound(int n, std::span<const std::uint8_t> wav, std::string& error) {
  if (n < 1 || n > 30) {
    error = "sound number " + std::to_string(n) + " is outside 1..30";
    return false;
  }
  if (!audio_) {
    error = "sound " + std::to_string(n) + ": the sound device is not open";
    return false;
  }
  SDL_RWops* rw = SDL_RWFromConstMem(wav.data(), static_cast<int>(wav.size()));
  Mix_Chunk* chunk = rw != nullptr ? Mix_LoadWAV_RW(rw, 1) : nullptr;
  if (chunk == nullptr) {
    error = "sound " + std::to_string(n) + ": " + Mix_GetError();
    return false;
  }
  std::size_t i = static_cast<std::size_t>(n);
  if (chunks_[i] != nullptr) Mix_FreeChunk(chunks_[i]);
  chunks_[i] = chunk;
  return true;
}

void SdlPlatform::PlayOnVoice(int voice, int n) {
  if (!audio_ || voice < 0 || voice >= kVoices || n < 1 || n > 30) return;
  Mix_Chunk* chunk = chunks_[static_cast<std::size_t>(n)];
  // Starting on a channel cuts whatever that channel played.
  if (chunk != nullptr) Mix_PlayChannel(voice, chunk, 0);
}

void SdlPlatform::MessageBox(const std::string& text) {
  std::cerr << "krel: " << text << std::endl;
  const char* driver = video_ ? SDL_GetCurrentVideoDriver() : std::getenv("SDL_VIDEODRIVER");
  if (Headless(driver)) return;
  if (!video_ && std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) return;
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_WARNING, "Krel", text.c_str(), window_);
}

}  // namespace krel
