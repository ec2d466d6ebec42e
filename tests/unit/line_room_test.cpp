// Room a line node has for its text to grow in place: enough for what the
// node holds, stable while the line grows within it, and inside what the
// line arena and the plain allocator hand out.
#include <gtest/gtest.h>

#include <cstring>

#include "store/lists.h"
#include "store/memory.h"

TEST(LineRoom, GrowingWithinTheRoomKeepsTheSameRoom) {
  EXPECT_EQ(line_room(-3), 0);
  for (int len = 0; len <= 400; len++) {
    SCOPED_TRACE(len);
    int room = line_room(len);
    EXPECT_GE(room, len);
    EXPECT_LT(room, len + 8);
    for (int grown = len; grown <= room; grown++) EXPECT_EQ(line_room(grown), room);
  }
}

TEST(LineRoom, ArenaAndPlainNodesHoldTheirRoomAndSpareBytes) {
  // Filling the room and the four spare bytes stays inside the allocation
  // (a sanitizer build reports any byte beyond it).
  for (int len : {0, 1, 3, 4, 5, 11, 12, 80, 81, 87, 88, 380, 384}) {
    SCOPED_TRACE(len);
    int room = line_room(len);
    auto* a = static_cast<LineNode*>(ku_alloc_line(len));
    auto* b = static_cast<LineNode*>(ku_alloc(static_cast<size_t>(line_node_size(len))));
    for (LineNode* n : {a, b}) {
      n->length = room;
      std::memset(n->text, 'x', static_cast<size_t>(room) + 4);
      EXPECT_EQ(n->text[room + 3], 'x');
    }
    ku_free(a);
    ku_free(b);
  }
}
