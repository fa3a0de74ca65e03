#include "client/state/data_files.h"

#include <algorithm>
#include <filesystem>

#include "client/state/world.h"

namespace krel {

namespace {

bool HoldsFile(const std::string& dir, const std::string& name) {
  std::error_code ec;
  return std::filesystem::is_regular_file(std::filesystem::path(dir) / name, ec);
}

}  // namespace

std::vector<std::string> DataSearchDirs(const std::string& programDir, const char* xdgDataHome, const char* home,
                                        const std::string& installedDir) {
  std::vector<std::string> dirs;
  auto add = [&dirs](const std::string& d) {
    if (!d.empty() && std::find(dirs.begin(), dirs.end(), d) == dirs.end()) dirs.push_back(d);
  };
  // A relative XDG_DATA_HOME is invalid and must be ignored.
  if (xdgDataHome != nullptr && xdgDataHome[0] == '/') {
    add(std::string(xdgDataHome) + "/krel");
  } else if (home != nullptr && home[0] != '\0') {
    add(std::string(home) + "/.local/share/krel");
  }
  add(programDir);
  add(installedDir);
  return dirs;
}

std::string FindDataDir(const std::vector<std::string>& dirs, const std::string& name) {
  for (const std::string& d : dirs) {
    if (HoldsFile(d, name)) return d;
  }
  return dirs.empty() ? std::string(".") : dirs.front();
}

std::string DataDir(const World& w, const std::string& name) {
  return w.DataDirs.empty() ? w.ProgramDir : FindDataDir(w.DataDirs, name);
}

std::string DataFile(const World& w, const std::string& name) { return DataDir(w, name) + "/" + name; }

std::string DataFileNotFoundNote(const World& w, const std::string& name) {
  if (w.DataDirs.empty()) return {};
  for (const std::string& d : w.DataDirs) {
    if (HoldsFile(d, name)) return {};
  }
  std::string note = name + " was looked for in: ";
  for (std::size_t i = 0; i < w.DataDirs.size(); ++i) note += (i > 0 ? ", " : "") + w.DataDirs[i];
  return note;
}

}  // namespace krel
