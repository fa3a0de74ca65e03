// Where screenshots go and what they are called.
#pragma once

#include <ctime>
#include <functional>
#include <string>

namespace krel {

// $XDG_PICTURES_DIR/krel when that is an absolute path, else
// $HOME/Pictures/krel; empty when neither can be had.
std::string ScreenshotDir(const char* xdgPictures, const char* home);

// "krel-YYYYMMDD-HHMMSS.png" for the local time t, sortable by name; when
// taken says that name is in use (two shots in one second), "-2", "-3", ...
// go before ".png".
std::string ScreenshotName(const std::tm& t, const std::function<bool(const std::string&)>& taken);

}  // namespace krel
