#include "client/app/client_events.h"

#include "client/net/outgoing.h"
#include "client/net/session.h"
#include "client/present/sound.h"

namespace krel {

void ClientEvents::Sound(int16 number) { PlaySound(w_, number); }
void ClientEvents::SendShot(const Shot& shot) { krel::SendShot(w_, shot); }
void ClientEvents::SendObject(const Obj& object) { SendObj(w_, object); }
void ClientEvents::SendSpecialObject(const SObj& object) { SendSObj(w_, object); }
void ClientEvents::SendDig(int16 x, int16 y, int16 radius) { krel::SendDig(w_, x, y, radius); }
void ClientEvents::SendDrawing(int32 tile, int32 x, int32 y) { krel::SendDrawing(w_, tile, x, y); }
void ClientEvents::SendKill(int16 killer, int16 victim) { krel::SendKill(w_, killer, victim); }
void ClientEvents::SendChat(const std::string& text) { SendChatLine(w_, text); }

}  // namespace krel
