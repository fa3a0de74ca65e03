// krel-arms: checks and dumps weapon files with the game's own loader.
#include <iostream>
#include <string>
#include <vector>

#include "tools/krel-arms/tool.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return krel::RunArmsTool(args, std::cout, std::cerr);
}
