// Loading the thirty embedded effects and the voice ring, on the headless
// platform. That each effect is a wave SDL can play shows in the end-to-end
// game, which refuses to start without one.
#include <gtest/gtest.h>

#include <string>

#include "client/present/display_state.h"
#include "client/present/sound.h"
#include "client/state/world.h"
#include "platform/headless/headless_platform.h"

namespace krel {
namespace {

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
            "krel: No sound device found: no audio device (headless); playing on without "
            "sound\n");
  EXPECT_TRUE(SoundOf(w).SoundMissing && error.empty());
  EXPECT_EQ(platform.sounds_loaded(), 0);
  platform.SetAudioAvailable(true);
  ASSERT_TRUE(InitSound(w, error)) << error;
  EXPECT_FALSE(SoundOf(w).SoundMissing);
  EXPECT_EQ(platform.sounds_loaded(), 30);
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
