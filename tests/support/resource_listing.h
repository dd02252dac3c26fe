// Test support: the resources of a compiler's .res output and of a module,
// listed the same way ("#4" for a number, the name otherwise).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/harness.h"

namespace listing {

struct Resource {
  std::string type, name;  // "#n" for a number, else the name
  uint16_t lang = 0;
  std::vector<uint8_t> data;
};

// Compiles the .rc file with the resource compiler (windres or llvm-rc) to a
// .res file and lists its entries in file order (entries of size 0 too).
// Fails the test when the compiler fails.
std::vector<Resource> CompileRes(const std::string& rcFile, harness::Compiler compiler);

// Every resource of the module as the engine reads it, in enumeration order
// (types, names, languages). Fails the test when it is no module.
std::vector<Resource> ModuleResources(const std::string& path);

}  // namespace listing
