// The thirty embedded effects and the voice ring, on the headless platform.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "client/core/world.h"
#include "client/present/resources.h"
#include "client/present/sound.h"
#include "platform/headless/headless_platform.h"

namespace krel {
namespace {

std::uint32_t U32(std::span<const std::uint8_t> b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint16_t U16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

TEST(ContentSounds, EveryEffectIsShortCleanEightBitMonoAt22050) {
  for (int n = 1; n <= 30; ++n) {
    const std::string name = SoundName(n);
    ASSERT_FALSE(name.empty()) << n;
    const std::span<const std::uint8_t> wav = FindResource(name);
    ASSERT_GE(wav.size(), 44u) << name;
    EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF") << name;
    EXPECT_EQ(std::string(wav.begin() + 8, wav.begin() + 16), "WAVEfmt ") << name;
    EXPECT_EQ(U32(wav, 4), wav.size() - 8) << name;
    EXPECT_EQ(U16(wav, 20), 1) << name << ": not PCM";
    EXPECT_EQ(U16(wav, 22), 1) << name << ": not mono";
    EXPECT_EQ(U32(wav, 24), 22050u) << name;
    EXPECT_EQ(U16(wav, 34), 8) << name;
    EXPECT_EQ(std::string(wav.begin() + 36, wav.begin() + 40), "data") << name;
    const std::uint32_t count = U32(wav, 40);
    ASSERT_LE(44 + count, wav.size()) << name;
    const std::span<const std::uint8_t> s = wav.subspan(44, count);
    // Short: a menu tick to a big explosion.
    EXPECT_GE(count, 22050u / 25) << name;
    EXPECT_LE(count, 22050u * 2) << name;
    int peak = 0;
    for (std::uint8_t v : s) {
      EXPECT_TRUE(v > 0 && v < 255) << name << " clips";
      if (v == 0 || v == 255) break;
      peak = std::max(peak, std::abs(v - 128));
    }
    EXPECT_GT(peak, 40) << name << " is nearly silent";
    // Fades: it starts and ends at the silent level, so it cannot click.
    EXPECT_LE(std::abs(s.front() - 128), 2) << name;
    EXPECT_LE(std::abs(s.back() - 128), 2) << name;
  }
  EXPECT_STREQ(SoundName(0), "");
  EXPECT_STREQ(SoundName(31), "");
  EXPECT_STREQ(SoundName(24), "DROPSHEL");
}

struct SoundRing : ::testing::Test {
  HeadlessPlatform platform;
  World w;
  void SetUp() override {
    w.platform = &platform;
    std::string error;
    ASSERT_TRUE(InitSound(w, error)) << error;
    EXPECT_EQ(platform.sounds_loaded(), 30);
  }
};

TEST_F(SoundRing, AtMostFiveStartsPerFrame) {
  for (int16 n = 1; n <= 6; ++n) PlaySound(w, n);
  ASSERT_EQ(platform.plays().size(), 5u);
  for (int k = 0; k < 5; ++k) EXPECT_EQ(platform.plays()[k].second, k + 1);
  // The next frame has a fresh budget.
  w.soundsThisFrame = 0;
  PlaySound(w, 7);
  ASSERT_EQ(platform.plays().size(), 6u);
  EXPECT_EQ(platform.plays().back().second, 7);
}

TEST_F(SoundRing, TheEleventhStartCutsOffTheFirst) {
  for (int16 n = 1; n <= 5; ++n) PlaySound(w, n);
  w.soundsThisFrame = 0;
  for (int16 n = 6; n <= 10; ++n) PlaySound(w, n);
  w.soundsThisFrame = 0;
  PlaySound(w, 11);
  const auto& plays = platform.plays();
  ASSERT_EQ(plays.size(), 11u);
  std::set<int> voices;
  for (int k = 0; k < 10; ++k) voices.insert(plays[k].first);
  EXPECT_EQ(voices.size(), 10u) << "the first ten starts use ten different voices";
  EXPECT_EQ(plays[0].first, 1) << "the ring's first start uses position 1";
  EXPECT_EQ(plays[10].first, plays[0].first);
}

TEST_F(SoundRing, TheSameEffectTwicePlaysTwiceOnTwoVoices) {
  PlaySound(w, 12);
  PlaySound(w, 12);
  ASSERT_EQ(platform.plays().size(), 2u);
  EXPECT_EQ(platform.plays()[0].second, 12);
  EXPECT_EQ(platform.plays()[1].second, 12);
  EXPECT_NE(platform.plays()[0].first, platform.plays()[1].first);
}

TEST_F(SoundRing, NumbersThatNameNoEffectAreIgnored) {
  for (int16 n : {0, -1, 31, 32767}) PlaySound(w, n);
  EXPECT_TRUE(platform.plays().empty());
  EXPECT_EQ(w.soundsThisFrame, 0);
  for (int16 n = 1; n <= 5; ++n) PlaySound(w, n);
  EXPECT_EQ(platform.plays().size(), 5u);
}

TEST(SoundSetUp, NoAudioDeviceGivesTheGermanMessage) {
  HeadlessPlatform platform;
  platform.SetAudioAvailable(false);
  World w;
  w.platform = &platform;
  std::string error;
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(InitSound(w, error));
  const std::string hint = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(error, "Audiohardware nicht gefunden !");
  EXPECT_NE(hint.find("SDL_AUDIODRIVER=dummy"), std::string::npos) << hint;
  EXPECT_EQ(platform.sounds_loaded(), 0);
}

class RefusingLoader : public HeadlessPlatform {
 public:
  bool LoadSound(int n, std::span<const std::uint8_t> wav, std::string& error) override {
    if (n == 17) {
      error = "bad data";
      return false;
    }
    return HeadlessPlatform::LoadSound(n, wav, error);
  }
};

TEST(SoundSetUp, AnEffectThatWillNotLoadIsNamed) {
  RefusingLoader platform;
  World w;
  w.platform = &platform;
  std::string error;
  EXPECT_FALSE(InitSound(w, error));
  EXPECT_NE(error.find("DEATH2"), std::string::npos) << error;
  EXPECT_NE(error.find("bad data"), std::string::npos) << error;
}

}  // namespace
}  // namespace krel
