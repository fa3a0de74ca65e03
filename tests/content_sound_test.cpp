// The thirty embedded effects and the voice ring, on the headless platform.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>

#include "client/core/world.h"
#include "client/present/resources.h"
#include "client/present/sound.h"
#include "platform/headless/headless_platform.h"

namespace krel {
namespace {

std::uint32_t Le(std::span<const std::uint8_t> b, std::size_t at, int bytes) {  // little-endian
  return bytes == 0 ? 0u : b[at] | Le(b, at + 1, bytes - 1) << 8;
}

TEST(ContentSounds, EveryEffectIsAShortEightBitMonoWaveAt22050) {
  for (int n = 1; n <= 30; ++n) {
    const std::string name = SoundName(n);
    const std::span<const std::uint8_t> wav = FindResource(name);
    ASSERT_GE(wav.size(), 44u) << n << " " << name;
    const std::string tags(wav.begin(), wav.begin() + 40);
    EXPECT_EQ(tags.substr(0, 4) + tags.substr(8, 8) + tags.substr(36), "RIFFWAVEfmt data") << name;
    // Chunk size; PCM, mono, 22050 per second, 8 bits.
    EXPECT_EQ(std::make_tuple(Le(wav, 4, 4), Le(wav, 20, 2), Le(wav, 22, 2), Le(wav, 24, 4), Le(wav, 34, 2)),
              std::make_tuple(std::uint32_t(wav.size() - 8), 1u, 1u, 22050u, 8u)) << name;
    const std::uint32_t count = Le(wav, 40, 4);
    // Short and not silent.
    ASSERT_TRUE(count >= 22050 / 25 && count <= 22050 * 2 && 44 + count <= wav.size()) << name << ": " << count;
    EXPECT_TRUE(std::any_of(wav.begin() + 44, wav.begin() + 44 + count, [](std::uint8_t v) { return v != 128; }))
        << name;
  }
}

TEST(SoundSetUp, WithoutAudioTheGermanMessageThenFiveStartsPerFrameOnARingOfTenVoices) {
  HeadlessPlatform platform;
  platform.SetAudioAvailable(false);
  World w;
  w.platform = &platform;
  std::string error;
  ::testing::internal::CaptureStderr();  // a hint for the player, not checked here
  EXPECT_FALSE(InitSound(w, error));
  ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(error, "Audiohardware nicht gefunden !");
  EXPECT_EQ(platform.sounds_loaded(), 0);
  platform.SetAudioAvailable(true);
  ASSERT_TRUE(InitSound(w, error)) << error;
  EXPECT_EQ(platform.sounds_loaded(), 30);
  auto frame = [&w](std::initializer_list<int16> ns) { w.soundsThisFrame = 0; for (int16 n : ns) PlaySound(w, n); };
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
