// SIGINT and SIGTERM end the program at any moment. While the game window is
// open a signal is a request to close it: the game ends as if the window had
// been closed (a recording gets its END). Everywhere else (start-up, a
// message box, a run without a window) and at a second signal, the program
// ends at once, killed by that signal.
#pragma once

namespace krel {

// Installs the handlers (once; later calls do nothing).
void InstallQuitSignals();

// While on, the first signal only asks the program to close (see
// QuitSignalled); off by default.
void SetQuitSignalsGraceful(bool graceful);
bool QuitSignalsGraceful();

// True once a signal has asked the program to close.
bool QuitSignalled();

// While on, a signal is handed on to the program's child processes before
// it ends the program (the process SDL forks to show a message box).
void SetQuitSignalsInBox(bool box);

// Makes signals end the program at once, and the message box's process
// with it, for its lifetime (a modal message box, which runs no loop of
// the game's).
class ImmediateQuitScope {
 public:
  ImmediateQuitScope() : was_(QuitSignalsGraceful()) {
    SetQuitSignalsGraceful(false);
    SetQuitSignalsInBox(true);
  }
  ~ImmediateQuitScope() {
    SetQuitSignalsInBox(false);
    SetQuitSignalsGraceful(was_);
  }
  ImmediateQuitScope(const ImmediateQuitScope&) = delete;
  ImmediateQuitScope& operator=(const ImmediateQuitScope&) = delete;

 private:
  bool was_;
};

}  // namespace krel
