#include "client/simulation/report/perf_log.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace krel {

std::string FormatPerformanceLog(const std::array<int32, 21>& counters) {
  static constexpr const char* kLabels[6] = {
      "Warten: ", "Spieler: ", "Sch\xFCsse: ", "Objekte: ", "SObjs: ", "Anzeigen: "};
  std::string out;
  for (std::size_t i = 0; i < 6; ++i) {
    out += kLabels[i];
    out += std::to_string(counters[i]);
    out += "\r\n";
  }
  return out;
}

bool AppendToFile(const std::string& path, const std::string& text, std::string& error) {
  std::FILE* f = std::fopen(path.c_str(), "ab");
  if (f == nullptr) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  int saved = errno;
  if (std::fclose(f) != 0 && ok) {
    ok = false;
    saved = errno;
  }
  if (!ok) error = path + ": " + std::strerror(saved);
  return ok;
}

bool AppendPerformanceLog(const std::string& path, const std::array<int32, 21>& counters, std::string& error) {
  return AppendToFile(path, FormatPerformanceLog(counters), error);
}

}  // namespace krel
