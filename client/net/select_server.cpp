#include "client/net/select_server.h"

#include <array>
#include <cstdint>

#include "client/core/game.h"
#include "client/net/net_client.h"
#include "client/net/server_watch.h"
#include "client/present/sound.h"
#include "client/present/text.h"
#include "platform/keycodes.h"
#include "platform/platform.h"
#include "platform/settings.h"
#include "protocol/field_codec.h"

namespace krel {

namespace {

constexpr std::uint32_t kPassMs = 31;
constexpr std::size_t kAddressLength = 15;
// A connection attempt to an address nobody answers may take minutes at the
// socket level; the screen gives up sooner and lets the player try again.
constexpr std::uint32_t kConnectWaitMs = 5000;

bool Down(const std::array<std::uint8_t, 256>& keys, int code) { return (keys[static_cast<std::size_t>(code)] & 0x80) != 0; }

void WaitForPass(World& w, std::uint32_t& last) {
  for (;;) {
    ProcessWindowEvents(w);
    if (w.QuitRequested || TickCount(w) - last >= kPassMs) break;
    if (w.platform != nullptr) w.platform->Delay(1);
  }
  last = TickCount(w);
}

// Asks to connect and waits until the socket is connected or closed again.
bool Connect(World& w, const std::string& address) {
  NetClient& n = *w.net;
  n.ws.Close();
  w.wsState = 0;
  if (!n.ws.Connect(address, n.tcpPort)) return false;  // a malformed address fails at once
  const std::uint32_t start = TickCount(w);
  while (n.ws.state() != TcpConnection::kConnected && n.ws.state() != TcpConnection::kClosed && !w.QuitRequested) {
    if (TickCount(w) - start > kConnectWaitMs) {
      n.ws.Close();
      break;
    }
    n.loop.Yield(10);
    ProcessWindowEvents(w);
  }
  w.wsState = n.ws.state();
  return n.ws.state() == TcpConnection::kConnected;
}

void SendGreeting(World& w) {
  std::string hello(kVersionText);
  hello += 'C';
  AppendField(hello, w.LivesSetting, 0, KindShort);
  AppendField(hello, w.LoadingSetting, 0, KindShort);
  AppendField(hello, w.LoadAndChange != kFalse ? 1 : 0, 0, KindFlag);
  // The same "C" once more asks to play pipelined (net_client.h); a server
  // that does not know the mode answers it with the settings again.
  if (w.net->AskPipelined) hello += hello.substr(kVersionText.size());
  w.net->ws.Send(hello);
  w.ConfigReceived = kFalse;
}

}  // namespace

void TypeAddressChar(World& w, std::string& address, unsigned char ch) {
  if (ch == 8) {
    if (!address.empty()) address.pop_back();
    PlaySound(w, 27);
  } else if ((ch == ' ' || ch == '.' || (ch >= '0' && ch <= '9')) && address.size() < kAddressLength) {
    address += static_cast<char>(ch);
    PlaySound(w, 26);
  }
}

void SelectServer(World& w) {
  if (w.net == nullptr || w.platform == nullptr) return;
  std::string address = w.settings != nullptr ? w.settings->GetSetting("Network", "LastServer", "") : "";
  w.TypedText.clear();
  bool armed = false;
  bool blink = false;
  std::uint32_t last = TickCount(w) - kPassMs;
  for (;;) {
    WaitForPass(w, last);
    if (w.QuitRequested) return;
    w.surfBack.BltFast(0, 0, w.surfBack2, makerect(0, 0, 320, 240), false);
    blink = !blink;
    DrawText(w, w.surfBack, "Server: " + address + "_", 5, 40, blink ? 2 : 3);
    int line = 1;
    for (const std::string& entry : w.net->ServerList) DrawText(w, w.surfBack, ServerListLine(entry), 10, 40 + 10 * line++, 2);

    std::array<std::uint8_t, 256> keys{};
    w.platform->ReadKeyboard(keys.data());
    if (Down(keys, DIK_ESCAPE) && armed) return;
    if (!Down(keys, DIK_RETURN)) {
      armed = true;
    } else if (armed) {
      // While Enter is held, a failed attempt repeats every pass.
      const bool connected = Connect(w, address);
      w.NumPlayers = 2;
      if (connected) break;
    }
    w.platform->Present(w.surfBack);
    for (unsigned char ch : w.TypedText) TypeAddressChar(w, address, ch);
    w.TypedText.clear();
  }
  if (w.settings != nullptr) w.settings->SaveSetting("Network", "LastServer", address);
  SendGreeting(w);
}

}  // namespace krel
