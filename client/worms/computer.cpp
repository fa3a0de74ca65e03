// Placeholder until the computer player lands: leaves the controls as read.
#include "client/worms/computer.h"

namespace krel {

void ComputerPlayer(World&, int) {}

}  // namespace krel
