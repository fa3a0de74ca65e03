#include "platform/screenshot_path.h"

#include <cstdio>

namespace krel {

std::string ScreenshotDir(const char* xdgPictures, const char* home) {
  if (xdgPictures != nullptr && xdgPictures[0] == '/') return std::string(xdgPictures) + "/krel";
  if (home != nullptr && home[0] != '\0') return std::string(home) + "/Pictures/krel";
  return {};
}

std::string ScreenshotName(const std::tm& t, const std::function<bool(const std::string&)>& taken) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "krel-%04d%02d%02d-%02d%02d%02d", (t.tm_year + 1900) % 10000, (t.tm_mon + 1) % 100,
                t.tm_mday % 100, t.tm_hour % 100, t.tm_min % 100, t.tm_sec % 100);
  std::string name = std::string(stamp) + ".png";
  for (int n = 2; taken && taken(name) && n < 1000; ++n) name = std::string(stamp) + "-" + std::to_string(n) + ".png";
  return name;
}

}  // namespace krel
