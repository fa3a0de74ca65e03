// The quit-signal pipe: SIGINT and SIGTERM as a readable byte, for programs
// that wait on descriptors (the relay and the list server).
#include "protocol/base/quit_pipe.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace krel {

namespace {

int g_quit_pipe[2] = {-1, -1};

void OnQuitSignal(int sig) {
  const int saved = errno;
  const char c = static_cast<char>(sig);
  (void)!write(g_quit_pipe[1], &c, 1);
  errno = saved;
}

}  // namespace

int QuitSignalPipe() {
  if (g_quit_pipe[0] < 0 && pipe2(g_quit_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return -1;
  struct sigaction sa {};
  sa.sa_handler = OnQuitSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  return g_quit_pipe[0];
}

}  // namespace krel
