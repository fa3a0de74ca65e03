#include "server/status.h"

#include <ctime>

#include "protocol/printable.h"

namespace krel {

std::string StatusDisplay::StatusLine() const {
  return "Server für Krel aktiv | " + relay_.PlayersLabel() + " | " + std::to_string(relay_.Batches()) +
         " batches sent | Incoming Data: " + std::to_string(relay_.BytesInPerSec()) +
         " Bytes/sec | Outgoing Data " + std::to_string(relay_.BytesOutPerSec()) + " Bytes/sec";
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
  if (!terminal_) return;
  // The title first (OSC 0), then the status line in place of the last one.
  std::fprintf(out_, "\033]0;%s\007\r\033[K%s", relay_.Caption().c_str(), StatusLine().c_str());
  shown_ = true;
  std::fflush(out_);
}

}  // namespace krel
