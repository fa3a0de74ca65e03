// Display and sound set-up on the headless platform: the colour tables, the
// font strips and the per-player worm sheets built from the embedded
// bitmaps; the thirty embedded effects and the voice ring. That each effect
// is a wave SDL can play shows in the end-to-end game, which refuses to
// start without one.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "client/present/colors.h"
#include "client/present/display.h"
#include "client/present/display_state.h"
#include "client/present/sound.h"
#include "client/state/world.h"
#include "platform/headless/headless_platform.h"

namespace krel {
namespace {

const std::string kDataDir = KREL_SOURCE_DIR "/data";

struct Display : ::testing::Test {
  HeadlessPlatform platform;
  World w;
  void SetUp() override {
    w.platform = &platform;
    std::string error;
    ASSERT_TRUE(InitDisplay(w, kDataDir, error)) << error;
  }
};

// The palette shift and the colours of the font strips show in the frame of
// a real game (render_test); here the rules that no frame shows.
TEST_F(Display, TheLastColourIsBlackAndEveryFontStripInksWhereTheFirstDoes) {
  EXPECT_EQ(w.PaletteColors[255], w.PaletteColors[0]) << "255 draws black, not transparent";
  // Strips 0-7 ink in a colour of their own on transparent ground; the
  // colour numbers above have empty strips.
  int inked = 0;
  for (int y = 8 * 'A' - 16; y < 8 * 'A' - 8; ++y)
    for (int x = 0; x < 8; ++x) {
      const bool is_ink = DisplayOf(w).Fonts[0].At(x, y) != DisplayOf(w).ColourKey;
      inked += is_ink;
      for (int k = 1; k <= 10; ++k)
        EXPECT_EQ(DisplayOf(w).Fonts[k].At(x, y) != DisplayOf(w).ColourKey, is_ink && k <= 7)
            << k << ": " << x << "," << y;
    }
  EXPECT_GT(inked, 10);
}

TEST_F(Display, WormSheetsTakeThePlayersHueKeepTransparencyAndMirror) {
  auto check = [this](int j, int16 hue) {
    const Surface& sheet = DisplayOf(w).WormSheets[j];
    ASSERT_EQ(sheet.width(), 672);
    int recoloured = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 336; ++x) {
        const Pixel src = w.Tiles16.At(256 + x, y), got = sheet.At(x, y);
        EXPECT_EQ(sheet.At(671 - x, y), got) << "player " << j << ": the mirror of column " << x;
        Pixel want = src;  // transparent and grey pixels stay as they are
        for (int n = 29; n <= 33; ++n)
          if (src == w.PaletteColors[n]) want = CreateHLSColor(w, DisplayOf(w).Palette[n], hue), ++recoloured;
        EXPECT_EQ(got, want) << "player " << j << ", hue " << hue << " at " << x << "," << y;
      }
    EXPECT_GT(recoloured, 21 * 25) << "player " << j;
  };
  // Shades are replaced one after another; no hue may turn one into a
  // colour still to be replaced.
  for (int16 hue = 0; hue <= 360; hue += 5) w.Players[1].Color = hue, BuildWormSheet(w, 1), check(1, hue);
}

TEST(DisplayFailure, ADisplayThatWillNotOpenIsReportedWithTheWayOut) {
  struct FailingDisplay : HeadlessPlatform {
    std::string why;
    bool OpenDisplay(bool, std::string& error) override { return error = why, false; }
  } platform;
  // Full screen refused: a window may help. No screen at all: it cannot.
  const struct {
    const char* why;
    bool advises_window;
  } cases[] = {{"no video device", true}, {"no display: no screen could be reached; or SDL_VIDEODRIVER=dummy", false}};
  for (const auto& c : cases) {
    platform.why = c.why;
    World w;
    w.platform = &platform;
    std::string error;
    ASSERT_FALSE(InitDisplay(w, kDataDir, error));
    EXPECT_NE(error.find(c.why), std::string::npos) << error;
    EXPECT_EQ(error.find("/window") != std::string::npos, c.advises_window) << error;
  }
}

TEST(SoundSetUp, WithoutAudioItSaysSoThenFiveStartsPerFrameOnARingOfTenVoices) {
  HeadlessPlatform platform;
  platform.SetAudioAvailable(false);
  World w;
  w.platform = &platform;
  std::string error;
  // Without a device the game says so and plays on silently.
  ::testing::internal::CaptureStderr();
  EXPECT_TRUE(InitSound(w, error));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "krel: No sound device found: no audio device (headless); playing on without sound\n");
  EXPECT_EQ(std::tuple(SoundOf(w).SoundMissing, error, platform.sounds_loaded()), std::tuple(true, "", 0));
  platform.SetAudioAvailable(true);
  ASSERT_TRUE(InitSound(w, error)) << error;
  EXPECT_EQ(std::tuple(SoundOf(w).SoundMissing, platform.sounds_loaded()), std::tuple(false, 30));
  auto frame = [&w](std::initializer_list<int16> ns) {
    SoundOf(w).soundsThisFrame = 0;
    for (int16 n : ns) PlaySound(w, n);
  };
  frame({0, -1, 31, 32767, 1, 2, 3, 4, 5, 6});  // numbers naming no effect use none of the budget
  frame({7, 8, 9, 10, 11});
  frame({12, 12});
  // Ten voices in a ring from position 1; the sixth request of a frame is
  // dropped, the eleventh start takes the first one's voice, and the same
  // effect twice in a frame plays twice.
  const int effects[12] = {1, 2, 3, 4, 5, 7, 8, 9, 10, 11, 12, 12};
  ASSERT_EQ(platform.plays().size(), 12u);
  for (int k = 0; k < 12; ++k) EXPECT_EQ(platform.plays()[k], std::make_pair((k + 1) % 10, effects[k])) << k;
}

}  // namespace
}  // namespace krel
