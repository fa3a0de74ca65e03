#include "client/present/bmp.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

#include <unistd.h>

#include "client/present/bmp_write.h"

namespace krel {
namespace {

std::vector<PaletteEntry> TestPalette(int n) {
  std::vector<PaletteEntry> p(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i)
    p[i] = PaletteEntry{static_cast<std::uint8_t>(i * 7 + 3), static_cast<std::uint8_t>(255 - i),
                        static_cast<std::uint8_t>(i * 31), 0};
  return p;
}

std::vector<std::uint8_t> Indices(int w, int h, int modulo, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<std::uint8_t> v(static_cast<std::size_t>(w) * h);
  for (auto& x : v) x = static_cast<std::uint8_t>(rng() % modulo);
  return v;
}

void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t Get32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t{b[at + 3]} << 24);
}

// Decodes and returns the error; fails the test when decoding succeeds.
std::string DecodeError(const std::vector<std::uint8_t>& bytes) {
  BmpImage img;
  std::string error;
  EXPECT_FALSE(DecodeBmp(bytes, img, error));
  EXPECT_FALSE(error.empty());
  return error;
}

TEST(Bmp, EightBitRoundTripsForEveryRowPadding) {
  const auto pal = TestPalette(200);
  for (int w = 1; w <= 9; ++w) {
    for (int h : {1, 2, 5}) {
      const auto idx = Indices(w, h, 200, static_cast<unsigned>(w * 10 + h));
      const auto bytes = EncodeBmp8(w, h, idx, pal);
      BmpImage img;
      std::string error;
      ASSERT_TRUE(DecodeBmp(bytes, img, error)) << error;
      EXPECT_EQ(img.width, w);
      EXPECT_EQ(img.height, h);
      EXPECT_EQ(img.bits, 8);
      EXPECT_EQ(img.palette_size, 200);
      EXPECT_EQ(img.indices, idx) << w << "x" << h;
      EXPECT_TRUE(img.rgb.empty());
      for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(img.palette[i].red, pal[i].red);
        EXPECT_EQ(img.palette[i].green, pal[i].green);
        EXPECT_EQ(img.palette[i].blue, pal[i].blue);
      }
      // Rows are stored bottom-up: the first stored row is the bottom one.
      const std::size_t stride = (static_cast<std::size_t>(w) + 3) / 4 * 4;
      EXPECT_EQ(bytes.size(), 54 + 4 * 200 + stride * h);
      EXPECT_EQ(bytes[54 + 4 * 200], idx[static_cast<std::size_t>(h - 1) * w]);
    }
  }
}

TEST(Bmp, TwentyFourBitRoundTripsForEveryRowPadding) {
  std::mt19937 rng(5);
  for (int w = 1; w <= 6; ++w) {
    const int h = 3;
    std::vector<std::uint32_t> rgb(static_cast<std::size_t>(w) * h);
    for (auto& c : rgb) c = rng() & 0xFFFFFF;
    const auto bytes = EncodeBmp24(w, h, rgb);
    BmpImage img;
    std::string error;
    ASSERT_TRUE(DecodeBmp(bytes, img, error)) << error;
    EXPECT_EQ(img.bits, 24);
    EXPECT_EQ(img.palette_size, 0);
    EXPECT_EQ(img.rgb, rgb);
    // Stored blue, green, red.
    const std::uint32_t bottom_left = rgb[static_cast<std::size_t>(h - 1) * w];
    EXPECT_EQ(bytes[54], bottom_left & 0xFF);
    EXPECT_EQ(bytes[56], bottom_left >> 16);
  }
}

TEST(Bmp, TopDownLargerHeadersAndDefaultPaletteSize) {
  const int w = 5, h = 4;
  const auto pal = TestPalette(256);
  const auto idx = Indices(w, h, 256, 11);
  const auto bottom_up = EncodeBmp8(w, h, idx, pal);
  const std::size_t data = Get32(bottom_up, 10);
  const std::size_t stride = 8;

  // Top-down: negative height, rows in display order.
  auto top_down = bottom_up;
  Put32(top_down, 22, static_cast<std::uint32_t>(-h));
  for (int r = 0; r < h; ++r)
    std::copy_n(bottom_up.begin() + static_cast<std::ptrdiff_t>(data + stride * (h - 1 - r)), stride,
                top_down.begin() + static_cast<std::ptrdiff_t>(data + stride * r));
  BmpImage img;
  std::string error;
  ASSERT_TRUE(DecodeBmp(top_down, img, error)) << error;
  EXPECT_EQ(img.height, h);
  EXPECT_EQ(img.indices, idx);

  // V4 (108) and V5 (124) headers: the palette follows the longer header.
  for (std::uint32_t header : {108u, 124u}) {
    auto v = bottom_up;
    v.insert(v.begin() + 54, header - 40, 0xEE);
    Put32(v, 14, header);
    Put32(v, 10, static_cast<std::uint32_t>(data + header - 40));
    ASSERT_TRUE(DecodeBmp(v, img, error)) << header << ": " << error;
    EXPECT_EQ(img.indices, idx);
    EXPECT_EQ(img.palette[255].red, pal[255].red);
  }

  // A colour count of 0 means a full palette of 256 entries.
  auto zero = bottom_up;
  Put32(zero, 46, 0);
  ASSERT_TRUE(DecodeBmp(zero, img, error)) << error;
  EXPECT_EQ(img.palette_size, 256);

  // A file that leaves out the padding of its last row is still readable.
  auto short_last = bottom_up;
  short_last.resize(short_last.size() - (stride - w));
  ASSERT_TRUE(DecodeBmp(short_last, img, error)) << error;
  EXPECT_EQ(img.indices, idx);
}

TEST(Bmp, MalformedInputsAreNamedErrors) {
  const auto pal = TestPalette(16);
  const auto good = EncodeBmp8(3, 2, Indices(3, 2, 16, 1), pal);
  auto with = [&](std::size_t at, std::uint32_t v) {
    auto b = good;
    Put32(b, at, v);
    return b;
  };
  auto with16 = [&](std::size_t at, std::uint16_t v) {
    auto b = good;
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
    return b;
  };

  EXPECT_NE(DecodeError({}).find("truncated"), std::string::npos);
  EXPECT_NE(DecodeError({good.begin(), good.begin() + 17}).find("truncated"), std::string::npos);
  auto magic = good;
  magic[0] = 'P';
  EXPECT_NE(DecodeError(magic).find("BM"), std::string::npos);
  EXPECT_NE(DecodeError(with(14, 12)).find("header size 12"), std::string::npos);
  EXPECT_NE(DecodeError({good.begin(), good.begin() + 40}).find("info header"), std::string::npos);
  EXPECT_NE(DecodeError(with(18, 0)).find("width 0"), std::string::npos);
  EXPECT_NE(DecodeError(with(18, static_cast<std::uint32_t>(-3))).find("width -3"), std::string::npos);
  EXPECT_NE(DecodeError(with(18, 16385)).find("width 16385"), std::string::npos);
  EXPECT_NE(DecodeError(with(22, 0)).find("height 0"), std::string::npos);
  EXPECT_NE(DecodeError(with(22, 0x80000000u)).find("height -2147483648"), std::string::npos);
  EXPECT_NE(DecodeError(with(22, static_cast<std::uint32_t>(-16385))).find("height -16385"), std::string::npos);
  EXPECT_NE(DecodeError(with16(26, 2)).find("plane"), std::string::npos);
  EXPECT_NE(DecodeError(with16(28, 4)).find("depth 4"), std::string::npos);
  EXPECT_NE(DecodeError(with16(28, 32)).find("depth 32"), std::string::npos);
  EXPECT_NE(DecodeError(with(30, 1)).find("compression 1"), std::string::npos);
  EXPECT_NE(DecodeError(with(46, 300)).find("palette size 300"), std::string::npos);
  // 16 entries declared but the pixel data offset points inside them.
  EXPECT_NE(DecodeError(with(10, 60)).find("inside the palette"), std::string::npos);
  // A 24-bit image whose data offset points into the headers.
  auto rgb = EncodeBmp24(2, 2, std::vector<std::uint32_t>(4, 0x123456));
  Put32(rgb, 10, 20);
  EXPECT_NE(DecodeError(rgb).find("inside the headers"), std::string::npos);
  // The palette itself cut off.
  EXPECT_NE(DecodeError({good.begin(), good.begin() + 60}).find("palette"), std::string::npos);
  // Pixel data cut off, and a huge image announced by a tiny file.
  EXPECT_NE(DecodeError({good.begin(), good.end() - 2}).find("truncated"), std::string::npos);
  auto huge = with(18, 16384);
  Put32(huge, 22, 16384);
  EXPECT_NE(DecodeError(huge).find("truncated"), std::string::npos);
  // A pixel naming a colour the palette does not have.
  auto bad_index = good;
  bad_index[Get32(good, 10)] = 16;
  const std::string e = DecodeError(bad_index);
  EXPECT_NE(e.find("colour index 16"), std::string::npos) << e;
  EXPECT_NE(e.find("(0, 1)"), std::string::npos) << e;  // first stored row is the bottom one
}

TEST(Bmp, RandomAndMutatedInputsNeverCrash) {
  std::mt19937 rng(1234);
  BmpImage img;
  std::string error;
  // Pure noise, with and without a valid magic.
  for (int n = 0; n < 2000; ++n) {
    std::vector<std::uint8_t> b(rng() % 200);
    for (auto& x : b) x = static_cast<std::uint8_t>(rng());
    if (b.size() >= 2 && n % 2 == 0) {
      b[0] = 'B';
      b[1] = 'M';
    }
    if (!DecodeBmp(b, img, error)) {
      EXPECT_FALSE(error.empty());
    }
  }
  // Mutations of valid files: flipped bytes, with a bias towards the
  // headers where every field matters, and random truncation.
  const std::vector<std::vector<std::uint8_t>> seeds = {
      EncodeBmp8(7, 5, Indices(7, 5, 40, 2), TestPalette(40)),
      EncodeBmp24(5, 3, std::vector<std::uint32_t>(15, 0xABCDEF))};
  int accepted = 0;
  for (int n = 0; n < 20000; ++n) {
    auto b = seeds[n % 2];
    const int flips = 1 + static_cast<int>(rng() % 4);
    for (int f = 0; f < flips; ++f) {
      const std::size_t at = (rng() % 3 == 0) ? rng() % b.size() : rng() % 60;
      if (at < b.size()) b[at] = static_cast<std::uint8_t>(rng());
    }
    if (rng() % 5 == 0) b.resize(rng() % b.size());
    if (DecodeBmp(b, img, error)) {
      ++accepted;
      ASSERT_GE(img.width, 1);
      ASSERT_GE(img.height, 1);
      const std::size_t count = static_cast<std::size_t>(img.width) * img.height;
      ASSERT_LE(count, b.size());  // every pixel was read from the input
      if (img.bits == 8) {
        ASSERT_EQ(img.indices.size(), count);
        for (auto i : img.indices) ASSERT_LT(i, img.palette_size);
      } else {
        ASSERT_EQ(img.rgb.size(), count);
      }
      Surface s = SurfaceFromBmp(img);
      ASSERT_EQ(s.width(), img.width);
    } else {
      ASSERT_FALSE(error.empty());
    }
  }
  EXPECT_GT(accepted, 0);  // the mutations also produced valid images
}

TEST(Bmp, SurfaceFromBmpConvertsToTheScreenFormat) {
  const std::vector<PaletteEntry> pal = {{255, 0, 255, 0}, {255, 255, 255, 0}, {0, 0, 0, 0}, {200, 100, 8, 0}};
  const auto bytes = EncodeBmp8(2, 2, std::vector<std::uint8_t>{0, 1, 2, 3}, pal);
  BmpImage img;
  std::string error;
  ASSERT_TRUE(DecodeBmp(bytes, img, error)) << error;
  Surface s = SurfaceFromBmp(img);
  ASSERT_EQ(s.width(), 2);
  EXPECT_EQ(s.At(0, 0), 0xF81F);  // magenta: the colour key
  EXPECT_EQ(s.At(1, 0), 0xFFFF);
  EXPECT_EQ(s.At(0, 1), 0x0000);
  // 200 -> 200*31/255 = 24, 100 -> 100*63/255 = 24, 8 -> 8*31/255 = 0.
  EXPECT_EQ(s.At(1, 1), (24 << 11) | (24 << 5) | 0);

  const auto rgb = EncodeBmp24(3, 1, std::vector<std::uint32_t>{0xFF0000, 0x00FF00, 0xC86408});
  ASSERT_TRUE(DecodeBmp(rgb, img, error)) << error;
  Surface t = SurfaceFromBmp(img);
  EXPECT_EQ(t.At(0, 0), 0xF800);
  EXPECT_EQ(t.At(1, 0), 0x07E0);
  EXPECT_EQ(t.At(2, 0), s.At(1, 1));  // the same colour by either route
}

TEST(Bmp, LoadBmpFileReadsFilesAndNamesThePathOnError) {
  const auto dir = std::filesystem::temp_directory_path() / ("krel_bmp_test_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const auto idx = Indices(4, 3, 10, 9);
  const auto bytes = EncodeBmp8(4, 3, idx, TestPalette(10));
  const auto good = (dir / "good.bmp").string();
  {
    std::ofstream f(good, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  BmpImage img;
  std::string error;
  ASSERT_TRUE(LoadBmpFile(good, img, error)) << error;
  EXPECT_EQ(img.indices, idx);

  const auto missing = (dir / "missing.bmp").string();
  EXPECT_FALSE(LoadBmpFile(missing, img, error));
  EXPECT_NE(error.find(missing), std::string::npos);

  const auto bad = (dir / "bad.bmp").string();
  {
    std::ofstream f(bad, std::ios::binary);
    f << "BMnot really";
  }
  EXPECT_FALSE(LoadBmpFile(bad, img, error));
  EXPECT_NE(error.find(bad), std::string::npos);
  EXPECT_NE(error.find("truncated"), std::string::npos);
  std::filesystem::remove_all(dir);
}

TEST(Bmp, WriterRejectsWhatItCannotStore) {
  const auto pal = TestPalette(4);
  EXPECT_THROW(EncodeBmp8(0, 1, std::vector<std::uint8_t>{}, pal), std::invalid_argument);
  EXPECT_THROW(EncodeBmp8(2, 2, std::vector<std::uint8_t>(3, 0), pal), std::invalid_argument);
  EXPECT_THROW(EncodeBmp8(1, 1, std::vector<std::uint8_t>{4}, pal), std::invalid_argument);
  EXPECT_THROW(EncodeBmp8(1, 1, std::vector<std::uint8_t>{0}, std::vector<PaletteEntry>{}), std::invalid_argument);
  EXPECT_THROW(EncodeBmp8(1, 1, std::vector<std::uint8_t>{0}, std::vector<PaletteEntry>(257)), std::invalid_argument);
  EXPECT_THROW(EncodeBmp24(16385, 1, std::vector<std::uint32_t>(16385, 0)), std::invalid_argument);
}

}  // namespace
}  // namespace krel
