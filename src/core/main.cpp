// Program entry: start-up, then the main loop for the life of the process.
#include "core/startup.h"

#ifdef KU_TEST_SEAMS
#include <cstdlib>

#include "store/memory.h"

namespace {

// Test builds only (KU_TEST_SEAMS is defined only when the tests are built;
// an editor built without them never reads this variable):
// KU_FAIL_ALLOC_AFTER="n1,n2,..." makes the editor's system allocation after
// n1 further successful ones fail, then the one after n2 more, and so on, so
// that the memory guard can be driven in the real binary.  Counting starts
// once start-up is over.
void arm_allocation_failures() {
  const char* spec = std::getenv("KU_FAIL_ALLOC_AFTER");
  if (!spec || !*spec) return;
  long counts[8];
  int n = 0;
  for (const char* p = spec; *p && n < 8;) {
    char* end = nullptr;
    long v = std::strtol(p, &end, 10);
    if (end == p) break;
    counts[n++] = v;
    p = *end == ',' ? end + 1 : end;
    if (*end != ',') break;
  }
  ku_alloc_fail_after(counts, n);
}

}  // namespace
#endif

int main(int argc, char** argv) {
  ku_init(argc, argv);
#ifdef KU_TEST_SEAMS
  arm_allocation_failures();
#endif
  ku_main_loop();
}
