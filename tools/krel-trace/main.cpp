// krel-trace compare A B: compares two frame traces written by KREL_TRACE
// and names the first line, frame and field where they differ.
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "protocol/base/file_output.h"
#include "protocol/base/printable.h"
#include "tools/krel-trace/trace_compare.h"

namespace {

constexpr const char* kUsage =
    "usage: krel-trace compare A B\n"
    "Compares two frame traces (KREL_TRACE) line by line and names the first\n"
    "frame and field that differ. Traces of two clients of one network game are\n"
    "compared by their batch lines instead (every 50th batch: the worms' scores\n"
    "by name and the level), since their frames never match. Exit status: 0 the\n"
    "same, 1 different, 2 a file cannot be read or the answer cannot be written.\n";

bool Read(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  text = s.str();
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
    std::cout << kUsage;
    return krel::StandardOutputWritten("krel-trace") ? 0 : 2;
  }
  if (argc != 4 || std::string(argv[1]) != "compare") {
    std::cerr << kUsage;
    return 2;
  }
  std::string a, b;
  for (int i : {2, 3}) {
    if (!Read(argv[i], i == 2 ? a : b)) {
      std::cerr << "krel-trace: " << argv[i] << ": cannot read the trace\n";
      return 2;
    }
  }
  for (int i : {2, 3}) {
    if (auto bad = krel::UnreadableTraceLine(i == 2 ? a : b, argv[i])) {
      std::cerr << "krel-trace: unreadable trace: " << krel::Printable(*bad) << "\n";
      return 2;
    }
  }
  if (auto diff = krel::FirstTraceDifference(a, b, argv[2], argv[3])) {
    // The fields' values come from the files: no control byte reaches the terminal.
    std::cout << krel::Printable(*diff) << "\n";
    return krel::StandardOutputWritten("krel-trace") ? 1 : 2;
  }
  std::cout << "the traces agree\n";
  return krel::StandardOutputWritten("krel-trace") ? 0 : 2;
}
