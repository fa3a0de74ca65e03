// The server's face on the terminal: when standard output is a terminal, one
// status line (refreshed every second) and the caption as the terminal's
// title; one line per event in every case.
#pragma once

#include <cstdio>
#include <string>

#include "server/relay.h"

namespace krel {

class StatusDisplay {
 public:
  StatusDisplay(const Relay& relay, std::FILE* out, bool terminal)
      : relay_(relay), out_(out), terminal_(terminal) {}

  // The labels of the server window as one line.
  std::string StatusLine() const;
  void Event(const std::string& line);
  // Redraws the status line and the title (terminal only).
  void Refresh();
  // Removes the status line, so that a question or the last words stand alone.
  void Clear();

 private:
  const Relay& relay_;
  std::FILE* out_;
  bool terminal_;
  bool shown_ = false;
};

}  // namespace krel
