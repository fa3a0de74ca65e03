#include "client/simulation/terrain/level.h"

#include <filesystem>

#include "gfx/bmp.h"

namespace krel {

bool loadlevel(World& w, const std::string& dir, std::string& error) {
  const std::string path = (std::filesystem::path(dir) / "level.bmp").string();
  BmpImage image;
  return ReadLevelImage(path, image, error) && UseLevelImage(w, image, path, error);
}

bool ReadLevelImage(const std::string& path, BmpImage& image, std::string& error) {
  std::string why;
  if (!LoadBmpFile(path, image, why)) {
    // The reader's message already starts with the path.
    error = "cannot load the level: " + why;
    return false;
  }
  if (image.width < 1 || image.height < 1) {
    error = "cannot load the level: " + path + ": the image has no pixels";
    return false;
  }
  return true;
}

bool UseLevelImage(World& w, const BmpImage& image, const std::string& path, std::string& error) {
  if (image.width < 1 || image.height < 1) {
    error = "cannot load the level: " + path + ": the image has no pixels";
    return false;
  }
  w.LevelSurface = SurfaceFromBmp(image);
  w.LevelWidth = w.LevelSurface.width();
  w.LevelHeight = w.LevelSurface.height();
  BuildMaterialTable(w);
  return true;
}

std::string LevelSizeNotice(int width, int height) {
  if (width >= 490 && height >= 320 && width * 10 <= 504 * 11 && height * 10 <= 350 * 11) return {};
  return "level.bmp is " + std::to_string(width) + "x" + std::to_string(height) +
         ", far from the 504x350 the game is made for: worms reappear only within its first 490x320 pixels, "
         "and nothing from row 342 down is passable";
}

}  // namespace krel
