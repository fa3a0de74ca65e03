// Comparing two frame traces: line by line, field by field, so that the
// first frame where two runs of one game part ways is named exactly.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace krel {

// The fields of one trace line, flattened in their order: "frame", "Shots",
// "players[2].X" (a player element is named by its "n"), and the value's
// JSON text. False (with why) when the line is not a JSON object.
using TraceFields = std::vector<std::pair<std::string, std::string>>;
bool FlattenTraceLine(std::string_view line, TraceFields& out, std::string& why);

// The first line of text that is not a trace line, described for a person
// ("A, line 3: nested deeper than 64 levels at column 65"); empty when every
// line can be read. name names the trace in the text.
std::optional<std::string> UnreadableTraceLine(std::string_view text, const std::string& name);

// The first difference between two traces, described for a person:
//   "line 12 (game 1, frame 120): players[2].X is 34.5 in A but 34.6 in B"
// Empty when they agree. Traces of network games (their lines carry
// "batch") are compared by their batch lines instead, batch by batch, with
// the worms matched by name (each client numbers them its own way, and runs
// its own frames):
//   "batch 50 (4 worms): players[\"Anna ...\"].Lives is 14 in A but 13 in B" `a_name` and `b_name` name the two traces
//   in the
// text. A malformed line is reported as a difference too, with its line.
std::optional<std::string> FirstTraceDifference(std::string_view a, std::string_view b, const std::string& a_name,
                                                const std::string& b_name);

}  // namespace krel
