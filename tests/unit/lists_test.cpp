// Lists, the pointer stack, byte-array helpers and the tab primitives.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "store/lists.h"

namespace {

LineNode* make_line(const std::string& s) {
  auto* n = static_cast<LineNode*>(std::malloc(static_cast<size_t>(line_node_size(static_cast<long>(s.size())))));
  n->next = n->prev = nullptr;
  n->length = static_cast<int32_t>(s.size());
  std::memcpy(n->text, s.data(), s.size());
  return n;
}

std::vector<std::string> contents(const ListHead& h) {
  std::vector<std::string> out;
  for (Link* l = h.count > 0 ? h.first : nullptr; l; l = l->next) out.emplace_back(as_line(l)->text, as_line(l)->length);
  return out;
}

// Checks the list invariants: first's prev is the head, last's next is null,
// walking next visits exactly count nodes and back links mirror forward ones.
void expect_consistent(ListHead& h) {
  if (h.count == 0) {
    EXPECT_EQ(h.next, nullptr);
    return;
  }
  EXPECT_EQ(h.next, h.first);
  EXPECT_EQ(h.first->prev, as_link(&h));
  EXPECT_EQ(h.last->next, nullptr);
  int n = 0;
  Link* prev = as_link(&h);
  for (Link* l = h.first; l; l = l->next) {
    EXPECT_EQ(l->prev, prev);
    prev = l;
    n++;
  }
  EXPECT_EQ(prev, h.last);
  EXPECT_EQ(n, h.count);
}

struct ListFixture : ::testing::Test {
  ListHead h{};
  void SetUp() override { init_list(&h); }
  void TearDown() override { purge_list(&h); }
  void fill(std::initializer_list<const char*> items) {
    for (const char* s : items) send_node(&h, make_line(s));
  }
};

TEST_F(ListFixture, AddAtFrontOfEmptyListMakesFirstAndLast) {
  int err = 99;
  LineNode* a = make_line("a");
  add(&h, as_link(&h), a, &err);
  EXPECT_EQ(err, 0);
  EXPECT_EQ(h.first, a);
  EXPECT_EQ(h.last, a);
  EXPECT_EQ(h.count, 1);
  LineNode* b = make_line("b");
  add(&h, a, b, &err);
  EXPECT_EQ(h.last, b);
  LineNode* c = make_line("c");
  add(&h, as_link(&h), c, &err);
  EXPECT_EQ(h.first, c);
  EXPECT_EQ(contents(h), (std::vector<std::string>{"c", "a", "b"}));
  expect_consistent(h);
}

TEST_F(ListFixture, DeleteOnlyNodeThenRebuild) {
  fill({"x"});
  int err = 0;
  Link* x = h.first;
  list_delete(&h, x, &err);
  std::free(x);
  EXPECT_EQ(err, 0);
  EXPECT_EQ(h.count, 0);
  EXPECT_EQ(h.next, nullptr);
  send_node(&h, make_line("y"));
  add(&h, h.last, make_line("z"), &err);
  EXPECT_EQ(contents(h), (std::vector<std::string>{"y", "z"}));
  expect_consistent(h);
}

TEST_F(ListFixture, DeleteOnEmptyListReportsAndChangesNothing) {
  int err = 0;
  LineNode* stray = make_line("s");
  list_delete(&h, stray, &err);
  EXPECT_EQ(err, LIST_EMPTY);
  EXPECT_EQ(h.count, 0);
  std::free(stray);
}

TEST_F(ListFixture, DeleteFirstMiddleAndLastKeepsInvariants) {
  fill({"a", "b", "c", "d"});
  int err = 0;
  Link* b = h.first->next;
  std::free(list_delete(&h, b, &err));
  Link* a = h.first;
  std::free(list_delete(&h, a, &err));
  Link* d = h.last;
  std::free(list_delete(&h, d, &err));
  EXPECT_EQ(contents(h), (std::vector<std::string>{"c"}));
  expect_consistent(h);
}

TEST_F(ListFixture, TraverseStopsAtEitherEnd) {
  fill({"1", "2", "3", "4", "5"});
  struct Case {
    int from;
    char dir;
    int steps;
    int moved;
    int err;
    std::string at;
  } cases[] = {
      {0, '-', 1, 0, LIST_END, "1"}, {4, '+', 1, 0, LIST_END, "5"}, {0, '+', 10, 4, LIST_END, "5"},
      {2, '+', 0, 0, 0, "3"},        {2, '-', -3, 0, 0, "3"},       {3, '-', 2, 2, 0, "2"},
  };
  for (const Case& c : cases) {
    int moved = -1, err = 0, m0 = 0;
    Link* from = traverse_list(&h, h.first, '+', &m0, c.from, &err);
    err = 0;
    Link* at = traverse_list(&h, from, c.dir, &moved, c.steps, &err);
    EXPECT_EQ(moved, c.moved) << c.from << c.dir << c.steps;
    EXPECT_EQ(err, c.err) << c.from << c.dir << c.steps;
    EXPECT_EQ(std::string(as_line(at)->text, 1), c.at);
  }
}

TEST_F(ListFixture, PurgeReleasesAndKeepsFileWords) {
  fill({"a", "b"});
  h.format = 'd';
  h.tags[3] = 7;
  purge_list(&h);
  EXPECT_EQ(h.count, 0);
  EXPECT_EQ(h.next, nullptr);
  EXPECT_EQ(h.format, 'd');
  EXPECT_EQ(h.tags[3], 7);
}

TEST(Stack, TenPushesThenIgnoredThenReverseOrder) {
  Stack s;
  init_stack(&s, 10);
  EXPECT_EQ(stack_empty(&s), 1);
  EXPECT_EQ(pop(&s), nullptr);
  int items[11];
  for (int i = 0; i < 11; i++) push(&s, &items[i]);
  EXPECT_EQ(tos(&s), &items[9]);
  for (int i = 9; i >= 0; i--) EXPECT_EQ(pop(&s), &items[i]);
  EXPECT_EQ(pop(&s), nullptr);
  EXPECT_EQ(stack_empty(&s), 1);
}

TEST(Bytes, SearchesReturnMinusOneForNoBytes) {
  const char buf[] = "aab";
  for (int n : {0, -4}) {
    EXPECT_EQ(findb(buf, 'a', n), -1);
    EXPECT_EQ(findb_not(buf, 'a', n), -1);
    EXPECT_EQ(cmpb(buf, "aac", n), -1);
  }
  EXPECT_EQ(findb(buf, 'b', 3), 2);
  EXPECT_EQ(findb_not(buf, 'a', 3), 2);
  EXPECT_EQ(cmpb(buf, "aac", 3), 2);
  EXPECT_EQ(cmpb(buf, "aab", 3), -1);
  char out[4] = "xyz";
  setb('q', out, 2);
  EXPECT_STREQ(out, "qqz");
  char ov[] = "abcdef";
  movb(ov + 2, ov, 4);  // destination below the source
  EXPECT_STREQ(ov, "cdefef");
  uint32_t w[] = {0xffffffffu, 2u};
  EXPECT_EQ(sumw(w, 2), 1u);
}

struct TabCase {
  std::string in;
  int tabstop;
  std::string out;
};

TEST(Tabs, PackCompressesOnlyRunsReachingATabStop) {
  const TabCase cases[] = {
      {"a       b", 4, "a\t\tb"},  // columns 1-3 and 4-7
      {"ab  ", 4, "ab"},         // trailing blanks dropped
      {"abc d", 4, "abc\td"},    // one blank in the last column before a stop
      {"a  b", 4, "a  b"},       // stops short of a stop: stays blanks
      {"a b", 1, "a\tb"},        // tab stop 1: every blank
      {"        x", 8, "\tx"},
      {"  \t x", 4, "  \t x"},   // blanks short of a stop stay, even before a TAB
      {"", 4, ""},
      {" \t  ", 4, ""},
  };
  for (const TabCase& c : cases) {
    char buf[400];
    std::memcpy(buf, c.in.data(), c.in.size());
    int n = pack(buf, static_cast<int>(c.in.size()), c.tabstop);
    EXPECT_EQ(std::string(buf, static_cast<size_t>(n)), c.out) << '"' << c.in << '"';
  }
}

TEST(Tabs, UnpackExpandsUpToTheColumnLimit) {
  const TabCase cases[] = {
      {"a\tb", 4, "a   b"},
      {"\t\tx", 4, "        x"},
      {"ab\tc", 8, "ab      c"},
      {"x\ty", 1, "x y"},
      {std::string(250, 'a') + "\tb", 4, std::string(250, 'a') + "\tb"},  // at column 250 the TAB stays
      {std::string(249, 'a') + "\tb", 4, std::string(249, 'a') + "   b"},
  };
  for (const TabCase& c : cases) {
    char buf[800];
    std::memcpy(buf, c.in.data(), c.in.size());
    int n = unpack(buf, static_cast<int>(c.in.size()), c.tabstop);
    EXPECT_EQ(std::string(buf, static_cast<size_t>(n)), c.out) << c.in.size();
  }
}

TEST(Tabs, UnusableTabStopIsTreatedAsFour) {
  for (int ts : {0, -1, -100, MAX_TABSTOP + 1, 2147483647}) {
    char buf[32] = "a\tb";
    EXPECT_EQ(unpack(buf, 3, ts), 5);
    char pk[32] = "a       b";
    EXPECT_EQ(std::string(pk, static_cast<size_t>(pack(pk, 9, ts))), "a\t\tb");
  }
  EXPECT_EQ(usable_tabstop(8), 8);
  EXPECT_EQ(usable_tabstop(MAX_TABSTOP), MAX_TABSTOP);
}

TEST(WhiteSpace, CountsLeadingWhiteWithinLength) {
  struct {
    std::string text;
    int length;
    int expect;
  } cases[] = {{"   x", 4, 3}, {"    ", 4, 4}, {"", 0, 0}, {"\t \fz", 4, 3}, {"    ", 2, 2}, {"\x80 ", 2, 0}};
  for (auto& c : cases) {
    LineNode* n = make_line(c.text);
    n->length = c.length;
    EXPECT_EQ(white_space(n), c.expect) << '"' << c.text << '"';
    std::free(n);
  }
}

}  // namespace
