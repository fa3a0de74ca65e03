#include "platform/script_input.h"

#include <fstream>
#include <iostream>
#include <sstream>

#include "gfx/codepage.h"
#include "platform/keycodes.h"
#include "protocol/base/printable.h"

namespace krel {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "text" in quotes, for messages.
std::string Quoted(std::string_view text) {
  return std::string("\"").append(Printable(text, {.quoted = true})).append("\"");
}

std::size_t Utf8Length(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 0;
}

// The text of a TYPE line (everything after the keyword), escapes resolved,
// comment cut, unescaped blanks at both ends dropped.
bool ParseTypeText(std::string_view raw, std::string& out, std::string& why) {
  out.clear();
  std::size_t keep_from = std::string::npos;  // first byte that must stay
  std::size_t keep_to = 0;                    // one past the last one
  auto kept = [&] {
    if (keep_from == std::string::npos) keep_from = out.size() - 1;
    keep_to = out.size();
  };
  std::size_t i = 0;
  while (i < raw.size()) {
    char c = raw[i];
    if (c == '#') break;
    if (IsBlank(c)) {
      out += ' ';
      ++i;
      continue;
    }
    if (c == '\\') {
      if (i + 1 >= raw.size()) {
        why = "a lone \\ at the end of the text";
        return false;
      }
      char e = raw[i + 1];
      i += 2;
      switch (e) {
        case '#': out += '#'; break;
        case '\\': out += '\\'; break;
        case 's': out += ' '; break;
        case 'b': out += '\b'; break;
        case 'r': out += '\r'; break;
        case 'e': out += '\x1b'; break;
        case 't': out += '\t'; break;
        case 'x': {
          int hi = i < raw.size() ? HexDigit(raw[i]) : -1;
          int lo = i + 1 < raw.size() ? HexDigit(raw[i + 1]) : -1;
          if (hi < 0 || lo < 0) {
            why = "\\x needs two hex digits";
            return false;
          }
          out += static_cast<char>(hi * 16 + lo);
          i += 2;
          break;
        }
        default: why = "unknown escape \\" + Printable(std::string_view(&e, 1)); return false;
      }
      kept();
      continue;
    }
    std::size_t len = Utf8Length(static_cast<unsigned char>(c));
    if (len == 0 || i + len > raw.size()) {
      why = "the text is not valid UTF-8";
      return false;
    }
    std::string one = Utf8ToCp1252(raw.substr(i, len));
    if (one.size() != 1) {
      why = Quoted(raw.substr(i, len)) + " cannot be typed (no such character in the game's code page)";
      return false;
    }
    out += one;
    kept();
    i += len;
  }
  if (keep_from == std::string::npos) {
    why = "TYPE needs some text";
    return false;
  }
  out = out.substr(keep_from, keep_to - keep_from);
  return true;
}

std::vector<std::string_view> Tokens(std::string_view s) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && IsBlank(s[i])) ++i;
    std::size_t b = i;
    while (i < s.size() && !IsBlank(s[i])) ++i;
    if (i > b) out.push_back(s.substr(b, i - b));
  }
  return out;
}

}  // namespace

bool ParseInputScript(std::string_view text, const std::string& origin, InputScript& out, std::string& error) {
  out.steps.clear();
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // a UTF-8 byte-order mark
  int lineno = 0;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t nl = text.find('\n', pos);
    std::string_view line = text.substr(pos, nl == std::string_view::npos ? std::string_view::npos : nl - pos);
    pos = nl == std::string_view::npos ? text.size() + 1 : nl + 1;
    ++lineno;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    auto fail = [&](const std::string& what) {
      error = origin + ", line " + std::to_string(lineno) + ": " + what;
      out.steps.clear();
      return false;
    };

    std::size_t b = 0;
    while (b < line.size() && IsBlank(line[b])) ++b;
    std::string_view body = line.substr(b);
    if (body.empty() || body.front() == '#') continue;

    if (body.substr(0, 4) == "TYPE" && (body.size() == 4 || IsBlank(body[4]) || body[4] == '#')) {
      ScriptStep step;
      step.kind = ScriptStep::Kind::kType;
      step.line = lineno;
      std::string why;
      if (!ParseTypeText(body.substr(4), step.text, why)) return fail(why);
      out.steps.push_back(std::move(step));
      continue;
    }

    std::size_t hash = body.find('#');
    std::vector<std::string_view> tokens = Tokens(body.substr(0, hash));
    if (tokens.empty()) continue;
    std::string_view count_text = tokens[0];
    std::uint64_t count = 0;
    bool digits = !count_text.empty() && count_text.size() <= 10;
    for (char c : count_text) {
      if (c < '0' || c > '9') digits = false;
    }
    if (digits) {
      for (char c : count_text) count = count * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (!digits || count < 1 || count > 1000000000) {
      return fail(Quoted(count_text) +
                  " is not a repeat count (a whole number of keyboard reads from 1 to 1000000000)"
                  " or TYPE");
    }
    if (tokens.size() < 2) return fail("keys missing after the repeat count (write - for no key)");
    ScriptStep step;
    step.kind = ScriptStep::Kind::kHold;
    step.line = lineno;
    step.count = count;
    if (tokens.size() == 2 && tokens[1] == "-") {
      out.steps.push_back(std::move(step));
      continue;
    }
    for (std::size_t t = 1; t < tokens.size(); ++t) {
      if (tokens[t] == "-") return fail("- (no key) cannot be combined with keys");
      std::optional<int> code = ParseDikName(tokens[t]);
      if (!code) {
        return fail("unknown key " + Quoted(tokens[t]) +
                    " (keys are DirectInput names without DIK_, e.g. RETURN, LEFT, A, NUMPAD0)");
      }
      step.keys.push_back(*code);
    }
    out.steps.push_back(std::move(step));
  }
  return true;
}

bool ReadWholeTextFile(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream all;
  all << in.rdbuf();
  text = all.str();
  return true;
}

bool LoadInputScript(const std::string& path, InputScript& out, std::string& error) {
  std::string text;
  if (!ReadWholeTextFile(path, text)) {
    error = path + ": cannot open the input script";
    return false;
  }
  return ParseInputScript(text, path, out, error);
}

ScriptInputPlatform::ScriptInputPlatform(Platform& inner, InputScript script)
    : PlatformDecorator(inner), script_(std::move(script)) {
  EnterStep(0);
}

void ScriptInputPlatform::MessageBox(const std::string& text) { std::cerr << "krel: " << text << std::endl; }

void ScriptInputPlatform::EnterStep(std::size_t index) {
  step_ = index;
  announced_ = false;
  if (step_ < script_.steps.size() && script_.steps[step_].kind == ScriptStep::Kind::kHold)
    remaining_ = script_.steps[step_].count;
}

void ScriptInputPlatform::DeliverKeyDown(EventSink& sink, const std::array<std::uint8_t, 256>& state) {
  event_state_ = state;
  in_event_ = true;
  sink.OnKeyDown();
  in_event_ = false;
}

void ScriptInputPlatform::ProcessEvents(EventSink& sink) {
  const bool was_finished = finished();

  // The real window still reports being closed; its keys are replaced.
  class CloseOnly : public EventSink {
   public:
    explicit CloseOnly(EventSink& target) : target_(target) {}
    void OnKeyDown() override {}
    void OnKeyPress(unsigned char) override {}
    void OnClose() override { target_.OnClose(); }
    void OnNotice(const std::string& text) override { target_.OnNotice(text); }

   private:
    EventSink& target_;
  } close_only(sink);
  inner_.ProcessEvents(close_only);

  if (was_finished) {
    // Closing only after a read past the end lets the last line's keys act:
    // a script ending in "1 ESCAPE" leaves the game by Escape, not by a close.
    constexpr std::uint64_t kEventsBeforeClose = 3000;
    if (read_past_end_ || ++events_after_end_ > kEventsBeforeClose) sink.OnClose();
    return;
  }
  const ScriptStep& step = script_.steps[step_];
  if (step.kind == ScriptStep::Kind::kType) {
    for (char ch : step.text) {
      unsigned char c = static_cast<unsigned char>(ch);
      if (std::optional<KeyStroke> stroke = KeyForChar(c)) {
        std::array<std::uint8_t, 256> state{};
        state[static_cast<std::size_t>(stroke->code)] = 0x80;
        if (stroke->shift) state[DIK_LSHIFT] = 0x80;
        DeliverKeyDown(sink, state);
      }
      sink.OnKeyPress(c);
    }
    EnterStep(step_ + 1);
    return;
  }
  // A hold line whose keys are about to go down: announce them before its
  // first read, as the real keyboard would.
  if (!announced_ && remaining_ == step.count) {
    announced_ = true;
    std::array<std::uint8_t, 256> state{};
    bool any_new = false;
    for (int k : step.keys) {
      state[static_cast<std::size_t>(k)] = 0x80;
      if (last_read_[static_cast<std::size_t>(k)] == 0) any_new = true;
    }
    // F12 in a script takes a screenshot, as the key does.
    if (state[DIK_F12] != 0 && last_read_[DIK_F12] == 0) inner_.SaveScreenshot(sink);
    if (any_new) DeliverKeyDown(sink, state);
  }
}

void ScriptInputPlatform::ReadKeyboard(std::uint8_t state[256]) {
  if (in_event_) {
    for (int k = 0; k < 256; ++k) state[k] = event_state_[static_cast<std::size_t>(k)];
    return;
  }
  for (int k = 0; k < 256; ++k) state[k] = 0;
  if (finished()) read_past_end_ = true;
  if (finished() || script_.steps[step_].kind == ScriptStep::Kind::kType) {
    // Past the end, or waiting for the next event processing to type.
    last_read_.fill(0);
    return;
  }
  ++reads_;
  const ScriptStep& step = script_.steps[step_];
  for (int k : step.keys) state[k] = 0x80;
  for (int k = 0; k < 256; ++k) last_read_[static_cast<std::size_t>(k)] = state[k];
  if (--remaining_ == 0) EnterStep(step_ + 1);
}

}  // namespace krel
