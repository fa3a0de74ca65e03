// The SDL platform under SDL's dummy video and audio drivers. This runner
// links SDL; the main runner does not.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "gfx/surface.h"
#include "platform/keycodes.h"
#include "platform/sdl/sdl_keymap.h"
#include "platform/sdl/sdl_platform.h"
#include "tests/core_test_support.h"

// SDL keeps allocations of its own until the process ends; they are not
// leaks of the game.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }

namespace krel {
namespace {

TEST(SdlKeymap, EveryKeyOfAFullKeyboardHasItsOwnNamedCode) {
  // Arrows and right-hand keys get the extended codes, apart from their
  // keypad and left-hand twins.
  const std::pair<int, int> pairs[] = {{SDL_SCANCODE_LEFT, 203},
                                       {SDL_SCANCODE_KP_4, 0x4B},
                                       {SDL_SCANCODE_KP_ENTER, 0x9C},
                                       {SDL_SCANCODE_RETURN, 28},
                                       {SDL_SCANCODE_RCTRL, 0x9D},
                                       {SDL_SCANCODE_NONUSBACKSLASH, 0x56},
                                       {-1, 0},
                                       {SDL_NUM_SCANCODES, 0}};
  for (const auto& [sc, dik] : pairs) EXPECT_EQ(DikFromSdlScancode(static_cast<SDL_Scancode>(sc)), dik) << sc;

  std::map<int, int> sources;  // code -> how many SDL keys send it
  for (int sc = 0; sc < SDL_NUM_SCANCODES; ++sc) ++sources[DikFromSdlScancode(static_cast<SDL_Scancode>(sc))];
  sources.erase(0);  // no key
  // Every code sent has a name; only these keys are one key under two SDL names.
  for (const auto& [dik, n] : sources) {
    EXPECT_FALSE(DikKeyName(dik).empty()) << "unnamed code " << dik;
    EXPECT_EQ(n, dik == DIK_BACKSLASH || dik == DIK_MUTE || dik == DIK_WEBHOME ? 2 : 1) << DikIdentifier(dik);
  }
  EXPECT_GE(sources.size(), 105u);  // at least the keys of a PC keyboard
}

struct Recorder : EventSink {
  void OnKeyDown() override { log += "down "; }
  void OnKeyPress(unsigned char ch) override { log += "press" + std::to_string(ch) + " "; }
  void OnClose() override { log += "close "; }
  void OnNotice(const std::string& text) override { log += "[" + text + "] "; }
  std::string log;
};

void PushKey(SDL_Scancode sc, Uint16 mod = 0) {
  SDL_Event e{};
  e.type = SDL_KEYDOWN;
  e.key.keysym.scancode = sc;
  e.key.keysym.mod = mod;
  SDL_PushEvent(&e);
}

TEST(SdlPlatform, WindowEventsAndKeyboardUnderTheDummyDriver) {
  SdlPlatform p;
  std::string error;
  Surface frame(320, 240);
  for (bool fullscreen : {true, false}) {  // reopening replaces the window
    ASSERT_TRUE(p.OpenDisplay(fullscreen, error) && p.DisplayUsable()) << error;
    p.Present(frame);
  }
  Recorder rec;
  p.ProcessEvents(rec);  // whatever opening the window queued
  rec.log.clear();
  // Typed a, ü, € and a character without a byte; three keys; the window closed.
  SDL_Event e{};
  e.type = SDL_TEXTINPUT;
  std::snprintf(e.text.text, sizeof e.text.text, "a\xC3\xBC\xE2\x82\xAC\xE6\x97\xA5");
  SDL_PushEvent(&e);
  for (SDL_Scancode sc : {SDL_SCANCODE_BACKSPACE, SDL_SCANCODE_KP_ENTER, SDL_SCANCODE_A}) PushKey(sc);
  e = SDL_Event{};
  e.type = SDL_QUIT;
  SDL_PushEvent(&e);
  p.ProcessEvents(rec);
  EXPECT_EQ(rec.log, "press97 press252 press128 down press8 down press13 down close ");

  std::uint8_t state[256];
  std::fill(state, state + 256, 0xAA);
  p.ReadKeyboard(state);
  EXPECT_TRUE(std::all_of(state, state + 256, [](std::uint8_t b) { return b == 0 || b == 0x80; }));
  // Where the picture goes in a window of each size is PictureRect's to say;
  // here the window only has to take any size.
  EXPECT_NE(SDL_GetWindowFlags(p.window()) & SDL_WINDOW_RESIZABLE, 0u);
  SDL_SetWindowSize(p.window(), 100, 80);
  p.ProcessEvents(rec);
  p.Present(frame);
  int w = 0, h = 0;
  SDL_GetWindowSize(p.window(), &w, &h);
  EXPECT_EQ(std::pair(w, h), std::pair(100, 80));
  p.CloseDisplay();
  p.Present(frame);  // no window: nothing happens
  ::testing::internal::CaptureStderr();
  p.MessageBox("No sound device found");
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("No sound device found"), std::string::npos);
}

TEST(Screenshot, F12SavesTheShownFrameAndAltEnterSwitchesTheWindow) {
  testing::TempCwd tmp;
  ::setenv("XDG_PICTURES_DIR", (tmp.path() / "pics").c_str(), 1);
  SdlPlatform p;
  std::string error;
  ASSERT_TRUE(p.OpenDisplay(false, error)) << error;
  Recorder rec;
  p.ProcessEvents(rec);  // whatever opening the window queued
  rec.log.clear();

  PushKey(SDL_SCANCODE_F12);  // nothing shown yet: reported, and the key goes on to the game
  Surface frame(320, 240);
  frame.Clear(0xF81F);
  p.ProcessEvents(rec);
  p.Present(frame);
  PushKey(SDL_SCANCODE_F12);
  p.ProcessEvents(rec);
  EXPECT_EQ(rec.log.substr(0, 37), "[SCREENSHOT FAILED: nothing shown yet");
  const std::filesystem::path shot = std::filesystem::directory_iterator(tmp.path() / "pics" / "krel")->path();
  EXPECT_NE(rec.log.find("] down [SCREENSHOT " + shot.filename().string() + "] down "), std::string::npos) << rec.log;

  // Alt+Enter goes to the platform alone; plain Enter still reaches the game.
  rec.log.clear();
  PushKey(SDL_SCANCODE_RETURN, KMOD_LALT);
  p.ProcessEvents(rec);
  EXPECT_EQ(rec.log, "");
  PushKey(SDL_SCANCODE_RETURN);
  p.ProcessEvents(rec);
  EXPECT_EQ(rec.log, "down press13 ");

  ::unsetenv("XDG_PICTURES_DIR");
}

// A WAV file of silent 16-bit mono samples at 22050 Hz.
std::vector<std::uint8_t> SilentWav(std::uint32_t samples) {
  auto le = [](std::uint32_t v, int bytes) {
    std::string s;
    for (int i = 0; i < bytes; ++i) s += static_cast<char>(v >> (8 * i));
    return s;
  };
  std::string wav = "RIFF" + le(36 + 2 * samples, 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(1, 2) + le(22050, 4) +
                    le(44100, 4) + le(2, 2) + le(16, 2) + "data" + le(2 * samples, 4) + std::string(2 * samples, '\0');
  return {wav.begin(), wav.end()};
}

TEST(SdlPlatform, SoundsByNumberOnTenVoices) {
  const std::vector<std::uint8_t> wav = SilentWav(22050);
  std::string error;
  SdlPlatform p;
  EXPECT_FALSE(p.LoadSound(1, wav, error));  // the device is not open yet
  ASSERT_TRUE(p.OpenAudio(error)) << error;
  EXPECT_EQ(Mix_AllocateChannels(-1), 10);
  // Sound 2 is replaced by a shorter one.
  ASSERT_TRUE(p.LoadSound(1, wav, error) && p.LoadSound(2, wav, error) && p.LoadSound(2, SilentWav(9), error)) << error;
  for (int n : {0, 3, 31}) EXPECT_FALSE(p.LoadSound(n, n == 3 ? std::vector<std::uint8_t>(60, 'A') : wav, error)) << n;
  p.PlayOnVoice(3, 1);
  Mix_Chunk* first = Mix_GetChunk(3);
  p.PlayOnVoice(3, 2);  // the voice is cut and reused
  EXPECT_EQ(std::pair(Mix_Playing(-1), Mix_Playing(3)), std::pair(1, 1));
  EXPECT_LT(Mix_GetChunk(3)->alen, first->alen);  // the replacement plays
  p.PlayOnVoice(10, 1);                           // no such voice
  p.PlayOnVoice(4, 3);                            // no such sound
  EXPECT_EQ(Mix_Playing(-1), 1);
}

TEST(SdlPlatform, NoReachableScreenEndsStartUpInsteadOfRunningUnseen) {
  // As on a machine without a desktop: nothing to connect to, no driver
  // asked for. SDL would fall back to a driver that shows nothing.
  for (const char* name : {"SDL_VIDEODRIVER", "DISPLAY", "WAYLAND_DISPLAY"}) ::unsetenv(name);
  std::string error;
  SdlPlatform p;
  const bool opened = p.OpenDisplay(false, error);
  const std::string driver = opened ? SDL_GetCurrentVideoDriver() : "";
  ::setenv("SDL_VIDEODRIVER", "dummy", 1);
  // A console video driver may still reach a real screen; that is no fault.
  if (opened) {
    EXPECT_TRUE(driver != "dummy" && driver != "offscreen") << driver;
    return;
  }
  EXPECT_EQ(error.rfind("no display", 0), 0u) << error;
  EXPECT_NE(error.find("SDL_VIDEODRIVER=dummy"), std::string::npos) << error;  // how to go on
  // Asked for by name, the window-less driver is accepted.
  ASSERT_TRUE(SdlPlatform().OpenDisplay(false, error)) << error;
}

}  // namespace
}  // namespace krel

int main(int argc, char** argv) {
  // Never a real window or sound device from a test.
  ::setenv("SDL_VIDEODRIVER", "dummy", 1);
  ::setenv("SDL_AUDIODRIVER", "dummy", 1);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
