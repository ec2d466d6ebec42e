// libFuzzer target: reading a macro file image of arbitrary bytes, and decoding its keys.
// Files go to a temporary directory of this process only.
#include <cstdio>
#include <cstdlib>

#include <unistd.h>

#include "fuzz_inputs.h"

namespace {
const std::string& dir() {
  static char t[] = "/tmp/ku-fuzz-XXXXXX";
  static std::string d = [] {
    if (!mkdtemp(t)) std::abort();
    std::atexit([] { rmdir(t); });
    return std::string(t);
  }();
  return d;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  [[maybe_unused]] const std::string& d = dir();
  std::string err = kufuzz::check_macro_file(data, size);
  if (!err.empty()) {
    std::fprintf(stderr, "ku_fuzz: %s\n", err.c_str());
    std::abort();
  }
  return 0;
}
