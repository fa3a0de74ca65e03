// F12's PNG writer on a real game frame: what is written decodes back to the
// frame's pixels, each one a 2x2 block. F12 itself: sdl_platform_test.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_image.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "platform/headless/headless_platform.h"
#include "platform/sdl/screenshot.h"
#include "tests/core_test_support.h"
#include "tests/match_rig.h"

namespace krel {
namespace {

TEST(Screenshot, GameFrameDecodesBackToItsPixels) {
  testing::Match match(KREL_SOURCE_DIR "/data", 7);
  for (int i = 0; i < 30; ++i) match.Frame();
  const Surface& frame = static_cast<HeadlessPlatform*>(match.world().platform)->last_frame();
  ASSERT_EQ(std::tuple(frame.width(), frame.height()), std::tuple(320, 240));
  EXPECT_EQ(frame.At(0, 190), 0x5311);  // the separator's grey: the shipped palette reached the frame

  testing::TempCwd tmp;
  const std::string path = "dir/sub/shot.png";  // folders made as needed
  std::string error;
  ASSERT_TRUE(SaveFramePng(frame.pixels(), 320, 240, 2, path, error)) << error;
  // Nothing beside it: no temporary file is left.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator("dir/sub"), std::filesystem::directory_iterator()), 1);

  SDL_Surface* loaded = IMG_Load(path.c_str());
  ASSERT_NE(loaded, nullptr) << IMG_GetError();
  SDL_Surface* rgb = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB24, 0);
  SDL_FreeSurface(loaded);
  ASSERT_TRUE(rgb != nullptr && rgb->w == 640 && rgb->h == 480);
  int wrong = 0;
  for (int i = 0; i < 640 * 480; ++i) {
    const auto* px = static_cast<const Uint8*>(rgb->pixels) + i / 640 * rgb->pitch + 3 * (i % 640);
    const Pixel p = frame.At(i % 640 / 2, i / 640 / 2);
    // Back to 16 bits: the top bits of each channel are the frame's.
    wrong += static_cast<Pixel>((px[0] >> 3) << 11 | (px[1] >> 2) << 5 | px[2] >> 3) != p;
  }
  EXPECT_EQ(wrong, 0);
  SDL_FreeSurface(rgb);
}

TEST(Screenshot, FailureIsReportedAndLeavesNoFile) {
  // The folder cannot be made: a plain file stands where it would go.
  testing::TempCwd tmp;
  std::ofstream("blocker") << "x";
  const std::vector<std::uint16_t> pixels(4 * 3, 0xFFFF);
  std::string error;
  EXPECT_FALSE(SaveFramePng(pixels, 4, 3, 2, "blocker/shot.png", error));
  EXPECT_NE(error.find("blocker"), std::string::npos) << error;
  // Too few pixels for the size given.
  EXPECT_FALSE(SaveFramePng(pixels, 5, 3, 2, "short.png", error));
  EXPECT_FALSE(std::filesystem::exists("short.png"));
}

}  // namespace
}  // namespace krel
