// Placeholder until the sound effects land: lets the game loop link.
#include "client/present/sound.h"

namespace krel {

bool InitSound(World&, std::string&) { return true; }
void PlaySound(World&, int16) {}

}  // namespace krel
