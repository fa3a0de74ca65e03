// The SDL platform under SDL's dummy video and audio drivers. This runner
// links SDL; the main runner does not.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "client/present/surface.h"
#include "platform/keycodes.h"
#include "platform/sdl/sdl_keymap.h"
#include "platform/sdl/sdl_platform.h"

// SDL keeps allocations of its own until the process ends; they are not
// leaks of the game.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }

namespace krel {
namespace {

class Recorder : public EventSink {
 public:
  void OnKeyDown() override { log += "down "; }
  void OnKeyPress(unsigned char ch) override { log += "press" + std::to_string(ch) + " "; }
  void OnClose() override { log += "close "; }
  std::string log;
};

TEST(SdlKeymap, ArrowsKeypadAndRightHandKeysGetTheirOwnCodes) {
  EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_LEFT), 203);
  EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_RIGHT), 205);
  EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_UP), 200);
  EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_DOWN), 208);
  EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_KP_4), DIK_NUMPAD4);
  EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_KP_8), DIK_NUMPAD8);
  EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_KP_ENTER), 0x9C);
  EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_RETURN), DIK_RETURN);
  EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_KP_DIVIDE), 0xB5);
  EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_SLASH), DIK_SLASH);
  EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_RCTRL), 0x9D);
  EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_LCTRL), DIK_LCONTROL);
  EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_RALT), 0xB8);
  EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_RSHIFT), DIK_RSHIFT);
  EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_ESCAPE), 1);
  EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_J), 36);
  EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_0), 11);
  EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_F12), 88);
  EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_NONUSBACKSLASH), DIK_OEM_102);
  EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_UNKNOWN), 0);
  EXPECT_EQ(DikFromSdlScancode(static_cast<SDL_Scancode>(-1)), 0);
  EXPECT_EQ(DikFromSdlScancode(SDL_NUM_SCANCODES), 0);
}

TEST(SdlKeymap, EveryKeyOfAFullKeyboardIsReachedOnceWithANamedCode) {
  std::map<int, std::vector<int>> sources;
  for (int sc = 0; sc < SDL_NUM_SCANCODES; ++sc) {
    int dik = DikFromSdlScancode(static_cast<SDL_Scancode>(sc));
    if (dik == 0) continue;
    EXPECT_FALSE(DikKeyName(dik).empty()) << "SDL scancode " << sc << " maps to unnamed code " << dik;
    sources[dik].push_back(sc);
  }
  // Only these keys are one key under two SDL names.
  const std::set<int> shared{DIK_BACKSLASH, DIK_MUTE, DIK_WEBHOME};
  for (const auto& [dik, scs] : sources) {
    if (!shared.contains(dik)) {
      EXPECT_EQ(scs.size(), 1u) << DikIdentifier(dik);
    }
  }
  // The 105 keys of a PC keyboard: main block, function keys, the block
  // above the arrows, arrows, keypad, both sides' modifiers.
  for (const char* id :
       {"ESCAPE", "1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "MINUS", "EQUALS", "BACK", "TAB", "Q", "W",
        "E", "R", "T", "Y", "U", "I", "O", "P", "LBRACKET", "RBRACKET", "RETURN", "LCONTROL", "A", "S", "D", "F",
        "G", "H", "J", "K", "L", "SEMICOLON", "APOSTROPHE", "GRAVE", "LSHIFT", "BACKSLASH", "Z", "X", "C", "V",
        "B", "N", "M", "COMMA", "PERIOD", "SLASH", "RSHIFT", "MULTIPLY", "LMENU", "SPACE", "CAPITAL", "F1", "F2",
        "F3", "F4", "F5", "F6", "F7", "F8", "F9", "F10", "F11", "F12", "NUMLOCK", "SCROLL", "NUMPAD7", "NUMPAD8",
        "NUMPAD9", "SUBTRACT", "NUMPAD4", "NUMPAD5", "NUMPAD6", "ADD", "NUMPAD1", "NUMPAD2", "NUMPAD3", "NUMPAD0",
        "DECIMAL", "OEM_102", "NUMPADENTER", "RCONTROL", "DIVIDE", "SYSRQ", "RMENU", "PAUSE", "HOME", "UP", "PRIOR",
        "LEFT", "RIGHT", "END", "DOWN", "NEXT", "INSERT", "DELETE", "LWIN", "RWIN", "APPS"}) {
    std::optional<int> dik = ParseDikName(id);
    ASSERT_TRUE(dik.has_value()) << id;
    EXPECT_TRUE(sources.contains(*dik)) << id << " cannot be pressed";
  }
}

TEST(SdlPlatform, WindowEventsAndClockUnderTheDummyDriver) {
  SdlPlatform p;
  std::string error;
  ASSERT_TRUE(p.OpenDisplay(true, error)) << error;
  EXPECT_TRUE(p.DisplayUsable());
  Surface frame(320, 240);
  frame.Clear(0xF800);
  p.Present(frame);
  p.Present(Surface(160, 120));  // another size is scaled as well
  ASSERT_TRUE(p.OpenDisplay(false, error)) << error;  // reopening replaces the window
  p.Present(frame);

  Recorder rec;
  p.ProcessEvents(rec);
  rec.log.clear();
  SDL_Event e{};
  e.type = SDL_TEXTINPUT;
  std::snprintf(e.text.text, sizeof e.text.text, "a\xC3\xBC\xE2\x82\xAC\xE6\x97\xA5");  // a ü € and one without a byte
  SDL_PushEvent(&e);
  SDL_Event k{};
  k.type = SDL_KEYDOWN;
  k.key.keysym.scancode = SDL_SCANCODE_BACKSPACE;
  SDL_PushEvent(&k);
  k.key.keysym.scancode = SDL_SCANCODE_KP_ENTER;
  SDL_PushEvent(&k);
  k.key.keysym.scancode = SDL_SCANCODE_A;
  SDL_PushEvent(&k);
  SDL_Event q{};
  q.type = SDL_QUIT;
  SDL_PushEvent(&q);
  p.ProcessEvents(rec);
  EXPECT_EQ(rec.log, "press97 press252 press128 down press8 down press13 down close ");

  std::uint8_t state[256];
  std::memset(state, 0xAA, sizeof state);
  p.ReadKeyboard(state);
  for (int i = 0; i < 256; ++i) EXPECT_TRUE(state[i] == 0 || state[i] == 0x80) << i;
  EXPECT_EQ(p.KeyName(DIK_LEFT), "Left Arrow");

  std::uint32_t t0 = p.TickCount();
  p.Delay(20);
  EXPECT_GE(p.TickCount() - t0, 20u);
  p.CloseDisplay();
  p.Present(frame);  // no window: nothing happens
  testing::internal::CaptureStderr();
  p.MessageBox("Audiohardware nicht gefunden !");
  EXPECT_NE(testing::internal::GetCapturedStderr().find("Audiohardware nicht gefunden !"), std::string::npos);
}

// A WAV file of n silent 16-bit mono samples at 22050 Hz.
std::vector<std::uint8_t> SilentWav(int n) {
  std::vector<std::uint8_t> b;
  auto u32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  auto u16 = [&](std::uint16_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
  };
  auto tag = [&](const char* t) { b.insert(b.end(), t, t + 4); };
  tag("RIFF");
  u32(36 + 2 * n);
  tag("WAVE");
  tag("fmt ");
  u32(16);
  u16(1);
  u16(1);
  u32(22050);
  u32(44100);
  u16(2);
  u16(16);
  tag("data");
  u32(2 * n);
  b.resize(b.size() + 2 * static_cast<std::size_t>(n), 0);
  return b;
}

TEST(SdlPlatform, SoundsByNumberOnTenVoices) {
  {
    ::setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    SdlPlatform none;
    std::string error;
    EXPECT_FALSE(none.OpenAudio(error));
    EXPECT_FALSE(error.empty());
    std::vector<std::uint8_t> wav = SilentWav(100);
    EXPECT_FALSE(none.LoadSound(1, wav, error));
    none.PlayOnVoice(0, 1);  // harmless without a device
  }
  ::setenv("SDL_AUDIODRIVER", "dummy", 1);
  SdlPlatform p;
  std::string error;
  ASSERT_TRUE(p.OpenAudio(error)) << error;
  EXPECT_EQ(Mix_AllocateChannels(-1), 10);
  std::vector<std::uint8_t> wav = SilentWav(22050);
  ASSERT_TRUE(p.LoadSound(1, wav, error)) << error;
  ASSERT_TRUE(p.LoadSound(2, wav, error)) << error;
  ASSERT_TRUE(p.LoadSound(2, wav, error)) << error;  // replacing is fine
  std::vector<std::uint8_t> junk(60, 0x41);
  EXPECT_FALSE(p.LoadSound(3, junk, error));
  EXPECT_NE(error.find("sound 3"), std::string::npos) << error;
  EXPECT_FALSE(p.LoadSound(31, wav, error));
  EXPECT_FALSE(p.LoadSound(0, wav, error));

  p.PlayOnVoice(3, 1);
  EXPECT_EQ(Mix_Playing(3), 1);
  Mix_Chunk* first = Mix_GetChunk(3);
  p.PlayOnVoice(3, 2);  // the voice is cut and reused
  EXPECT_EQ(Mix_Playing(-1), 1);
  EXPECT_NE(Mix_GetChunk(3), first);
  p.PlayOnVoice(10, 1);  // no such voice
  p.PlayOnVoice(4, 3);   // no such sound
  p.PlayOnVoice(5, 30);
  EXPECT_EQ(Mix_Playing(-1), 1);
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
