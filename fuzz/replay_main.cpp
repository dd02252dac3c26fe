// A fuzz target without libFuzzer: runs the target on the empty input and on
// each file named on the command line, so that the ordinary test build
// compiles every target and replays what the fuzzer once found. A target
// that finds a fault aborts, which fails the test.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  const uint8_t none = 0;
  LLVMFuzzerTestOneInput(&none, 0);
  for (int i = 1; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "cannot read %s\n", argv[i]);
      RemoveScratch();
      return 1;
    }
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  }
  RemoveScratch();
  std::printf("%d inputs ran\n", argc);
  return 0;
}
