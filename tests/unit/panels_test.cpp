// The memory figure of the status panel over real open files: every file's
// lines with their line ends and overhead, the line buffers and the undo
// queue, with the current file's latest edits counted.
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "blocks/blocks.h"
#include "files/openfiles.h"
#include "files/quit.h"
#include "options/panels.h"
#include "term_fixture.h"
#include "undo/undo.h"

namespace {

class RamInUse : public kuterm::TermTest {
 protected:
  void SetUp() override {
    kuterm::TermTest::SetUp();
    ASSERT_NE(getcwd(cwd_, sizeof cwd_), nullptr);
    char tmpl[] = "/tmp/ku_panels_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    ASSERT_EQ(chdir(dir_.c_str()), 0);
    init_undo_system();
    purge_list(&line_block);
    purge_list(&line_del_block);
  }
  void TearDown() override {
    purge_list(&line_block);
    purge_list(&line_del_block);
    discard_all_files();
    ASSERT_EQ(chdir(cwd_), 0);
    ASSERT_EQ(std::system(("rm -rf '" + dir_ + "'").c_str()), 0);
    kuterm::TermTest::TearDown();
  }
  // A file of n lines of len characters, each ended by `eol`.
  void put(const std::string& name, int n, int len, const char* eol) {
    std::ofstream f(dir_ + "/" + name, std::ios::binary);
    for (int i = 0; i < n; i++) f << kuterm::pattern_line(i, len) << eol;
  }
  static void add_line(ListHead* h, int len) {
    auto* node = static_cast<LineNode*>(ku_alloc(static_cast<size_t>(line_node_size(len))));
    node->length = len;
    std::memset(node->text, 'b', static_cast<size_t>(len));
    send_node(h, node);
  }

  char cwd_[1024];
  std::string dir_;
};

TEST_F(RamInUse, OneUnixFileOfTenLinesOfTwentyCharacters) {
  put("u.txt", 10, 20, "\n");
  add_file("u.txt");
  ASSERT_EQ(ku_exception, 0);
  ASSERT_EQ(get_num_undo_queue_items(), 0);
  EXPECT_EQ(ram_in_use(), 10 * (20 + 1 + 16));
}

TEST_F(RamInUse, EveryOpenFileCountsWithItsOwnLineEnds) {
  put("u.txt", 10, 20, "\n");
  put("d.txt", 3, 7, "\r\n");
  add_file("u.txt");
  add_file("d.txt");
  ASSERT_EQ(files_open, 2);
  EXPECT_EQ(ram_in_use(), 10 * (20 + 1 + 16) + 3 * (7 + 2 + 16));
}

// Lines the current file gained since it was made current count at once:
// the figure is taken after its context has been saved into its entry.
TEST_F(RamInUse, CountsTheCurrentFilesLatestLines) {
  put("u.txt", 10, 20, "\n");
  add_file("u.txt");
  add_line(&curr_file, 30);
  EXPECT_EQ(ram_in_use(), 10 * (20 + 1 + 16) + (30 + 1 + 16));
}

TEST_F(RamInUse, UndoRecordsAddTheQueueSize) {
  put("u.txt", 10, 20, "\n");
  add_file("u.txt");
  push_undo_block_paste(15, 1, 0, 0, 2);
  ASSERT_EQ(get_num_undo_queue_items(), 1);
  EXPECT_EQ(ram_in_use(), 10 * (20 + 1 + 16) + get_undo_queue_size());
  EXPECT_GT(get_undo_queue_size(), 0);
  flush_undo_queue();
}

// The line buffers have no file format of their own, so each of their lines
// counts two bytes for its end.  Enabled once file_info counts every list
// that is not Unix-format that way (it counts two only for DOS/Windows).
TEST_F(RamInUse, LineBuffersCountTwoBytesPerLineEnd) {
  put("u.txt", 10, 20, "\n");
  add_file("u.txt");
  add_line(&line_block, 5);
  add_line(&line_block, 0);
  add_line(&line_del_block, 9);
  EXPECT_EQ(ram_in_use(), 10 * (20 + 1 + 16) + (5 + 2 + 16) + (0 + 2 + 16) + (9 + 2 + 16));
}

}  // namespace
