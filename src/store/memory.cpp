// The guarded allocator, its reserve, and the block arena line nodes are
// carved from.
#include "store/memory.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

#include <sys/mman.h>

#include "store/lists.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define KU_POISON(p, n) ASAN_POISON_MEMORY_REGION((p), (n))
#define KU_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION((p), (n))
#else
#define KU_POISON(p, n) ((void)(p), (void)(n))
#define KU_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

void* reserve_memory = nullptr;
void (*memory_warning_hook)() = nullptr;
void (*memory_exhausted_hook)() = nullptr;
int ku_alloc_fail_next = 0;

namespace {

// The failure schedule of ku_alloc_fail_after: successes still to grant
// before each failure, the next one first.
constexpr int MAX_SCHEDULED_FAILURES = 8;
long fail_schedule[MAX_SCHEDULED_FAILURES];
int fail_scheduled = 0;

// Whether the system request about to be made is to fail instead (tests
// only: nothing is scheduled unless a test asks).
bool injected_failure() {
  if (ku_alloc_fail_next > 0) {
    ku_alloc_fail_next--;
    return true;
  }
  if (fail_scheduled == 0) return false;
  if (fail_schedule[0] > 0) {
    fail_schedule[0]--;
    return false;
  }
  fail_scheduled--;
  std::memmove(fail_schedule, fail_schedule + 1, sizeof(long) * static_cast<size_t>(fail_scheduled));
  return true;
}

void* system_alloc(size_t n) {
  if (injected_failure()) return nullptr;
  return std::malloc(n + 4);
}

// Runs the memory guard's answer to a failed request: the warning and the
// reserve the first time, the end of the editor the next.
template <class Try>
void* guarded(Try attempt) {
  if (void* p = attempt()) return p;
  if (reserve_memory) {
    // The reserve goes back before the warning is drawn: the screen and the
    // key read need memory of their own, and a request failing while the
    // warning is up is the second failure, not another first one.
    release_reserve_memory();
    if (memory_warning_hook) memory_warning_hook();
    if (void* p = attempt()) return p;
  }
  if (memory_exhausted_hook) memory_exhausted_hook();
  std::abort();  // the hook ends the editor; without one there is nothing left to do
}

// A block of line nodes: nodes are carved from the front; the block goes
// back to the system when its last node is released.  Blocks are aligned to
// their size, so the block of any node is found from the node's address.
struct LineBlock {
  size_t used;  // bytes carved, header included
  long live;    // nodes not yet released
};

std::unordered_map<uintptr_t, LineBlock*> blocks;  // by block address
LineBlock* current = nullptr;                       // the block carving goes on in

constexpr size_t HEADER = (sizeof(LineBlock) + 15) & ~size_t{15};

LineBlock* new_block() {
  if (injected_failure()) return nullptr;
  void* mem = std::aligned_alloc(LINE_BLOCK_SIZE, LINE_BLOCK_SIZE);
  if (!mem) return nullptr;
  // Large pages where the system offers them: a big file then costs a few
  // hundred page faults instead of tens of thousands.
  madvise(mem, LINE_BLOCK_SIZE, MADV_HUGEPAGE);
  auto* b = static_cast<LineBlock*>(mem);
  b->used = HEADER;
  b->live = 0;
  KU_POISON(static_cast<char*>(mem) + HEADER, LINE_BLOCK_SIZE - HEADER);
  blocks.emplace(reinterpret_cast<uintptr_t>(mem), b);
  return b;
}

// The block the last released node lay in: nodes are mostly released in
// the order they were carved (closing a file, quitting), so the next one is
// nearly always in the same block and the table need not be searched.
LineBlock* last_freed = nullptr;

void release_block(LineBlock* b) {
  blocks.erase(reinterpret_cast<uintptr_t>(b));
  if (b == current) current = nullptr;
  if (b == last_freed) last_freed = nullptr;
  KU_UNPOISON(b, LINE_BLOCK_SIZE);
  std::free(b);
}

}  // namespace

void ku_alloc_fail_after(const long* successes, int n) {
  if (n < 0) n = 0;
  if (n > MAX_SCHEDULED_FAILURES) n = MAX_SCHEDULED_FAILURES;
  for (int i = 0; i < n; i++) fail_schedule[i] = successes[i] > 0 ? successes[i] : 0;
  fail_scheduled = n;
}

void alloc_reserve_memory() {
  if (!reserve_memory) reserve_memory = std::malloc(RESERVE_SIZE);
}

void release_reserve_memory() {
  std::free(reserve_memory);
  reserve_memory = nullptr;
}

void* ku_alloc(size_t n) {
  return guarded([n] { return system_alloc(n); });
}

void* ku_calloc(size_t n) {
  void* p = ku_alloc(n);
  std::memset(p, 0, n);
  return p;
}

void* ku_alloc_line(long len) {
  if (len < 0) len = 0;
  // The node's links and length, its text and four spare bytes, kept to the
  // alignment of the links.
  size_t need = (LINE_TEXT_OFFSET + static_cast<size_t>(len) + 4 + 7) & ~size_t{7};
  if (need > (LINE_BLOCK_SIZE - HEADER) / 8) return ku_alloc(need);  // rare long nodes
  if (!current || current->used + need > LINE_BLOCK_SIZE) {
    LineBlock* b = static_cast<LineBlock*>(guarded([] { return static_cast<void*>(new_block()); }));
    // A block still holding live nodes stays until they are released.
    if (current && current->live == 0) release_block(current);
    current = b;
  }
  char* p = reinterpret_cast<char*>(current) + current->used;
  current->used += need;
  current->live++;
  KU_UNPOISON(p, need);
  return p;
}

void ku_free(void* p) {
  if (!p) return;
  if (!blocks.empty()) {
    uintptr_t base = reinterpret_cast<uintptr_t>(p) & ~(uintptr_t{LINE_BLOCK_SIZE} - 1);
    LineBlock* b = nullptr;
    if (last_freed && reinterpret_cast<uintptr_t>(last_freed) == base) {
      b = last_freed;
    } else if (auto it = blocks.find(base); it != blocks.end()) {
      b = it->second;
    }
    if (b && reinterpret_cast<uintptr_t>(p) != base) {
      last_freed = b;
#if defined(__SANITIZE_ADDRESS__)
      // A released node is poisoned, so a use after release is caught in
      // sanitizer builds as with the system allocator.
      auto* node = static_cast<LineNode*>(p);
      size_t len = node->length > 0 ? static_cast<size_t>(node->length) : 0;
      size_t span = (LINE_TEXT_OFFSET + len + 4 + 7) & ~size_t{7};
      if (reinterpret_cast<char*>(p) + span > reinterpret_cast<char*>(b) + b->used) span = 0;
      KU_POISON(p, span);
#endif
      if (--b->live == 0 && b != current) release_block(b);
      return;
    }
  }
  std::free(p);
}

size_t line_blocks_in_use() { return blocks.size(); }
