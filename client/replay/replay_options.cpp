#include "client/replay/replay_options.h"

namespace krel {

bool TakeReplayOptions(std::vector<std::string>& args, ReplayOptions& out, std::string& error) {
  out = ReplayOptions{};
  bool speed_given = false;
  std::vector<std::string> rest;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    std::string name = a, value;
    bool inline_value = false;
    if (std::size_t eq = a.find('='); a.rfind("--", 0) == 0 && eq != std::string::npos) {
      name = a.substr(0, eq);
      value = a.substr(eq + 1);
      inline_value = true;
    }
    if (name == "--headless") {
      if (inline_value) {
        error = "--headless takes no value";
        return false;
      }
      out.headless = true;
      continue;
    }
    if (name != "--record" && name != "--play" && name != "--speed") {
      rest.push_back(a);
      continue;
    }
    if (!inline_value) {
      if (i + 1 >= args.size()) {
        error = name + " needs a value";
        return false;
      }
      value = args[++i];
    }
    if (value.empty()) {
      error = name + " needs a value";
      return false;
    }
    if (name == "--record") {
      out.record = value;
    } else if (name == "--play") {
      out.play = value;
    } else {
      int n = 0;
      bool ok = value.size() <= 2;
      for (char c : value) {
        if (c < '0' || c > '9') ok = false;
        n = n * 10 + (c - '0');
      }
      if (!ok || n < 1 || n > 16) {
        error = "--speed \"" + value + "\": the speed is a whole number from 1 to 16";
        return false;
      }
      out.speed = n;
      speed_given = true;
    }
  }
  if (!out.play.empty() && !out.record.empty()) {
    error = "--play and --record cannot be used together";
    return false;
  }
  if (speed_given && out.play.empty()) {
    error = "--speed only applies to --play";
    return false;
  }
  if (speed_given && out.headless) {
    error = "--speed has no meaning with --headless, which plays as fast as it can";
    return false;
  }
  args = std::move(rest);
  return true;
}

}  // namespace krel
