// The guarded allocator: the reserve and its warning, the final failure, and
// the line arena that nodes read from files are carved from.
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <vector>

#include "store/lists.h"
#include "store/memory.h"

namespace {

int warnings = 0;
struct Exhausted : std::runtime_error {
  Exhausted() : std::runtime_error("exhausted") {}
};
void count_warning() { warnings++; }
void throw_exhausted() { throw Exhausted(); }

struct Guard : ::testing::Test {
  void SetUp() override {
    warnings = 0;
    memory_warning_hook = count_warning;
    memory_exhausted_hook = throw_exhausted;
    release_reserve_memory();
    alloc_reserve_memory();
  }
  void TearDown() override {
    ku_alloc_fail_next = 0;
    memory_warning_hook = nullptr;
    memory_exhausted_hook = nullptr;
    alloc_reserve_memory();
  }
};

TEST_F(Guard, FirstFailureWarnsOnceGivesBackTheReserveAndRetries) {
  ku_alloc_fail_next = 1;
  void* p = ku_alloc(100);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(warnings, 1);
  EXPECT_EQ(reserve_memory, nullptr);
  ku_free(p);
  // The reserve is spent: the next failure ends the editor.
  ku_alloc_fail_next = 1;
  EXPECT_THROW(ku_alloc(100), Exhausted);
  EXPECT_EQ(warnings, 1);
}

TEST_F(Guard, RetryThatFailsTooEndsTheEditor) {
  ku_alloc_fail_next = 2;
  EXPECT_THROW(ku_alloc(10), Exhausted);
  EXPECT_EQ(warnings, 1);
}

// The warning itself needs memory (the screen, the key read); a request that
// fails while it is up is the final failure, not a second first one.
void warning_that_allocates() {
  warnings++;
  ku_alloc_fail_next = 1;
  ku_free(ku_alloc(8));
}

TEST_F(Guard, FailureWhileTheWarningIsUpEndsTheEditor) {
  memory_warning_hook = warning_that_allocates;
  ku_alloc_fail_next = 1;
  EXPECT_THROW(ku_alloc(10), Exhausted);
  EXPECT_EQ(warnings, 1);
  EXPECT_EQ(reserve_memory, nullptr);
}

TEST_F(Guard, ScheduledFailuresComeAfterTheGivenSuccesses) {
  struct Case {
    std::vector<long> schedule;
    int successes_before_warning;  // -1: no warning within the requests made
    bool exhausted;                // the retry or a later request fails too
  } cases[] = {
      {{0}, 0, false},
      {{3}, 3, false},
      {{2, 0}, 2, true},   // the retry itself fails
      {{1, 4}, 1, true},   // the retry and three more succeed, the next fails
      {{}, -1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "schedule of " << c.schedule.size() << " starting "
                                    << (c.schedule.empty() ? -1 : c.schedule[0]));
    release_reserve_memory();
    alloc_reserve_memory();
    warnings = 0;
    ku_alloc_fail_after(c.schedule.data(), static_cast<int>(c.schedule.size()));
    std::vector<void*> got;
    int warned_after = -1;
    bool exhausted = false;
    for (int i = 0; i < 12 && !exhausted; i++) {
      try {
        got.push_back(ku_alloc(16));
      } catch (const Exhausted&) {
        exhausted = true;
      }
      if (warnings == 1 && warned_after < 0) warned_after = i;
    }
    EXPECT_EQ(warned_after, c.successes_before_warning);
    EXPECT_EQ(exhausted, c.exhausted);
    EXPECT_LE(warnings, 1);
    for (void* p : got) ku_free(p);
    ku_alloc_fail_after(nullptr, 0);
  }
}

TEST_F(Guard, LineArenaFailureTakesTheSamePath) {
  // Use up whatever the current block has left so that the next node needs a new block.
  std::vector<void*> nodes;
  size_t before = line_blocks_in_use();
  while (line_blocks_in_use() == before || nodes.size() < 2) nodes.push_back(ku_alloc_line(200));
  ku_alloc_fail_next = 1;
  std::vector<void*> more;
  for (size_t i = 0; i < LINE_BLOCK_SIZE / 200 + 100; i++) more.push_back(ku_alloc_line(200));  // crosses into a further block
  EXPECT_EQ(warnings, 1);
  for (void* p : nodes) ku_free(p);
  for (void* p : more) ku_free(p);
}

TEST(LineArena, BlocksGoBackWhenTheirNodesAreReleased) {
  size_t before = line_blocks_in_use();
  std::vector<LineNode*> nodes;
  for (int i = 0; i < 100000; i++) {
    int len = i % 97;
    auto* n = static_cast<LineNode*>(ku_alloc_line(len));
    n->length = len;
    std::memset(n->text, 'a' + i % 26, static_cast<size_t>(len) + 4);  // the spare bytes are writable
    nodes.push_back(n);
  }
  EXPECT_GT(line_blocks_in_use(), before + 1);
  // Nodes are 8-byte aligned and do not overlap.
  for (size_t i = 0; i + 1 < nodes.size(); i++) {
    EXPECT_EQ(reinterpret_cast<uintptr_t>(nodes[i]) % 8, 0u);
    if (reinterpret_cast<char*>(nodes[i + 1]) > reinterpret_cast<char*>(nodes[i])) {
      EXPECT_GE(reinterpret_cast<char*>(nodes[i + 1]), nodes[i]->text + nodes[i]->length + 4);
    }
  }
  for (size_t i = 0; i < nodes.size(); i += 2) ku_free(nodes[i]);
  for (size_t i = 1; i < nodes.size(); i += 2) ku_free(nodes[i]);
  EXPECT_LE(line_blocks_in_use(), before + 1);  // at most the block carving goes on in
}

TEST(LineArena, PurgingAListOfArenaAndSystemNodes) {
  ListHead h;
  init_list(&h);
  for (int i = 0; i < 1000; i++) {
    auto* n = static_cast<LineNode*>(i % 3 ? ku_alloc_line(10) : ku_alloc(line_node_size(10)));
    n->length = 10;
    send_node(&h, n);
  }
  purge_list(&h);
  EXPECT_EQ(h.count, 0);
  ku_free(nullptr);
}

}  // namespace

namespace {
TEST(LineArena, TextOffsetMatchesTheRecordLayout) {
  alignas(8) char buf[64];
  auto* n = reinterpret_cast<LineNode*>(buf);
  EXPECT_EQ(static_cast<size_t>(n->text - buf), LINE_TEXT_OFFSET);
}
}  // namespace
