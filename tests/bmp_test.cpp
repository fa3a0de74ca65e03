#include "gfx/bmp.h"

#include <gtest/gtest.h>

#include <tuple>

#include "gfx/bmp_write.h"

namespace krel {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Rgb = std::vector<std::uint32_t>;

std::vector<PaletteEntry> TestPalette(int n) {
  std::vector<PaletteEntry> p(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) p[i] = {std::uint8_t(i * 7 + 3), std::uint8_t(255 - i), std::uint8_t(i * 31), 0};
  return p;
}

// w x h palette indices below `colours`, in no particular order.
Bytes Indices(int w, int h, int colours) {
  Bytes v(static_cast<std::size_t>(w) * h);
  for (std::size_t i = 0; i < v.size(); ++i) v[i] = static_cast<std::uint8_t>((i * 37 + 11) % colours);
  return v;
}

// Stores v as an n-byte little-endian field.
void Put(Bytes& b, std::size_t at, std::uint64_t v, int n = 4) {
  for (int i = 0; i < n; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

BmpImage Decoded(std::span<const std::uint8_t> bytes) {
  BmpImage img;
  std::string error;
  EXPECT_TRUE(DecodeBmp(bytes, img, error)) << error;
  return img;
}

TEST(Bmp, RoundTripsForEveryRowPaddingIntoTheScreenFormat) {
  const auto pal = TestPalette(200);
  for (int w = 1; w <= 4; ++w) {  // every row padding
    for (int h : {1, 3}) {
      // Bottom-up, rows padded to four bytes, colours stored blue, green, red.
      const auto idx = Indices(w, h, 200);
      const auto bytes = EncodeBmp8(w, h, idx, pal);
      EXPECT_EQ(bytes[54 + 4 * 200], idx[static_cast<std::size_t>(h - 1) * w]);
      const BmpImage img = Decoded(bytes);
      EXPECT_EQ(std::make_tuple(img.width, img.height, img.bits, img.palette_size), std::make_tuple(w, h, 8, 200));
      EXPECT_EQ(img.indices, idx) << w << "x" << h;
      Rgb rgb(idx.size());
      for (std::uint32_t i = 0; i < rgb.size(); ++i) rgb[i] = (0x010203u * idx[i] + 0x0A0B0Cu * i) & 0xFFFFFF;
      const auto bytes24 = EncodeBmp24(w, h, rgb);
      EXPECT_EQ(std::uint32_t(bytes24[54] | bytes24[55] << 8 | bytes24[56] << 16), rgb[(h - 1) * w]);
      const BmpImage img24 = Decoded(bytes24);
      EXPECT_EQ(std::make_tuple(img24.width, img24.height, img24.bits), std::make_tuple(w, h, 24));
      EXPECT_EQ(img24.rgb, rgb) << w << "x" << h;
      // Each pixel by the one RGB rule (the 8-bit path is checked through the
      // shipped sprite sheets and font strips).
      const Surface t = SurfaceFromBmp(img24);
      ASSERT_EQ(std::make_pair(t.width(), t.height()), std::make_pair(w, h));
      for (std::size_t i = 0; i < rgb.size(); ++i)
        EXPECT_EQ(t.pixels()[i], PixelFromRgb(kScreenFormat, rgb[i] >> 16, rgb[i] >> 8 & 0xFF, rgb[i] & 0xFF)) << i;
    }
  }
}

TEST(Bmp, TopDownLargerHeadersAndDefaultPaletteSize) {
  const int w = 5, h = 4, data = 54 + 4 * 256, stride = 8;
  const auto pal = TestPalette(256);
  const auto idx = Indices(w, h, 256);
  const Bytes bottom_up = EncodeBmp8(w, h, idx, pal);
  // The same image stored otherwise: top-down (negative height, rows in
  // display order); with a V5 (124-byte) header, the palette after it; with a
  // colour count of 0, meaning all 256; without the padding of the last row.
  std::vector<Bytes> variants(4, bottom_up);
  Put(variants[0], 22, static_cast<std::uint32_t>(-h));
  for (int r = 0; r < h; ++r)
    std::copy_n(bottom_up.begin() + data + stride * (h - 1 - r), stride, variants[0].begin() + data + stride * r);
  variants[1].insert(variants[1].begin() + 54, 124 - 40, 0xEE);
  Put(variants[1], 14, 124);
  Put(variants[1], 10, data + 124 - 40);
  Put(variants[2], 46, 0);
  variants[3].resize(bottom_up.size() - (stride - w));
  for (std::size_t i = 0; i < variants.size(); ++i) {
    const BmpImage img = Decoded(variants[i]);
    EXPECT_EQ(std::make_tuple(img.width, img.height, img.palette_size), std::make_tuple(w, h, 256)) << i;
    EXPECT_EQ(img.indices, idx) << i;
    EXPECT_EQ(std::tie(img.palette[255].red, img.palette[255].blue), std::tie(pal[255].red, pal[255].blue));
  }
}

TEST(Bmp, MalformedInputsAreRefused) {
  const auto good8 = EncodeBmp8(3, 2, Indices(3, 2, 16), TestPalette(16));  // pixels from byte 118
  const auto good24 = EncodeBmp24(2, 2, Rgb(4, 0x123456));
  auto expect_error = [](std::span<const std::uint8_t> b, const std::string& why) {
    BmpImage img;
    std::string error;
    EXPECT_FALSE(DecodeBmp(b, img, error)) << why;
    EXPECT_NE(error.find(why), std::string::npos) << error;
  };
  // One field changed (n bytes at `at`); the width and height together
  // announce a huge image in a tiny file.
  const struct {
    std::size_t at;
    int n;
    std::uint64_t v;
    const char* why;
    bool rgb = false;
  } fields[] = {{1, 1, 'X', "\"BM\""},
                {14, 4, 12, "header size 12"},
                {18, 4, 0, "width 0"},
                {22, 4, 0x80000000, "height -2147483648"},
                {22, 4, 0xFFFFBFFF, "height -16385"},
                {26, 2, 2, "plane count 2"},
                {28, 2, 32, "depth 32"},
                {30, 4, 1, "compression 1"},
                {46, 4, 257, "palette size 257"},
                {10, 4, 60, "inside the palette"},
                {10, 4, 20, "inside the headers", true},
                {18, 8, 16384 | 16384ull << 32, "16384x16384 pixels"},
                {118, 1, 16, "(0, 1) uses colour index 16"}};  // the first stored row is the bottom one
  for (const auto& f : fields) {
    auto b = f.rgb ? good24 : good8;
    Put(b, f.at, f.v, f.n);
    expect_error(b, f.why);
  }
  // Cut off in the file header, the info header, the palette, the pixels.
  const std::pair<std::size_t, const char*> cuts[] = {
      {17, "truncated"}, {40, "the 40-byte info header"}, {60, "the palette"}, {good8.size() - 2, "the data to end"}};
  for (const auto& [length, why] : cuts) expect_error(std::span(good8.data(), length), why);
}

}  // namespace
}  // namespace krel
