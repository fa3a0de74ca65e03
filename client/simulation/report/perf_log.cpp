#include "client/simulation/report/perf_log.h"

#include "protocol/base/file_output.h"

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

bool AppendPerformanceLog(const std::string& path, const std::array<int32, 21>& counters, std::string& error) {
  return AppendToFile(path, FormatPerformanceLog(counters), error);
}

}  // namespace krel
