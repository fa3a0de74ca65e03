#include "protocol/event_limits.h"

#include <cstdlib>
#include <string>

namespace krel {

bool CountEvent(EventCounts& counts, char tag, std::size_t bytes, const EventCounts& bound) {
  switch (tag) {
    case 'w': return ++counts.shots <= bound.shots;
    case 'o': return ++counts.objects <= bound.objects;
    case 's': return ++counts.special <= bound.special;
    case 'd': return ++counts.digs <= bound.digs;
    case 'D': return ++counts.drawings <= bound.drawings;
    case 'c': counts.chat_bytes += bytes; return ++counts.chats <= bound.chats && counts.chat_bytes <= bound.chat_bytes;
    default: return true;
  }
}

bool CoordinateInRange(double v) { return v >= -kCoordinateMargin && v <= kMaxLevelSide + kCoordinateMargin; }

bool DigInRange(int x, int y, int radius) {
  return std::abs(radius) <= kMaxDigRadius && CoordinateInRange(x) && CoordinateInRange(y);
}

bool DrawingInRange(int tile, int x, int y) {
  return tile >= 0 && tile <= kMaxDrawingTile && CoordinateInRange(x) && CoordinateInRange(y);
}

bool EventInRange(char tag, fixed x, fixed y, int type) {
  if (!CoordinateInRange(x.ToDouble()) || !CoordinateInRange(y.ToDouble())) return false;
  switch (tag) {
    case 'w': return type >= -1 && type <= 40;
    case 'o': return type >= 0 && type <= 30;
    case 's': return type >= 0 && type <= 20;
    default: return true;
  }
}

std::string EventBoundText(char tag, const EventCounts& bound) {
  switch (tag) {
    case 'w': return "more than " + std::to_string(bound.shots) + " shots";
    case 'o': return "more than " + std::to_string(bound.objects) + " objects";
    case 's': return "more than " + std::to_string(bound.special) + " special objects";
    case 'd': return "more than " + std::to_string(bound.digs) + " digs";
    case 'D': return "more than " + std::to_string(bound.drawings) + " drawings";
    case 'c':
      return "more than " + std::to_string(bound.chats) + " chat lines or " + std::to_string(bound.chat_bytes) +
             " bytes of chat";
    default: return "too many events";
  }
}

}  // namespace krel
