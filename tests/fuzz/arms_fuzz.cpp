// libFuzzer target: arbitrary bytes as a weapon file. The loader must answer
// every input without a crash, and a refusal must say where and why.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "client/simulation/weapons/arms.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto tables = std::make_unique<krel::World>();
  krel::ArmsError error;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (!krel::LoadArmsFromBytes(tables->WeaponDefs, tables->ObjDefs, tables->SObjDefs, bytes, "arms.dat", error)) {
    if (error.what.empty() || error.Message().empty()) std::abort();
  }
  return 0;
}
