// krel-arms check FILE | krel-arms dump FILE
#include <iostream>
#include <string>
#include <vector>

#include "client/weapons/arms_report.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return krel::RunArmsTool(args, std::cout, std::cerr);
}
