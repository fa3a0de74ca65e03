#include "client/net/server_level.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>

#include "gfx/bmp.h"
#include "protocol/open_play.h"

namespace krel {

std::string CacheFolder() {
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  if (xdg != nullptr && xdg[0] == '/') return std::string(xdg) + "/krel";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] != '\0') return std::string(home) + "/.cache/krel";
  return {};
}

bool KeepServerLevel(std::string_view bytes, std::uint32_t checksum, std::string& folder, std::string& error) {
  if (FileChecksum(bytes) != checksum) {
    error = "the level from the server does not match its checksum";
    return false;
  }
  BmpImage image;
  std::string why;
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  if (!DecodeBmp(std::span<const std::uint8_t>(data, bytes.size()), image, why) || image.width < 1 ||
      image.height < 1) {
    error = "the level from the server is not a level: " + (why.empty() ? "the image has no pixels" : why);
    return false;
  }
  const std::string cache = CacheFolder();
  if (cache.empty()) {
    error = "no cache folder for the level from the server (neither XDG_CACHE_HOME nor HOME is set)";
    return false;
  }
  char name[16];
  std::snprintf(name, sizeof name, "%08x", static_cast<unsigned>(checksum));
  const std::filesystem::path dir = std::filesystem::path(cache) / name, file = dir / "level.bmp";
  std::error_code ec;
  // Kept already (by checksum): the same bytes.
  if (std::filesystem::file_size(file, ec) == bytes.size() && !ec) {
    folder = dir.string();
    return true;
  }
  std::filesystem::create_directories(dir, ec);
  const std::filesystem::path part = dir / "level.bmp.part";
  {
    std::ofstream out(part, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
      error = "cannot keep the level from the server in " + dir.string();
      std::filesystem::remove(part, ec);
      return false;
    }
  }
  std::filesystem::rename(part, file, ec);
  if (ec) {
    error = "cannot keep the level from the server in " + dir.string() + ": " + ec.message();
    return false;
  }
  folder = dir.string();
  return true;
}

}  // namespace krel
