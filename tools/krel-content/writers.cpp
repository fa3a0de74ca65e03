#include "tools/krel-content/writers.h"

#include "protocol/base/file_output.h"

namespace krel::content {
namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v & 0xFF));
  out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
void PutTag(std::vector<std::uint8_t>& out, const char* tag) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(tag[i]));
}

// File header and 40-byte info header of an uncompressed, bottom-up BMP
// whose pixel data starts right after `colours` palette entries.
std::vector<std::uint8_t> BmpHeaders(std::uint32_t w, std::uint32_t h, std::uint16_t bits, std::uint32_t stride,
                                     std::uint32_t colours) {
  const std::uint32_t offset = 14 + 40 + colours * 4;
  const std::uint32_t size = offset + stride * h;
  std::vector<std::uint8_t> out;
  out.reserve(size);
  out.push_back('B');
  out.push_back('M');
  Put32(out, size);
  Put32(out, 0);
  Put32(out, offset);
  Put32(out, 40);
  Put32(out, w);
  Put32(out, h);  // positive height: bottom row first
  Put16(out, 1);
  Put16(out, bits);
  Put32(out, 0);  // BI_RGB
  Put32(out, stride * h);
  Put32(out, 2835);  // 72 dpi
  Put32(out, 2835);
  Put32(out, colours);
  Put32(out, 0);
  return out;
}

}  // namespace

std::vector<std::uint8_t> EncodeBmp8(const IndexedImage& image, const Palette& palette) {
  const std::uint32_t w = static_cast<std::uint32_t>(image.width());
  const std::uint32_t h = static_cast<std::uint32_t>(image.height());
  const std::uint32_t stride = (w + 3) & ~3u;  // rows are padded to 4 bytes
  std::vector<std::uint8_t> out = BmpHeaders(w, h, 8, stride, 256);
  for (const Rgb& c : palette) {
    out.push_back(c.b);
    out.push_back(c.g);
    out.push_back(c.r);
    out.push_back(0);
  }
  for (int y = static_cast<int>(h) - 1; y >= 0; --y) {
    for (std::uint32_t x = 0; x < w; ++x) out.push_back(image.get(static_cast<int>(x), y));
    for (std::uint32_t x = w; x < stride; ++x) out.push_back(0);
  }
  return out;
}

std::vector<std::uint8_t> EncodeBmp24(const RgbImage& image) {
  const std::uint32_t w = static_cast<std::uint32_t>(image.width());
  const std::uint32_t h = static_cast<std::uint32_t>(image.height());
  const std::uint32_t stride = (w * 3 + 3) & ~3u;
  std::vector<std::uint8_t> out = BmpHeaders(w, h, 24, stride, 0);
  for (int y = static_cast<int>(h) - 1; y >= 0; --y) {
    for (std::uint32_t x = 0; x < w; ++x) {
      const Rgb c = image.get(static_cast<int>(x), y);
      out.push_back(c.b);
      out.push_back(c.g);
      out.push_back(c.r);
    }
    for (std::uint32_t x = w * 3; x < stride; ++x) out.push_back(0);
  }
  return out;
}

std::vector<std::uint8_t> EncodeWav8(const std::vector<std::uint8_t>& samples, int rate) {
  const std::uint32_t n = static_cast<std::uint32_t>(samples.size());
  const std::uint32_t padded = n + (n & 1);  // chunks are word aligned
  std::vector<std::uint8_t> out;
  out.reserve(44 + padded);
  PutTag(out, "RIFF");
  Put32(out, 36 + padded);
  PutTag(out, "WAVE");
  PutTag(out, "fmt ");
  Put32(out, 16);
  Put16(out, 1);  // PCM
  Put16(out, 1);  // mono
  Put32(out, static_cast<std::uint32_t>(rate));
  Put32(out, static_cast<std::uint32_t>(rate));  // bytes per second
  Put16(out, 1);                                 // block align
  Put16(out, 8);                                 // bits per sample
  PutTag(out, "data");
  Put32(out, n);
  out.insert(out.end(), samples.begin(), samples.end());
  if (n & 1) out.push_back(128);
  return out;
}

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string& error) {
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (WriteWholeFile(path, text, error)) return true;
  error = "cannot write " + error;
  return false;
}

}  // namespace krel::content
