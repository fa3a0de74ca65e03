#include "platform/quit_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <cstddef>

namespace krel {

namespace {

volatile std::sig_atomic_t g_graceful = 0;
volatile std::sig_atomic_t g_signalled = 0;
volatile std::sig_atomic_t g_box = 0;
bool g_installed = false;

// Hands sig on to the main thread's child processes: SDL shows a message
// box from a process of its own, forked for the purpose, which would
// otherwise stay on the screen. Only async-signal-safe calls.
void SignalChildren(int sig) {
  char path[64] = "/proc/self/task/";
  std::size_t len = 16;
  char digits[24];
  std::size_t n = 0;
  for (long pid = getpid(); pid > 0 && n < sizeof digits; pid /= 10) digits[n++] = static_cast<char>('0' + pid % 10);
  while (n > 0) path[len++] = digits[--n];
  const char kTail[] = "/children";
  for (std::size_t i = 0; i < sizeof kTail; ++i) path[len++] = kTail[i];
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  char buf[512];
  const ssize_t got = read(fd, buf, sizeof buf);
  close(fd);
  long child = 0;
  for (ssize_t i = 0; i <= got; ++i) {
    if (i < got && buf[i] >= '0' && buf[i] <= '9') {
      child = child * 10 + (buf[i] - '0');
    } else {
      if (child > 0) kill(static_cast<pid_t>(child), sig);
      child = 0;
    }
  }
}

extern "C" void OnQuitSignal(int sig) {
  if (g_graceful != 0 && g_signalled == 0) {
    g_signalled = 1;
    return;
  }
  if (g_box != 0) SignalChildren(sig);
  // Die of the signal itself, so that whoever started the program sees
  // why it ended.
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

}  // namespace

void InstallQuitSignals() {
  if (g_installed) return;
  g_installed = true;
  struct sigaction action {};
  action.sa_handler = OnQuitSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

void SetQuitSignalsGraceful(bool graceful) { g_graceful = graceful ? 1 : 0; }
void SetQuitSignalsInBox(bool box) { g_box = box ? 1 : 0; }
bool QuitSignalsGraceful() { return g_graceful != 0; }
bool QuitSignalled() { return g_signalled != 0; }

}  // namespace krel
