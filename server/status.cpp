#include "server/status.h"

#include <ctime>

#include "protocol/base/printable.h"

namespace krel {

std::size_t TerminalColumns(const std::string& utf8) {
  std::size_t n = 0;
  for (unsigned char c : utf8) n += (c & 0xC0) != 0x80;  // continuation bytes take no column
  return n;
}

std::string StatusDisplay::StatusLine(int width) const {
  const std::string players = std::to_string(relay_.PlayersOnline());
  const std::string batches = std::to_string(relay_.Batches());
  const std::string in = std::to_string(relay_.BytesInPerSec()), out = std::to_string(relay_.BytesOutPerSec());
  // The window's labels first; shorter forms for narrower terminals.
  // Levels sent again by the sync guard of open play, once there were any.
  const std::string resyncs =
      relay_.LevelResyncs() > 0 ? " | " + std::to_string(relay_.LevelResyncs()) + " levels sent again" : "";
  const std::string forms[] = {
      "Krel server running | " + relay_.PlayersLabel() + " | " + batches + " batches sent | Incoming Data: " + in +
          " Bytes/sec | Outgoing Data " + out + " Bytes/sec" + resyncs,
      relay_.PlayersLabel() + " | " + batches + " batches | in " + in + " B/s | out " + out + " B/s" + resyncs,
      players + " players | " + batches + " batches | " + in + "/" + out + " B/s",
  };
  const std::size_t limit = width > 0 ? static_cast<std::size_t>(width) : 0;
  for (const std::string& form : forms)
    if (TerminalColumns(form) <= limit) return form;
  // Narrower still: the shortest form, cut (it is plain ASCII).
  return forms[2].substr(0, limit);
}

void StatusDisplay::Clear() {
  if (terminal_ && shown_) std::fputs("\r\033[K", out_);
  shown_ = false;
}

void StatusDisplay::Event(const std::string& line) {
  Clear();
  char stamp[16] = "";
  std::time_t now = std::time(nullptr);
  std::strftime(stamp, sizeof stamp, "%H:%M:%S", std::localtime(&now));
  // Lines may quote what a peer sent: no control byte reaches the terminal or log.
  std::fprintf(out_, "%s %s\n", stamp, Printable(line).c_str());
  if (terminal_) Refresh();
  std::fflush(out_);
}

void StatusDisplay::Refresh() {
  if (!terminal_ || held_) return;
  // One column is left free: a line that fills the last column makes some
  // terminals wrap, and the next refresh would start a new row.
  const int columns = columns_ ? columns_() : 80;
  // The title first (OSC 0), then the status line in place of the last one.
  std::fprintf(out_, "\033]0;%s\007\r\033[K%s", relay_.Caption().c_str(), StatusLine(columns - 1).c_str());
  shown_ = true;
  std::fflush(out_);
}

}  // namespace krel
