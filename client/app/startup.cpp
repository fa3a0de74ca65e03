#include "client/app/startup.h"

#include "client/frontend/window_events.h"

#include <unistd.h>

#include <climits>
#include <iostream>

#include "client/app/game.h"
#include "client/frontend/game_settings.h"
#include "client/frontend/menu.h"
#include "client/net/server_watch.h"
#include "client/present/display.h"
#include "client/present/sound.h"
#include "client/simulation/terrain/level.h"
#include "client/simulation/weapons/arms.h"
#include "client/simulation/worms/input.h"
#include "client/state/data_files.h"
#include "platform/platform.h"

namespace krel {

bool WantsWindow(const std::string& commandLine) { return commandLine == "/window"; }

std::string ProgramDirectory() {
  char buf[PATH_MAX + 1];
  ssize_t n = ::readlink("/proc/self/exe", buf, PATH_MAX);
  if (n <= 0) return ".";
  std::string path(buf, static_cast<std::size_t>(n));
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

int StartProgram(World& w, const std::string& commandLine) {
  w.ResetEntityTables();
  w.Fullscreen = ToFlag(!WantsWindow(commandLine) && RemembersFullscreen(w));
  LoadServerWatch(w);
  SeedRandom(w);
  ProcessWindowEvents(w);
  if (w.QuitRequested) return 0;

  ArmsError arms_error;
  const std::string arms_file = DataFile(w, "arms.dat");
  if (!LoadArms(w, arms_file, arms_error)) {
    std::string note = DataFileNotFoundNote(w, "arms.dat");
    w.platform->MessageBox(arms_error.Message() + (note.empty() ? "" : "\n" + note));
    return 1;
  }
  ProcessWindowEvents(w);
  if (w.QuitRequested) return 0;

  std::string error;
  if (!InitDisplay(w, DataDir(w, "level.bmp"), error)) {
    std::string note = DataFileNotFoundNote(w, "level.bmp");
    w.platform->MessageBox(error + (note.empty() ? "" : "\n" + note));
    return 1;
  }
  // Which of the places looked in won, so that a player's own file (or a
  // stale copy beside the program) never acts unseen.
  std::cout << "krel: weapons from " << arms_file << "\n"
            << "krel: level from " << DataFile(w, "level.bmp") << "\n";
  // A level of another size plays, but not quite as its painter may expect.
  if (std::string notice = LevelSizeNotice(w.LevelWidth, w.LevelHeight); !notice.empty())
    std::cerr << "krel: " << notice << "\n";
  InitDInput(w);
  if (!InitSound(w, error)) {
    w.platform->CloseDisplay();
    w.platform->MessageBox(error);
    return 1;
  }
  initkeys(w);

  if (!w.QuitRequested) MainScreen(w, Game);

  // The keyboard device needs no release here; the display goes last.
  w.platform->CloseDisplay();
  ProcessWindowEvents(w);
  return 0;
}

}  // namespace krel
