// Where the 320x240 picture goes in a window of any size.
#pragma once

namespace krel {

enum class Scaling {
  // The largest whole factor that fits, centred on black: every game pixel
  // becomes the same square block, so the picture stays crisp.
  kInteger,
  // As large as fits with the picture's shape kept (blocks may differ by a
  // screen pixel).
  kFit,
};

struct ScreenRect {
  int x = 0, y = 0, w = 0, h = 0;
  bool operator==(const ScreenRect&) const = default;
};

// The rectangle of a picture_w x picture_h picture in a window_w x window_h
// window. A window too small for even factor 1 gets the shrunken fit, so the
// whole picture stays visible. Empty for an empty window or picture.
ScreenRect PictureRect(int window_w, int window_h, int picture_w, int picture_h, Scaling scaling);

}  // namespace krel
