#include "client/net/server_level.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include <unistd.h>

#include "client/simulation/weapons/arms.h"
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

namespace {

// Writes `bytes` as CACHE/CHECKSUM/NAME once `check` (given the path of the
// written, not yet final file) accepts them; nothing stays when it does not.
bool Keep(std::string_view bytes, std::uint32_t checksum, const char* name, const char* what,
          const std::function<bool(const std::string&, std::string&)>& check, std::string& folder, std::string& error) {
  if (FileChecksum(bytes) != checksum) {
    error = std::string(what) + " from the server does not match its checksum";
    return false;
  }
  const std::string cache = CacheFolder();
  if (cache.empty()) {
    error = std::string("no cache folder for ") + what + " from the server (neither XDG_CACHE_HOME nor HOME is set)";
    return false;
  }
  char sum[16];
  std::snprintf(sum, sizeof sum, "%08x", static_cast<unsigned>(checksum));
  const std::filesystem::path dir = std::filesystem::path(cache) / sum, file = dir / name;
  std::error_code ec;
  // Kept already (by checksum): the same bytes.
  if (std::filesystem::file_size(file, ec) == bytes.size() && !ec) {
    folder = dir.string();
    return true;
  }
  std::filesystem::create_directories(dir, ec);
  // A part file of this process's own: two clients on one machine may keep
  // the same file at once, and the rename of either leaves whole bytes.
  const std::filesystem::path part = dir / (std::string(name) + "." + std::to_string(::getpid()) + ".part");
  {
    std::ofstream out(part, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
      error = std::string("cannot keep ") + what + " from the server in " + dir.string();
      std::filesystem::remove(part, ec);
      return false;
    }
  }
  if (!check(part.string(), error)) {
    std::filesystem::remove(part, ec);
    std::filesystem::remove(dir, ec);  // only when empty
    return false;
  }
  std::filesystem::rename(part, file, ec);
  if (ec) {
    error = std::string("cannot keep ") + what + " from the server in " + dir.string() + ": " + ec.message();
    return false;
  }
  folder = dir.string();
  return true;
}

}  // namespace

bool KeepServerLevel(std::string_view bytes, std::uint32_t checksum, std::string& folder, std::string& error) {
  auto check = [&](const std::string&, std::string& why) {
    BmpImage image;
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    if (DecodeBmp(std::span<const std::uint8_t>(data, bytes.size()), image, why) && image.width >= 1 &&
        image.height >= 1)
      return true;
    why = "the level from the server is not a level: " + (why.empty() ? "the image has no pixels" : why);
    return false;
  };
  return Keep(bytes, checksum, "level.bmp", "the level", check, folder, error);
}

bool KeepServerArms(std::string_view bytes, std::uint32_t checksum, std::string& folder, std::string& error) {
  auto check = [](const std::string& path, std::string& why) {
    // Into tables of its own: the game's stay as they are.
    auto weapons = std::make_unique<WeaponTable>();
    auto objs = std::make_unique<ObjTable>();
    auto sobjs = std::make_unique<SObjTable>();
    ArmsError arms_error;
    if (LoadArms(*weapons, *objs, *sobjs, path, arms_error)) return true;
    why = "the weapon file from the server: " + arms_error.Message();
    return false;
  };
  return Keep(bytes, checksum, "arms.dat", "the weapon file", check, folder, error);
}

}  // namespace krel
