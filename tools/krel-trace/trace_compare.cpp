#include "tools/krel-trace/trace_compare.h"

#include <algorithm>
#include <map>

namespace krel {

namespace {

// A trace line nests three levels deep; far more is no trace, and an
// unbounded depth would let one line exhaust the stack.
constexpr int kMaxNesting = 64;

class Flattener {
 public:
  Flattener(std::string_view s, TraceFields& out) : s_(s), out_(out) {}

  bool Run(std::string& why) {
    Blank();
    if (i_ >= s_.size() || s_[i_] != '{') return Fail(why, "not a JSON object");
    if (!Value("", why)) return false;
    Blank();
    if (i_ != s_.size()) return Fail(why, "text after the object");
    return true;
  }

 private:
  bool Fail(std::string& why, const std::string& what) {
    why = what + " at column " + std::to_string(i_ + 1);
    return false;
  }
  void Blank() {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\r')) ++i_;
  }
  bool String(std::string& text, std::string& why) {
    std::size_t start = i_++;
    while (i_ < s_.size() && s_[i_] != '"') i_ += s_[i_] == '\\' ? 2 : 1;
    if (i_ >= s_.size()) return Fail(why, "unfinished string");
    ++i_;
    text = std::string(s_.substr(start, i_ - start));
    return true;
  }
  bool Value(const std::string& path, std::string& why) {
    Blank();
    if (i_ >= s_.size()) return Fail(why, "value missing");
    char c = s_[i_];
    if (c == '{') return Object(path, why);
    if (c == '[') return Array(path, why);
    std::string text;
    if (c == '"') {
      if (!String(text, why)) return false;
    } else {
      std::size_t start = i_;
      while (i_ < s_.size() && std::string_view(",]} \t\r").find(s_[i_]) == std::string_view::npos) ++i_;
      if (i_ == start) return Fail(why, "value missing");
      text = std::string(s_.substr(start, i_ - start));
    }
    out_.emplace_back(path, std::move(text));
    return true;
  }
  // Counts one more level of nesting while it lives.
  struct Level {
    explicit Level(int& counter) : depth(++counter) {}
    ~Level() { --depth; }
    int& depth;
  };
  bool Object(const std::string& path, std::string& why) {
    Level level(depth_);
    if (depth_ > kMaxNesting) return Fail(why, "nested deeper than " + std::to_string(kMaxNesting) + " levels");
    ++i_;
    Blank();
    if (i_ < s_.size() && s_[i_] == '}') {
      ++i_;
      return true;
    }
    for (;;) {
      Blank();
      if (i_ >= s_.size() || s_[i_] != '"') return Fail(why, "name expected");
      std::string name;
      if (!String(name, why)) return false;
      name = name.substr(1, name.size() - 2);
      Blank();
      if (i_ >= s_.size() || s_[i_] != ':') return Fail(why, "':' expected");
      ++i_;
      if (!Value(path.empty() ? name : path + "." + name, why)) return false;
      Blank();
      if (i_ < s_.size() && s_[i_] == ',') {
        ++i_;
        continue;
      }
      if (i_ < s_.size() && s_[i_] == '}') {
        ++i_;
        return true;
      }
      return Fail(why, "',' or '}' expected");
    }
  }
  bool Array(const std::string& path, std::string& why) {
    Level level(depth_);
    if (depth_ > kMaxNesting) return Fail(why, "nested deeper than " + std::to_string(kMaxNesting) + " levels");
    ++i_;
    Blank();
    if (i_ < s_.size() && s_[i_] == ']') {
      ++i_;
      out_.emplace_back(path, "[]");
      return true;
    }
    for (int index = 0;; ++index) {
      // An element is named by its "n" when it has one (the player number),
      // else by its "Name" (the worms of a network game's batch line, which
      // every client numbers its own way), else by its place.
      std::size_t first = out_.size();
      if (!Value(path + "[#]", why)) return false;
      std::string key = std::to_string(index);
      for (std::size_t k = first; k < out_.size(); ++k) {
        if (out_[k].first == path + "[#].Name") key = out_[k].second;
      }
      for (std::size_t k = first; k < out_.size(); ++k) {
        if (out_[k].first == path + "[#].n") key = out_[k].second;
      }
      const std::string from = path + "[#]";
      for (std::size_t k = first; k < out_.size(); ++k) out_[k].first.replace(0, from.size(), path + "[" + key + "]");
      Blank();
      if (i_ < s_.size() && s_[i_] == ',') {
        ++i_;
        continue;
      }
      if (i_ < s_.size() && s_[i_] == ']') {
        ++i_;
        return true;
      }
      return Fail(why, "',' or ']' expected");
    }
  }

  std::string_view s_;
  std::size_t i_ = 0;
  int depth_ = 0;
  TraceFields& out_;
};

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> out;
  while (!text.empty()) {
    std::size_t nl = text.find('\n');
    std::string_view line = text.substr(0, nl);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty()) out.push_back(line);
    text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
  }
  return out;
}

std::string Field(const TraceFields& f, const std::string& name) {
  for (const auto& [k, v] : f) {
    if (k == name) return v;
  }
  return "?";
}

// The players in play, e.g. "1, 2".
std::string InPlay(const TraceFields& f) {
  std::string out;
  for (const auto& [k, v] : f) {
    if (k.rfind("players[", 0) == 0 && k.size() > 2 && k.substr(k.size() - 2) == ".n")
      out += (out.empty() ? "" : ", ") + v;
  }
  return out.empty() ? "none" : out;
}

bool Has(const TraceFields& f, const std::string& name) {
  return std::any_of(f.begin(), f.end(), [&](const auto& e) { return e.first == name; });
}

// A network game's batch line (client/simulation/report/trace.h): "batch" without "frame".
bool IsBatchLine(const TraceFields& f) { return Has(f, "batch") && !Has(f, "frame"); }

struct BatchLine {
  std::string key;  // "batch N (M worms)", with the occurrence when it repeats
  TraceFields fields;
};

// The batch lines of a trace; false (with why) on a malformed line.
bool BatchLines(const std::vector<std::string_view>& lines, const std::string& name, std::vector<BatchLine>& out,
                std::string& why) {
  std::map<std::string, int> seen;
  TraceFields f;
  for (std::size_t n = 0; n < lines.size(); ++n) {
    if (!FlattenTraceLine(lines[n], f, why)) {
      why = name + ", line " + std::to_string(n + 1) + ": " + why;
      return false;
    }
    if (!IsBatchLine(f)) continue;
    std::string key = "batch " + Field(f, "batch") + " (" + Field(f, "NumPlayers") + " worms)";
    if (const int k = seen[key]++; k > 0) key += " #" + std::to_string(k + 1);
    // The game's number counts the games each program has played.
    f.erase(std::remove_if(f.begin(), f.end(), [](const auto& e) { return e.first == "game"; }), f.end());
    out.push_back({std::move(key), f});
  }
  return true;
}

// Two clients of one network game: their batch lines, batch by batch.
std::optional<std::string> FirstBatchDifference(const std::vector<std::string_view>& la,
                                                const std::vector<std::string_view>& lb, const std::string& a_name,
                                                const std::string& b_name) {
  std::vector<BatchLine> ba, bb;
  std::string why;
  if (!BatchLines(la, a_name, ba, why) || !BatchLines(lb, b_name, bb, why)) return why;
  if (ba.empty() || bb.empty())
    return (ba.empty() ? a_name : b_name) + " holds no network game's batches, " + (ba.empty() ? b_name : a_name) +
           " does";
  std::map<std::string, const TraceFields*> other;
  for (const BatchLine& l : bb) other[l.key] = &l.fields;
  int compared = 0;
  for (const BatchLine& l : ba) {
    auto it = other.find(l.key);
    if (it == other.end()) continue;
    ++compared;
    const TraceFields& fb = *it->second;
    for (const auto& [k, v] : l.fields) {
      auto m = std::find_if(fb.begin(), fb.end(), [&](const auto& e) { return e.first == k; });
      if (m == fb.end()) return l.key + ": " + k + " is " + v + " in " + a_name + " and missing in " + b_name;
      if (m->second != v)
        return l.key + ": " + k + " is " + v + " in " + a_name + " but " + m->second + " in " + b_name;
    }
    for (const auto& [k, v] : fb) {
      if (!Has(l.fields, k)) return l.key + ": " + k + " is " + v + " in " + b_name + " and missing in " + a_name;
    }
  }
  if (compared == 0) return a_name + " and " + b_name + " have no batch in common";
  return std::nullopt;
}

}  // namespace

bool FlattenTraceLine(std::string_view line, TraceFields& out, std::string& why) {
  out.clear();
  Flattener f(line, out);
  return f.Run(why);
}

std::optional<std::string> UnreadableTraceLine(std::string_view text, const std::string& name) {
  std::vector<std::string_view> lines = Lines(text);
  TraceFields fields;
  std::string why;
  for (std::size_t n = 0; n < lines.size(); ++n) {
    if (!FlattenTraceLine(lines[n], fields, why)) return name + ", line " + std::to_string(n + 1) + ": " + why;
  }
  return std::nullopt;
}

std::optional<std::string> FirstTraceDifference(std::string_view a, std::string_view b, const std::string& a_name,
                                                const std::string& b_name) {
  std::vector<std::string_view> la = Lines(a), lb = Lines(b);
  // Frames of two clients of one network game never match; their batches do.
  auto any_batch = [](std::string_view text) { return text.find("\"batch\":") != std::string_view::npos; };
  if (any_batch(a) || any_batch(b)) return FirstBatchDifference(la, lb, a_name, b_name);
  TraceFields fa, fb;
  std::string why;
  for (std::size_t n = 0; n < std::max(la.size(), lb.size()); ++n) {
    const std::string line = "line " + std::to_string(n + 1);
    if (n < la.size() && !FlattenTraceLine(la[n], fa, why)) return a_name + ", " + line + ": " + why;
    if (n < lb.size() && !FlattenTraceLine(lb[n], fb, why)) return b_name + ", " + line + ": " + why;
    if (n >= la.size() || n >= lb.size()) {
      const bool a_short = n >= la.size();
      const TraceFields& more = a_short ? fb : fa;
      return line + " (game " + Field(more, "game") + ", frame " + Field(more, "frame") +
             "): " + (a_short ? a_name : b_name) + " has ended, " + (a_short ? b_name : a_name) + " goes on";
    }
    const std::string where = line + " (game " + Field(fa, "game") + ", frame " + Field(fa, "frame") + ")";
    if (fa == fb) continue;
    if (InPlay(fa) != InPlay(fb))
      return where + ": players in play are " + InPlay(fa) + " in " + a_name + " but " + InPlay(fb) + " in " + b_name;
    for (const auto& [k, v] : fa) {
      std::string other;
      bool found = false;
      for (const auto& [k2, v2] : fb) {
        if (k2 == k) {
          other = v2;
          found = true;
          break;
        }
      }
      if (!found) return where + ": " + k + " is " + v + " in " + a_name + " and missing in " + b_name;
      if (other != v) return where + ": " + k + " is " + v + " in " + a_name + " but " + other + " in " + b_name;
    }
    for (const auto& [k, v] : fb) {
      if (std::none_of(fa.begin(), fa.end(), [&](const auto& e) { return e.first == k; }))
        return where + ": " + k + " is " + v + " in " + b_name + " and missing in " + a_name;
    }
    return where + ": the fields stand in another order";
  }
  return std::nullopt;
}

}  // namespace krel
