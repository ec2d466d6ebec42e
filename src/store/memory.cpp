// The guarded allocator and its reserve.
#include "store/memory.h"

#include <cstdlib>
#include <cstring>

void* reserve_memory = nullptr;
void (*memory_warning_hook)() = nullptr;
void (*memory_exhausted_hook)() = nullptr;


int ku_alloc_fail_next = 0;


namespace {
void* system_alloc(size_t n) {

  if (ku_alloc_fail_next > 0) {
    ku_alloc_fail_next--;
    return nullptr;
  }

  return std::malloc(n + 4);
}
}  // namespace

void alloc_reserve_memory() {
  if (!reserve_memory) reserve_memory = std::malloc(RESERVE_SIZE);
}

void release_reserve_memory() {
  std::free(reserve_memory);
  reserve_memory = nullptr;
}

void* ku_alloc(size_t n) {
  if (void* p = system_alloc(n)) return p;
  if (reserve_memory) {
    if (memory_warning_hook) memory_warning_hook();
    release_reserve_memory();
    if (void* p = system_alloc(n)) return p;
  }
  if (memory_exhausted_hook) memory_exhausted_hook();
  std::abort();  // the hook ends the editor; without one there is nothing left to do
}

void* ku_calloc(size_t n) {
  void* p = ku_alloc(n);
  std::memset(p, 0, n);
  return p;
}
