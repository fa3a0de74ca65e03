// Windows BMP reading. The level file comes from the player's disk and may
// be anything, so every field is checked against the bytes that are really
// there before it is used; a bad file gives a message naming the field and
// its offset and never reads outside the buffer.
#include "gfx/bmp.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace krel {

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::int64_t kMaxSide = 16384;
// The largest file we are willing to read into memory (a 16384x16384 24-bit
// image is about 805 MB; nothing the game ships comes close).
constexpr std::uintmax_t kMaxFileSize = std::uintmax_t{1} << 30;

std::uint16_t U16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

std::uint32_t U32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
         (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

std::int32_t I32(std::span<const std::uint8_t> b, std::size_t at) { return static_cast<std::int32_t>(U32(b, at)); }

bool Fail(std::string& error, const std::string& message) {
  error = message;
  return false;
}

}  // namespace

bool DecodeBmp(std::span<const std::uint8_t> bytes, BmpImage& out, std::string& error) {
  const std::size_t size = bytes.size();
  if (size < kFileHeaderSize + 4)
    return Fail(error, "truncated BMP: " + std::to_string(size) +
                           " bytes, too short for the file header (14 bytes) and the info header size");
  if (bytes[0] != 'B' || bytes[1] != 'M') return Fail(error, "not a BMP: the first two bytes are not \"BM\"");

  const std::uint32_t data_offset = U32(bytes, 10);
  const std::uint32_t header_size = U32(bytes, 14);
  // BITMAPINFOHEADER (40) and its later extensions (52 and 56 with masks,
  // V4 108, V5 124) all begin with the same 40 bytes; the old 12-byte core
  // header and OS/2 variants are laid out differently.
  if (header_size != 40 && header_size != 52 && header_size != 56 && header_size != 108 && header_size != 124)
    return Fail(error, "unsupported BMP info header size " + std::to_string(header_size) +
                           " at offset 14 (expected 40, 52, 56, 108 or 124)");
  if (size < kFileHeaderSize + header_size)
    return Fail(error, "truncated BMP: the " + std::to_string(header_size) + "-byte info header needs " +
                           std::to_string(kFileHeaderSize + header_size) + " bytes, the file has " +
                           std::to_string(size));

  const std::int64_t width = I32(bytes, 18);
  const std::int64_t raw_height = I32(bytes, 22);
  const std::uint16_t planes = U16(bytes, 26);
  const std::uint16_t bits = U16(bytes, 28);
  const std::uint32_t compression = U32(bytes, 30);
  const std::uint32_t colours_used = U32(bytes, 46);

  if (planes != 1) return Fail(error, "BMP plane count " + std::to_string(planes) + " at offset 26 is not 1");
  if (bits != 8 && bits != 24)
    return Fail(error, "unsupported BMP colour depth " + std::to_string(bits) +
                           " bits per pixel at offset 28 (only 8 and 24 are read)");
  if (compression != 0)
    return Fail(error, "unsupported BMP compression " + std::to_string(compression) +
                           " at offset 30 (only uncompressed images are read)");
  if (width < 1 || width > kMaxSide)
    return Fail(error,
                "BMP width " + std::to_string(width) + " at offset 18 is outside 1.." + std::to_string(kMaxSide));
  // A negative height marks a top-down image.
  const bool top_down = raw_height < 0;
  const std::int64_t height = top_down ? -raw_height : raw_height;
  if (height < 1 || height > kMaxSide)
    return Fail(error, "BMP height " + std::to_string(raw_height) + " at offset 22 is outside 1.." +
                           std::to_string(kMaxSide) + " (negative for top-down)");

  const std::uint64_t headers_end = kFileHeaderSize + header_size;
  int palette_size = 0;
  if (bits == 8) {
    if (colours_used > 256)
      return Fail(error, "BMP palette size " + std::to_string(colours_used) + " at offset 46 is more than 256 entries");
    palette_size = colours_used == 0 ? 256 : static_cast<int>(colours_used);
    const std::uint64_t palette_end = headers_end + 4u * static_cast<std::uint64_t>(palette_size);
    if (palette_end > size)
      return Fail(error, "truncated BMP: the palette of " + std::to_string(palette_size) + " entries ends at byte " +
                             std::to_string(palette_end) + ", the file has " + std::to_string(size));
    if (palette_end > data_offset)
      return Fail(error, "BMP pixel data offset " + std::to_string(data_offset) +
                             " at offset 10 lies inside the palette, which ends at byte " +
                             std::to_string(palette_end));
  }
  if (data_offset < headers_end)
    return Fail(error, "BMP pixel data offset " + std::to_string(data_offset) +
                           " at offset 10 lies inside the headers, which end at byte " + std::to_string(headers_end));

  // Rows are padded to four bytes. The padding of the very last row is not
  // needed to read the image, so a file that leaves it out is accepted.
  const std::uint64_t row_bytes = static_cast<std::uint64_t>(width) * (bits / 8);
  const std::uint64_t stride = (row_bytes + 3) / 4 * 4;
  const std::uint64_t data_end = data_offset + stride * static_cast<std::uint64_t>(height - 1) + row_bytes;
  if (data_end > size)
    return Fail(error, "truncated BMP: " + std::to_string(width) + "x" + std::to_string(height) + " pixels at " +
                           std::to_string(bits) + " bits need the data to end at byte " + std::to_string(data_end) +
                           ", the file has " + std::to_string(size));

  BmpImage img;
  img.width = static_cast<int>(width);
  img.height = static_cast<int>(height);
  img.bits = bits;
  img.palette_size = palette_size;
  for (int i = 0; i < palette_size; ++i) {
    const std::size_t at = headers_end + 4u * static_cast<std::size_t>(i);
    img.palette[i] = PaletteEntry{bytes[at + 2], bytes[at + 1], bytes[at], 0};
  }

  const std::size_t w = static_cast<std::size_t>(width);
  if (bits == 8)
    img.indices.resize(w * static_cast<std::size_t>(height));
  else
    img.rgb.resize(w * static_cast<std::size_t>(height));

  for (std::int64_t y = 0; y < height; ++y) {
    const std::int64_t file_row = top_down ? y : height - 1 - y;
    const std::uint8_t* src = bytes.data() + data_offset + stride * static_cast<std::uint64_t>(file_row);
    const std::size_t out_row = static_cast<std::size_t>(y) * w;
    if (bits == 8) {
      for (std::size_t x = 0; x < w; ++x) {
        if (src[x] >= palette_size)
          return Fail(error, "BMP pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") uses colour index " +
                                 std::to_string(src[x]) + " but the palette has only " + std::to_string(palette_size) +
                                 " entries");
      }
      std::memcpy(img.indices.data() + out_row, src, w);
    } else {
      for (std::size_t x = 0; x < w; ++x) {
        const std::uint8_t* p = src + 3 * x;  // stored blue, green, red
        img.rgb[out_row + x] = (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
      }
    }
  }
  out = std::move(img);
  return true;
}

bool LoadBmpFile(const std::string& path, BmpImage& out, std::string& error) {
  // A folder opens as a stream on Linux and reports a nonsensical size.
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return Fail(error, path + ": is a directory, not a BMP file");
  std::ifstream in(path, std::ios::binary);
  if (!in) return Fail(error, path + ": cannot open: " + std::strerror(errno));
  in.seekg(0, std::ios::end);
  const std::streamoff length = in.tellg();
  if (length < 0) return Fail(error, path + ": cannot determine the file size");
  if (static_cast<std::uintmax_t>(length) > kMaxFileSize)
    return Fail(error, path + ": " + std::to_string(length) + " bytes is too large for a BMP the game can use");
  in.seekg(0, std::ios::beg);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
  if (length > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), length)) return Fail(error, path + ": read error");
  std::string why;
  if (!DecodeBmp(bytes, out, why)) return Fail(error, path + ": " + why);
  return true;
}

Surface SurfaceFromBmp(const BmpImage& image) {
  Surface s(image.width, image.height);
  if (s.empty()) return s;
  const std::size_t count = static_cast<std::size_t>(image.width) * image.height;
  Pixel* dst = s.row(0);
  if (image.bits == 8 && image.indices.size() >= count) {
    std::array<Pixel, 256> lut{};
    for (int i = 0; i < 256; ++i) {
      const PaletteEntry& e = image.palette[i];
      lut[i] = static_cast<Pixel>(PixelFromRgb(kScreenFormat, e.red, e.green, e.blue));
    }
    for (std::size_t i = 0; i < count; ++i) dst[i] = lut[image.indices[i]];
  } else if (image.bits == 24 && image.rgb.size() >= count) {
    // One table per channel: the conversion of a channel does not depend on
    // the other two, and a level has far more pixels than 3 x 256.
    std::array<Pixel, 256> red{}, green{}, blue{};
    for (int v = 0; v < 256; ++v) {
      red[v] = static_cast<Pixel>(ChannelBits(kScreenFormat.red_mask, v));
      green[v] = static_cast<Pixel>(ChannelBits(kScreenFormat.green_mask, v));
      blue[v] = static_cast<Pixel>(ChannelBits(kScreenFormat.blue_mask, v));
    }
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint32_t c = image.rgb[i];
      dst[i] = static_cast<Pixel>(red[(c >> 16) & 0xFF] | green[(c >> 8) & 0xFF] | blue[c & 0xFF]);
    }
  }
  return s;
}

}  // namespace krel
