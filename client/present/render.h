// Drawing one frame: both players' views, the status panels, the minimap and
// the chat lines, composed in Back and presented.
#pragma once

#include "client/state/world.h"

namespace krel {

void ShowAll(World& w);

}  // namespace krel
