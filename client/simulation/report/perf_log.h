// The timing report appended to performance.log after every game.
#pragma once

#include <array>
#include <string>

#include "protocol/base/numbers.h"

namespace krel {

// The six lines for PhaseTimes(0..5), each ending in CR LF, in the Windows
// code page ("Schüsse" with the single byte 0xFC):
//   Warten, Spieler, Schüsse, Objekte, SObjs, Anzeigen.
std::string FormatPerformanceLog(const std::array<int32, 21>& counters);

// Appends them to the file at path (created when missing). On failure
// returns false and error names the file and the reason.
bool AppendPerformanceLog(const std::string& path, const std::array<int32, 21>& counters, std::string& error);

}  // namespace krel
