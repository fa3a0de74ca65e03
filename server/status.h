// The server's face on the terminal: when standard output is a terminal, one
// status line (refreshed every second, never wider than the terminal, so it
// stays on its one row) and the caption as the terminal's title; one line
// per event in every case. To a pipe, a file or the journal only the event
// lines go.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "server/relay.h"

namespace krel {

class StatusDisplay {
 public:
  // `columns` tells the terminal's width now (it may change while we run).
  StatusDisplay(const Relay& relay, std::FILE* out, bool terminal, std::function<int()> columns = {})
      : relay_(relay), out_(out), terminal_(terminal), columns_(std::move(columns)) {}

  // The labels of the server window as one line of at most `width`
  // characters: in full where it fits, shorter where not.
  std::string StatusLine(int width = 1000) const;
  void Event(const std::string& line);
  // Redraws the status line and the title (terminal only).
  void Refresh();
  // Removes the status line, so that a question or the last words stand alone.
  void Clear();
  // While held, the status line is not drawn (a question stands on its row).
  void Hold(bool on) { held_ = on; }

 private:
  const Relay& relay_;
  std::FILE* out_;
  bool terminal_;
  std::function<int()> columns_;
  bool shown_ = false;
  bool held_ = false;
};

// Characters (not bytes) of UTF-8 text: what it takes on a terminal.
std::size_t TerminalColumns(const std::string& utf8);

}  // namespace krel
