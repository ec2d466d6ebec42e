// Memory guard: the one allocator for the editor's records.  It never returns
// without memory: on the first failure it warns the user and gives back a
// reserve; on the next it ends the editor.  The store knows nothing of the
// screen, so the warning and the exit are reached through hooks that the
// editor core installs at start-up.
#pragma once
#include <cstddef>

inline constexpr size_t RESERVE_SIZE = 0x4000;

extern void* reserve_memory;  // the reserve block; null once given back

// Called on the first failure (after which the reserve is freed and the
// request retried) and on the final one (which must not return).
extern void (*memory_warning_hook)();
extern void (*memory_exhausted_hook)();

void alloc_reserve_memory();
void release_reserve_memory();
void* ku_alloc(size_t n);
// Zeroed memory from ku_alloc.
void* ku_calloc(size_t n);

// Memory for a line node of `len` characters (with the spare bytes behind
// the text), carved from large blocks: reading a file costs one system
// allocation per block, not per line.  Like everything from ku_alloc it is
// released with ku_free.
void* ku_alloc_line(long len);
// Releases a record from ku_alloc, ku_calloc or ku_alloc_line (null is
// ignored).  Every record of the editor is released through it.
void ku_free(void* p);
// Size of the blocks line nodes are carved from.
inline constexpr size_t LINE_BLOCK_SIZE = size_t{1} << 21;
// Blocks currently held (for tests and the memory figures).
size_t line_blocks_in_use();


// Makes the next n system allocations of ku_alloc fail (for tests).
extern int ku_alloc_fail_next;
// Schedules up to 8 failures of the editor's system allocations: the first
// after successes[0] further successful ones, the next successes[1] after
// that, and so on (for tests; n = 0 clears the schedule).
void ku_alloc_fail_after(const long* successes, int n);
