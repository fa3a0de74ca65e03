#include "server/served_files.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "client/simulation/terrain/level.h"
#include "client/simulation/weapons/arms.h"
#include "client/state/data_files.h"
#include "protocol/open_play.h"

namespace krel {

namespace {

bool CheckLevel(const std::string& path, std::string& error) {
  BmpImage image;
  return ReadLevelImage(path, image, error);
}

bool CheckArms(const std::string& path, std::string& error) {
  // Tables of their own, on the heap: they are large.
  auto weapons = std::make_unique<WeaponTable>();
  auto objs = std::make_unique<ObjTable>();
  auto sobjs = std::make_unique<SObjTable>();
  ArmsError arms_error;
  if (LoadArms(*weapons, *objs, *sobjs, path, arms_error)) return true;
  error = arms_error.Message();
  return false;
}

}  // namespace

const char* ServedFileName(ServedFile file) { return file == ServedFile::kLevel ? "level.bmp" : "arms.dat"; }

bool ReadServedFile(ServedFile file, const std::string& path, std::string& bytes, std::string& error) {
  bytes.clear();
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec) {
    error = path + ": cannot be read: " + ec.message();
    return false;
  }
  const std::size_t limit = file == ServedFile::kLevel ? kMaxLevelFileBytes : kMaxArmsFileBytes;
  if (size > limit) {
    error = path + ": " + std::to_string(size) + " bytes, more than the " + std::to_string(limit) + " a client takes";
    return false;
  }
  if (!(file == ServedFile::kLevel ? CheckLevel(path, error) : CheckArms(path, error))) return false;
  std::ifstream in(path, std::ios::binary);
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  // Changed between the check and the read: what was checked is not what would go.
  if (!in.good() && !in.eof()) {
    bytes.clear();
    error = path + ": cannot be read";
    return false;
  }
  if (bytes.size() != size) {
    bytes.clear();
    error = path + ": changed while it was read";
    return false;
  }
  return true;
}

void FindShippedFile(ServedFile file, const std::vector<std::string>& dirs, std::string& path, std::string& bytes,
                     std::vector<std::string>& log) {
  const std::string name = ServedFileName(file);
  if (path.empty()) {
    const std::string candidate = FindDataDir(dirs, name) + "/" + name;
    std::error_code ec;
    if (!std::filesystem::exists(candidate, ec)) {
      std::string looked;
      for (const std::string& dir : dirs) looked += (looked.empty() ? "" : ", ") + dir;
      log.push_back("no " + name + " served (not found in " + looked + "): every client plays on its own");
      return;
    }
    std::string error;
    if (!ReadServedFile(file, candidate, bytes, error)) {
      log.push_back("no " + name + " served (" + error + "): every client plays on its own");
      return;
    }
    path = candidate;
  }
  log.push_back("serving " + name + " " + path + " (" + std::to_string(bytes.size()) + " bytes) to open games");
}

}  // namespace krel
