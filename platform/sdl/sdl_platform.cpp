#include "platform/sdl/sdl_platform.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <string>

#include "gfx/codepage.h"
#include "gfx/surface.h"
#include "gfx/text_wrap.h"
#include "platform/keycodes.h"
#include "platform/quit_signals.h"
#include "platform/screenshot_path.h"
#include "platform/sdl/screenshot.h"
#include "platform/sdl/sdl_keymap.h"

namespace krel {

namespace {

// Our pad numbering is SDL's, so events pass straight through.
static_assert(static_cast<int>(PadButton::kA) == SDL_CONTROLLER_BUTTON_A);
static_assert(static_cast<int>(PadButton::kDpadRight) == SDL_CONTROLLER_BUTTON_DPAD_RIGHT);
static_assert(static_cast<int>(PadButton::kCount) == SDL_CONTROLLER_BUTTON_DPAD_RIGHT + 1);
static_assert(static_cast<int>(PadAxis::kLeftX) == SDL_CONTROLLER_AXIS_LEFTX);
static_assert(static_cast<int>(PadAxis::kTriggerRight) == SDL_CONTROLLER_AXIS_TRIGGERRIGHT);

// Message boxes break their lines here when the screen's width is unknown.
constexpr int kMessageColumns = 72;

// Screenshots are saved at twice the picture's size.
constexpr int kScreenshotScale = 2;

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
  // SIGINT and SIGTERM are ours (platform/quit_signals.h): SDL's own
  // handlers only queue a quit event, which nothing reads while a message
  // box is up or before the window opens.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  InstallQuitSignals();
  // Clock and event queue are needed before any window exists.
  SDL_Init(SDL_INIT_TIMER | SDL_INIT_EVENTS);
  // Pads play like the keyboard does, with or without the focus. Without
  // the controller subsystem the game simply has no pads.
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);
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
  for (auto& [id, pad] : controllers_) SDL_GameControllerClose(pad);
  controllers_.clear();
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
  // A window may be made larger; the picture grows by whole steps.
  Uint32 flags = SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE;
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
  fullscreen_ = fullscreen;
  SDL_ShowCursor(fullscreen ? SDL_DISABLE : SDL_ENABLE);
  SDL_StartTextInput();
  // With the window open, a signal closes it the way the player would.
  SetQuitSignalsGraceful(true);
  return true;
}

void SdlPlatform::CloseDisplay() {
  SetQuitSignalsGraceful(false);
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
  }
  last_frame_.assign(frame.pixels().begin(), frame.pixels().end());
  last_w_ = frame.width();
  last_h_ = frame.height();
  SDL_UpdateTexture(texture_, nullptr, frame.pixels().data(), frame.width() * static_cast<int>(sizeof(Pixel)));
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
  // The output size is in real pixels, also where the desktop scales windows.
  int out_w = 0;
  int out_h = 0;
  if (SDL_GetRendererOutputSize(renderer_, &out_w, &out_h) != 0) SDL_GetWindowSize(window_, &out_w, &out_h);
  const ScreenRect r = PictureRect(out_w, out_h, frame.width(), frame.height(), scaling_);
  const SDL_Rect target{r.x, r.y, r.w, r.h};
  SDL_RenderCopy(renderer_, texture_, nullptr, &target);
  SDL_RenderPresent(renderer_);
}

void SdlPlatform::ToggleFullscreen() {
  if (window_ == nullptr) return;
  if (fullscreen_) {
    if (SDL_SetWindowFullscreen(window_, 0) != 0) return;
    SDL_SetWindowSize(window_, 640, 480);
    SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    SDL_ShowCursor(SDL_ENABLE);
  } else {
    if (SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) return;
    SDL_ShowCursor(SDL_DISABLE);
  }
  fullscreen_ = !fullscreen_;
}

void SdlPlatform::SetFullscreen(bool on) {
  if (on != fullscreen_) ToggleFullscreen();
}

void SdlPlatform::SaveScreenshot(EventSink& sink) {
  std::string error;
  const std::string dir = ScreenshotDir(std::getenv("XDG_PICTURES_DIR"), std::getenv("HOME"));
  std::string name;
  if (last_frame_.empty()) {
    error = "nothing shown yet";
  } else if (dir.empty()) {
    error = "neither XDG_PICTURES_DIR nor HOME is set";
  } else {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    name = ScreenshotName(local, [&dir](const std::string& n) {
      std::error_code ec;
      return std::filesystem::exists(dir + "/" + n, ec);
    });
    if (SaveFramePng(last_frame_, last_w_, last_h_, kScreenshotScale, dir + "/" + name, error)) {
      std::cerr << "krel: screenshot saved as " << dir << "/" << name << std::endl;
      sink.OnNotice("SCREENSHOT " + name);
      return;
    }
    screenshot_failed_ = true;
  }
  // A failed screenshot is reported and the game goes on.
  std::cerr << "krel: screenshot not saved: " << error << std::endl;
  sink.OnNotice("SCREENSHOT FAILED: " + error);
}

void SdlPlatform::HandlePadEvent(const SDL_Event& e) {
  switch (e.type) {
    case SDL_CONTROLLERDEVICEADDED: {
      SDL_GameController* pad = SDL_GameControllerOpen(e.cdevice.which);
      if (pad == nullptr) return;
      const int id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad));
      if (controllers_.contains(id)) {
        SDL_GameControllerClose(pad);  // announced twice
        return;
      }
      controllers_[id] = pad;
      pads_.Add(id);
      return;
    }
    case SDL_CONTROLLERDEVICEREMOVED: {
      const int id = e.cdevice.which;  // the instance id here
      if (auto it = controllers_.find(id); it != controllers_.end()) {
        SDL_GameControllerClose(it->second);
        controllers_.erase(it);
      }
      pads_.Remove(id);
      return;
    }
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
      if (e.cbutton.button < static_cast<int>(PadButton::kCount))
        pads_.SetButton(e.cbutton.which, static_cast<PadButton>(e.cbutton.button), e.type == SDL_CONTROLLERBUTTONDOWN);
      return;
    case SDL_CONTROLLERAXISMOTION:
      if (e.caxis.axis < static_cast<int>(PadAxis::kCount))
        pads_.SetAxis(e.caxis.which, static_cast<PadAxis>(e.caxis.axis), e.caxis.value);
      return;
    default: return;
  }
}

bool SdlPlatform::DisplayUsable() {
  if (window_ == nullptr) return true;
  return (SDL_GetWindowFlags(window_) & SDL_WINDOW_MINIMIZED) == 0;
}

void SdlPlatform::ProcessEvents(EventSink& sink) {
  if (QuitSignalled() && !quit_signal_delivered_) {
    quit_signal_delivered_ = true;
    sink.OnClose();
  }
  SDL_Event e;
  while (SDL_PollEvent(&e) != 0) {
    switch (e.type) {
      case SDL_QUIT: sink.OnClose(); break;
      case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_CLOSE) sink.OnClose();
        break;
      case SDL_KEYDOWN: {
        const SDL_Scancode key = e.key.keysym.scancode;
        const bool enter = key == SDL_SCANCODE_RETURN || key == SDL_SCANCODE_KP_ENTER;
        if (enter && (e.key.keysym.mod & KMOD_ALT) != 0) {
          // The window switch is the platform's own; the game never sees it.
          if (e.key.repeat == 0) ToggleFullscreen();
          hide_return_ = true;
          break;
        }
        if (key == SDL_SCANCODE_F12 && e.key.repeat == 0) SaveScreenshot(sink);
        sink.OnKeyDown();
        // Keys that type a control character; text input leaves them out.
        SDL_Scancode sc = e.key.keysym.scancode;
        if (sc == SDL_SCANCODE_BACKSPACE) sink.OnKeyPress(8);
        if (sc == SDL_SCANCODE_RETURN || sc == SDL_SCANCODE_KP_ENTER) sink.OnKeyPress(13);
        if (sc == SDL_SCANCODE_ESCAPE) sink.OnKeyPress(27);
        break;
      }
      case SDL_CONTROLLERDEVICEADDED:
      case SDL_CONTROLLERDEVICEREMOVED:
      case SDL_CONTROLLERBUTTONDOWN:
      case SDL_CONTROLLERBUTTONUP:
      case SDL_CONTROLLERAXISMOTION: HandlePadEvent(e); break;
      case SDL_TEXTINPUT:
        for (char c : Utf8ToCp1252(e.text.text)) sink.OnKeyPress(static_cast<unsigned char>(c));
        break;
      default: break;
    }
  }
}

void SdlPlatform::ReadKeyboard(std::uint8_t state[256]) {
  ReadKeys(state);
  pads_.AddMenuKeys(state);
}

void SdlPlatform::ReadGameInput(std::uint8_t keys[256], std::uint8_t pads[3]) {
  ReadKeys(keys);
  pads[0] = 0;
  pads[1] = pads_.Controls(1);
  pads[2] = pads_.Controls(2);
}

void SdlPlatform::ReadKeys(std::uint8_t state[256]) {
  std::memset(state, 0, 256);
  int n = 0;
  const Uint8* keys = SDL_GetKeyboardState(&n);
  if (keys == nullptr) return;
  for (int i = 0; i < n; ++i) {
    if (keys[i] == 0) continue;
    int dik = DikFromSdlScancode(static_cast<SDL_Scancode>(i));
    if (dik != 0) state[dik] = 0x80;
  }
  if (hide_return_) {
    if (state[DIK_RETURN] == 0 && state[DIK_NUMPADENTER] == 0) {
      hide_return_ = false;
    } else {
      state[DIK_RETURN] = 0;
      state[DIK_NUMPADENTER] = 0;
    }
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
  SetVolume(volume_);
  return true;
}

void SdlPlatform::SetVolume(int percent) {
  volume_ = std::clamp(percent, 0, 100);
  if (audio_) Mix_Volume(-1, volume_ * MIX_MAX_VOLUME / 100);
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
  // The box is as wide as its longest line, so long lines are broken to
  // fit three quarters of the screen (about 8 pixels a character).
  int columns = kMessageColumns;
  SDL_DisplayMode desktop;
  if (video_ && SDL_GetDesktopDisplayMode(0, &desktop) == 0 && desktop.w > 0)
    columns = std::clamp(desktop.w * 3 / 4 / 8, 40, 120);
  // The box runs a loop of its own: a signal must end the program at once.
  ImmediateQuitScope immediate;
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_WARNING, "Krel",
                           WrapTextLines(text, static_cast<std::size_t>(columns)).c_str(), window_);
}

}  // namespace krel
