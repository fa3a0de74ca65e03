#include "platform/record_input.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/keycodes.h"
#include "protocol/base/printable.h"

namespace krel {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// The keyword of a header line and the rest after it, if the line has one.
bool SplitKeyword(std::string_view line, std::string_view keyword, std::string_view& rest) {
  if (line.substr(0, keyword.size()) != keyword) return false;
  if (line.size() > keyword.size() && !IsBlank(line[keyword.size()])) return false;
  rest = Trim(line.substr(keyword.size()));
  return true;
}

bool ParseDecimal(std::string_view s, std::uint64_t& v) {
  if (s.empty() || s.size() > 20) return false;
  v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    std::uint64_t next = v * 10 + static_cast<std::uint64_t>(c - '0');
    if (next / 10 != v) return false;
    v = next;
  }
  return true;
}

bool ParseHex32(std::string_view s, std::uint32_t& v) {
  if (s.empty() || s.size() > 8) return false;
  v = 0;
  for (char c : s) {
    int d = (c >= '0' && c <= '9')   ? c - '0'
            : (c >= 'a' && c <= 'f') ? c - 'a' + 10
            : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                     : -1;
    if (d < 0) return false;
    v = v * 16 + static_cast<std::uint32_t>(d);
  }
  return true;
}

std::string Hex32(std::uint32_t v) {
  char buf[9];
  std::snprintf(buf, sizeof buf, "%08x", v);
  return buf;
}

}  // namespace

bool ParseRecording(std::string_view text, const std::string& origin, Recording& out, std::string& error) {
  out = Recording{};
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  // Header lines are blanked out of the script text, so that the script
  // parser's line numbers stay those of the file.
  std::string script;
  script.reserve(text.size());
  bool in_header = true;
  bool seen_seed = false;
  bool seen_end = false;
  int lineno = 0;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t nl = text.find('\n', pos);
    std::string_view line = text.substr(pos, nl == std::string_view::npos ? std::string_view::npos : nl - pos);
    pos = nl == std::string_view::npos ? text.size() + 1 : nl + 1;
    ++lineno;
    auto fail = [&](const std::string& what) {
      error = origin + ", line " + std::to_string(lineno) + ": " + what;
      out = Recording{};
      return false;
    };
    std::string_view body = Trim(line);
    std::string_view rest;
    const bool comment = body.empty() || body.front() == '#';
    if (seen_end && !comment) return fail("nothing may follow END");
    if (!comment && !seen_seed) {
      if (!SplitKeyword(body, "SEED", rest)) return fail("a recording starts with SEED and the random seed");
      if (!ParseDecimal(rest, out.seed)) {
        // Appended piece by piece: GCC 12 warns wrongly about a chain of +.
        std::string reason(1, '"');
        reason += Printable(rest, {.quoted = true});
        reason += "\" is not a seed (a whole number from 0 to 18446744073709551615)";
        return fail(reason);
      }
      seen_seed = true;
      script += '\n';
      continue;
    }
    if (!comment && SplitKeyword(body, "END", rest)) {
      if (!rest.empty()) return fail("END takes nothing after it");
      out.ends_closed = true;
      seen_end = true;
      script += '\n';
      continue;
    }
    if (in_header && !comment) {
      std::string_view kw = SplitKeyword(body, "ARMS", rest)    ? "ARMS"
                            : SplitKeyword(body, "LEVEL", rest) ? "LEVEL"
                                                                : "";
      if (!kw.empty()) {
        std::uint32_t sum = 0;
        if (!ParseHex32(rest, sum)) return fail(std::string(kw) + " needs a checksum of up to 8 hex digits");
        (kw == "ARMS" ? out.arms : out.level) = sum;
        script += '\n';
        continue;
      }
      if (SplitKeyword(body, "RESULTS", rest)) {
        if (!rest.empty()) return fail("RESULTS takes nothing after it");
        out.results_screen = true;
        script += '\n';
        continue;
      }
      if (SplitKeyword(body, "SETTING", rest)) {
        out.settings.append(rest);
        out.settings += '\n';
        script += '\n';
        continue;
      }
      if (SplitKeyword(body, "SEED", rest)) return fail("SEED may stand only once, on the first line");
      in_header = false;
    }
    script.append(line);
    script += '\n';
  }
  if (!seen_seed) {
    error = origin + ", line 1: a recording starts with SEED and the random seed";
    out = Recording{};
    return false;
  }
  if (!ParseInputScript(script, origin, out.script, error)) {
    out = Recording{};
    return false;
  }
  return true;
}

bool LoadRecording(const std::string& path, Recording& out, std::string& error) {
  std::string text;
  if (!ReadWholeTextFile(path, text)) {
    error = path + ": cannot open the recording";
    return false;
  }
  return ParseRecording(text, path, out, error);
}

std::string RecordingHeader(const Recording& r) {
  std::string out = "SEED " + std::to_string(r.seed) + "\n";
  out += "# krel recording: the keys held at every keyboard read (KREL_INPUT format)\n";
  if (r.arms) out += "ARMS " + Hex32(*r.arms) + "\n";
  if (r.level) out += "LEVEL " + Hex32(*r.level) + "\n";
  if (r.results_screen) out += "RESULTS\n";
  std::string_view s = r.settings;
  while (!s.empty()) {
    std::size_t nl = s.find('\n');
    std::string_view line = Trim(s.substr(0, nl));
    s.remove_prefix(nl == std::string_view::npos ? s.size() : nl + 1);
    if (!line.empty()) out += "SETTING " + std::string(line) + "\n";
  }
  return out;
}

std::string TypeLine(std::string_view chars) {
  std::string out = "TYPE ";
  for (char ch : chars) {
    unsigned char c = static_cast<unsigned char>(ch);
    switch (c) {
      case '#': out += "\\#"; break;
      case '\\': out += "\\\\"; break;
      case ' ': out += "\\s"; break;
      case 8: out += "\\b"; break;
      case 13: out += "\\r"; break;
      case 27: out += "\\e"; break;
      case 9: out += "\\t"; break;
      default:
        if (c > ' ' && c < 0x7F) {
          out += ch;
        } else {
          char buf[5];
          std::snprintf(buf, sizeof buf, "\\x%02X", c);
          out += buf;
        }
    }
  }
  return out + "\n";
}

std::optional<std::uint32_t> FileChecksum(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::uint32_t h = 2166136261u;
  char buf[65536];
  while (in.read(buf, sizeof buf) || in.gcount() > 0) {
    for (std::streamsize i = 0; i < in.gcount(); ++i) {
      h ^= static_cast<std::uint8_t>(buf[i]);
      h *= 16777619u;
    }
  }
  return h;
}

// --- writer -----------------------------------------------------------------

RecordingWriter::RecordingWriter(std::string path, Reporter report)
    : path_(std::move(path)), report_(std::move(report)) {}

RecordingWriter::~RecordingWriter() { Close(); }

void RecordingWriter::Close() {
  Flush();
  std::string error;
  if (!failed_ && !file_.Close(error)) Fail(error);
}

void RecordingWriter::Fail(const std::string& why) {
  if (failed_) return;
  failed_ = true;
  buffer_.clear();
  if (report_) report_("cannot write the recording " + why + "; the game goes on unrecorded");
  std::string ignored;
  file_.Close(ignored);
}

bool RecordingWriter::Start(const std::string& text) {
  std::string error;
  if (!file_.Open(path_, OutputFile::Mode::kReplace, error)) {
    Fail(error);
    return false;
  }
  buffer_ = text;
  Flush();
  return !failed_;
}

void RecordingWriter::Flush() {
  if (failed_ || !file_.is_open() || buffer_.empty()) return;
  std::string error;
  if (!file_.Write(buffer_, error)) {
    Fail(error);
    return;
  }
  buffer_.clear();
}

// --- recorder ---------------------------------------------------------------

RecordInputPlatform::RecordInputPlatform(Platform& inner, RecordingWriter& out) : PlatformDecorator(inner), out_(out) {}

void RecordInputPlatform::EndRun() {
  if (run_count_ == 0) return;
  std::string line = std::to_string(run_count_);
  if (run_keys_.empty()) line += " -";
  for (int k : run_keys_) {
    line += ' ';
    line += DikIdentifier(k);
  }
  out_.Append(line + "\n");
  run_count_ = 0;
  run_keys_.clear();
}

void RecordInputPlatform::ReadKeyboard(std::uint8_t state[256]) {
  inner_.ReadKeyboard(state);
  if (in_event_) return;  // Form_KeyDown looking at the keys: not a read
  read_since_events_ = true;
  if (close_pending_) close_read_ = true;
  if (paused_) return;
  std::vector<int> keys;
  for (int k = 1; k < 256; ++k) {
    // A code without a name cannot be written; no binding can use it.
    if ((state[k] & 0x80) != 0 && !DikIdentifier(k).empty()) keys.push_back(k);
  }
  if (run_count_ > 0 && keys == run_keys_) {
    ++run_count_;
    return;
  }
  EndRun();
  run_keys_ = std::move(keys);
  run_count_ = 1;
}

void RecordInputPlatform::ProcessEvents(EventSink& sink) {
  class Tap : public EventSink {
   public:
    Tap(RecordInputPlatform& r, EventSink& target) : r_(r), target_(target) {}
    void OnKeyDown() override {
      r_.in_event_ = true;
      target_.OnKeyDown();
      r_.in_event_ = false;
    }
    void OnKeyPress(unsigned char ch) override {
      typed += static_cast<char>(ch);
      target_.OnKeyPress(ch);
    }
    void OnClose() override {
      if (!r_.close_pending_ && !r_.closed_) {
        r_.close_pending_ = true;
        r_.close_read_ = r_.read_since_events_;
        r_.close_since_ = r_.inner_.TickCount();
      }
    }
    std::string typed;

   private:
    RecordInputPlatform& r_;
    EventSink& target_;
  } tap(*this, sink);
  inner_.ProcessEvents(tap);
  read_since_events_ = false;
  if (!tap.typed.empty() && !paused_) {
    EndRun();
    out_.Append(TypeLine(tap.typed));
  }
  if (close_pending_) {
    constexpr std::uint32_t kCloseWaitMs = 1000;
    if (close_read_ || inner_.TickCount() - close_since_ > kCloseWaitMs) {
      close_pending_ = false;
      closed_ = true;
      Flush();
      sink.OnClose();
    }
  }
}

void RecordInputPlatform::SetPaused(bool paused, std::string_view why) {
  if (paused == paused_) return;
  EndRun();
  if (paused && !why.empty()) out_.Append("# " + std::string(why) + "\n");
  paused_ = paused;
}

void RecordInputPlatform::Flush() {
  EndRun();
  if (closed_ && !end_written_) {
    end_written_ = true;
    out_.Append("END\n");
  }
  out_.Flush();
}

// --- playback ---------------------------------------------------------------

std::uint32_t PlaybackPlatform::TickCount() {
  std::uint32_t now = inner_.TickCount();
  if (!clock_started_) {
    clock_started_ = true;
    last_real_ = now;
    game_now_ = now;
  }
  // A slow moment of the machine (a frame drawn late, the window dragged)
  // passes as at most a second of game time: multiplied by the speed it
  // would look like a lost network and add chat lines the recorded game lacks.
  constexpr std::uint32_t kMostPerReading = 1000;
  std::uint32_t step = (now - last_real_) * static_cast<std::uint32_t>(speed_);
  game_now_ += step < kMostPerReading ? step : kMostPerReading;
  last_real_ = now;
  return game_now_;
}

void PlaybackPlatform::Delay(std::uint32_t ms) {
  std::uint32_t real = ms / static_cast<std::uint32_t>(speed_);
  inner_.Delay(real > 0 ? real : 1);
}

void PlaybackPlatform::ProcessEvents(EventSink& sink) {
  // The player's keys do nothing but Escape, which stops the playback.
  class EscapeCloses : public EventSink {
   public:
    EscapeCloses(Platform& keys, EventSink& target) : keys_(keys), target_(target) {}
    void OnKeyDown() override {
      std::uint8_t state[256] = {};
      keys_.ReadKeyboard(state);
      if ((state[DIK_ESCAPE] & 0x80) != 0) target_.OnClose();
    }
    void OnKeyPress(unsigned char) override {}
    void OnClose() override { target_.OnClose(); }

   private:
    Platform& keys_;
    EventSink& target_;
  } filter(inner_, sink);
  inner_.ProcessEvents(filter);
}

void PlaybackPlatform::ReadKeyboard(std::uint8_t state[256]) {
  // Whatever the player holds is not the recording's; the script above this
  // decorator supplies the keys.
  for (int k = 0; k < 256; ++k) state[k] = 0;
}

}  // namespace krel
