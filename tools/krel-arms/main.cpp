// krel-arms: checks and dumps weapon files with the game's own loader.
#include <iostream>
#include <string>
#include <vector>

#include "protocol/base/file_output.h"
#include "tools/krel-arms/tool.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  const int status = krel::RunArmsTool(args, std::cout, std::cerr);
  // A dump that did not reach its file is a failure, whatever the tables said.
  return krel::StandardOutputWritten("krel-arms") ? status : 1;
}
