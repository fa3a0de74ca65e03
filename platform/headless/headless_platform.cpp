#include "platform/headless/headless_platform.h"

#include "platform/keycodes.h"

namespace krel {

std::uint32_t HeadlessPlatform::TickCount() {
  std::uint32_t t = now_;
  now_ += auto_advance_;
  return t;
}

bool HeadlessPlatform::OpenDisplay(bool fullscreen, std::string& /*error*/) {
  display_open_ = true;
  fullscreen_ = fullscreen;
  return true;
}

void HeadlessPlatform::Present(const Surface& frame) {
  last_frame_ = frame;
  ++frames_presented_;
}

void HeadlessPlatform::ProcessEvents(EventSink& sink) {
  ++process_events_calls_;
  // Handlers may queue further events; deliver only those pending now.
  std::vector<Event> events;
  events.swap(pending_);
  for (const Event& e : events) {
    switch (e.kind) {
      case Event::kKeyDown: sink.OnKeyDown(); break;
      case Event::kKeyPress: sink.OnKeyPress(e.ch); break;
      case Event::kClose: sink.OnClose(); break;
      case Event::kPadAdded: pads_.Add(e.pad); break;
      case Event::kPadRemoved: pads_.Remove(e.pad); break;
      case Event::kPadButton: pads_.SetButton(e.pad, static_cast<PadButton>(e.which), e.value != 0); break;
      case Event::kPadAxis: pads_.SetAxis(e.pad, static_cast<PadAxis>(e.which), e.value); break;
    }
  }
}

void HeadlessPlatform::ReadKeyboard(std::uint8_t state[256]) {
  ++keyboard_reads_;
  for (int k = 0; k < 256; ++k) state[k] = keys_[k];
  if (!game_read_) pads_.AddMenuKeys(state);
}

void HeadlessPlatform::ReadGameInput(std::uint8_t keys[256], std::uint8_t pads[3]) {
  // Through ReadKeyboard, so that a test's hook on it sees game frames too.
  game_read_ = true;
  ReadKeyboard(keys);
  game_read_ = false;
  pads[0] = 0;
  pads[1] = pads_.Controls(1);
  pads[2] = pads_.Controls(2);
}

std::string HeadlessPlatform::KeyName(int scancode) { return DikKeyName(scancode); }

bool HeadlessPlatform::OpenAudio(std::string& error) {
  if (!audio_available_) error = "no audio device (headless)";
  return audio_available_;
}

bool HeadlessPlatform::LoadSound(int n, std::span<const std::uint8_t> wav, std::string& error) {
  if (n < 1 || n > 30 || wav.size() < 44) {
    error = "sound " + std::to_string(n) + " is not a WAV file";
    return false;
  }
  ++sounds_loaded_;
  return true;
}

}  // namespace krel
