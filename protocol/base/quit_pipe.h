#pragma once

namespace krel {

// SIGINT and SIGTERM write their number into a pipe instead of ending the
// program, so that a server hears them in its loop like any socket. Returns
// the pipe's read end to Watch, or -1 when no pipe could be made.
int QuitSignalPipe();

}  // namespace krel
