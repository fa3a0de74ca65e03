// Placeholder until server discovery lands: no server is ever listed.
#include "client/net/server_watch.h"

namespace krel {

void LoadServerWatch(World&) {}

}  // namespace krel
