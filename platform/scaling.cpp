#include "platform/scaling.h"

#include <algorithm>

namespace krel {

ScreenRect PictureRect(int window_w, int window_h, int picture_w, int picture_h, Scaling scaling) {
  if (window_w <= 0 || window_h <= 0 || picture_w <= 0 || picture_h <= 0) return {};
  int w = 0;
  int h = 0;
  const int factor = std::min(window_w / picture_w, window_h / picture_h);
  if (scaling == Scaling::kInteger && factor >= 1) {
    w = picture_w * factor;
    h = picture_h * factor;
  } else if (static_cast<long long>(window_w) * picture_h <= static_cast<long long>(window_h) * picture_w) {
    // Relatively taller window: full width, bars above and below.
    w = window_w;
    h = static_cast<int>(static_cast<long long>(window_w) * picture_h / picture_w);
  } else {
    h = window_h;
    w = static_cast<int>(static_cast<long long>(window_h) * picture_w / picture_h);
  }
  return {(window_w - w) / 2, (window_h - h) / 2, w, h};
}

}  // namespace krel
