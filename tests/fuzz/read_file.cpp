// libFuzzer target: read_file on arbitrary bytes (the first byte picks the reading options).
// Files go to a temporary directory of this process only.
#include "fuzz_inputs.h"
#include "fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kufuzz::fuzz_dir();  // made before the first input, removed at exit
  return kufuzz::verdict(kufuzz::check_text_file(data, size, kufuzz::fuzz_dir()));
}
