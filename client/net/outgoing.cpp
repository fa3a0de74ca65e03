// The records are written by the wire codec, which the network session
// brings; until then a connected game (which cannot yet be opened) sends
// nothing.
#include "client/net/outgoing.h"

namespace krel {

void SendShot(World&, const Shot&) {}
void SendObj(World&, const Obj&) {}
void SendSObj(World&, const SObj&) {}
void SendDig(World&, int16, int16, int16) {}
void SendKill(World&, int16, int16) {}

}  // namespace krel
