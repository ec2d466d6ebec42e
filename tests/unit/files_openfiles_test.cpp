// Open files without a terminal: opening by name and as a new file, the
// load message, the per-file context carried through switches (line, cursor,
// window, aperture, tags), look-up by name and discarding.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "core/startup.h"
#include "files/openfiles.h"
#include "files/quit.h"
#include "files/textfile.h"
#include "input/keys.h"
#include "term/aperture.h"
#include "term/screen.h"
#include "term/status.h"
#include "term_fixture.h"

namespace {

class FilesOpen : public kuterm::TermTest {
 protected:
  void SetUp() override {
    kuterm::TermTest::SetUp();
    ASSERT_NE(getcwd(cwd_, sizeof cwd_), nullptr);
    char tmpl[] = "/tmp/ku_files_open_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    ASSERT_EQ(chdir(dir_.c_str()), 0);
  }
  void TearDown() override {
    discard_all_files();
    ASSERT_EQ(chdir(cwd_), 0);
    ASSERT_EQ(std::system(("rm -rf '" + dir_ + "'").c_str()), 0);
    kuterm::TermTest::TearDown();
  }
  void put(const std::string& rel, const std::string& text) {
    std::ofstream(dir_ + "/" + rel, std::ios::binary) << text;
  }
  static std::string lines(int n, int len) {
    std::string s;
    for (int i = 0; i < n; i++) s += kuterm::pattern_line(i, len) + "\n";
    return s;
  }

  char cwd_[1024];
  std::string dir_;
};

TEST_F(FilesOpen, OpeningByNameReadsTheFileAndReportsItsSize) {
  put("u.txt", lines(10, 19));  // 10 lines of 19 characters + LF: 200
  add_file("u.txt");
  ASSERT_EQ(ku_exception, 0);
  EXPECT_EQ(files_open, 1);
  EXPECT_EQ(curr_file_ix, 0);
  EXPECT_EQ(curr_file_des, file_entry(0));
  EXPECT_STREQ(curr_filename, "u.txt");
  EXPECT_NE(curr_conn, 0);
  EXPECT_EQ(curr_line, first_line(curr_file));
  EXPECT_EQ(curr_screen.top_line, curr_line);
  EXPECT_EQ(curr_screen.cy, 2);
  EXPECT_EQ(curr_screen.cx, 0);
  EXPECT_EQ(curr_screen.last_direction, rcd);
  EXPECT_EQ(ku_msg, ku_msg_buf);
  EXPECT_STREQ(ku_msg_buf, "200 Chars 10 Lines [Unix]");

  put("d.txt", "ab\r\ncd\r\n");
  add_file("d.txt");
  EXPECT_STREQ(ku_msg_buf, "8 Chars 2 Lines [DOS/Win]");
  EXPECT_EQ(files_open, 2);
  EXPECT_EQ(curr_file_ix, 1);
  EXPECT_EQ(get_file("u.txt"), 0);
  EXPECT_EQ(get_file("d.txt"), 1);
  EXPECT_EQ(get_file("./d.txt"), -1);
}

TEST_F(FilesOpen, MissingFilesAndDirectoriesAreNotOpened) {
  add_file("missing.txt");
  EXPECT_EQ(ku_exception, 3);
  ASSERT_EQ(mkdir((dir_ + "/sub").c_str(), 0755), 0);
  add_file("sub");
  EXPECT_EQ(ku_exception, 3);
  EXPECT_EQ(files_open, 0);
  EXPECT_EQ(curr_file_ix, -1);
}

TEST_F(FilesOpen, NewFileIsOneEmptyUnchangedUnixLine) {
  add_file(nullptr);
  EXPECT_EQ(ku_exception, 0);
  EXPECT_STREQ(curr_filename, "Unnamed File");
  EXPECT_EQ(curr_conn, 0);
  EXPECT_EQ(curr_file.count, 1);
  EXPECT_EQ(curr_file.format, 'u');
  EXPECT_EQ(curr_line->length, 0);
  EXPECT_EQ(curr_screen.last_direction, rcl);
  EXPECT_EQ(curr_file_has_changed(), 0);
}

TEST_F(FilesOpen, SwitchingAwayAndBackRestoresTheWholeContext) {
  put("a.txt", lines(100, 300));
  put("b.txt", lines(3, 5));
  add_file("a.txt");
  // Put file a at line 50, column 250, row 9, aperture scrolled, two tags.
  curr_line = goto_line_num(49);
  curr_line_num = 50;
  curr_screen.cx = 250;
  curr_screen.cy = update_curr_screen(9);
  move_aperture(200);
  int left = ti_get_left_cx(), right = ti_get_right_cx();
  ASSERT_GT(left, 0);
  curr_file.tags[0] = 7;
  curr_file.tags[9] = 88;
  LineNode* top = curr_screen.top_line;
  LineNode* line = curr_line;

  add_file("b.txt");  // saves a's context, b becomes current
  EXPECT_EQ(curr_file_ix, 1);
  EXPECT_EQ(curr_file.tags[0], 0);
  EXPECT_EQ(curr_line_num, 1);
  move_aperture(0);

  context_switch(1, 0);
  EXPECT_EQ(curr_file_ix, 0);
  EXPECT_STREQ(curr_filename, "a.txt");
  EXPECT_EQ(curr_line, line);
  EXPECT_EQ(curr_line_num, 50);
  EXPECT_EQ(curr_screen.cx, 250);
  EXPECT_EQ(curr_screen.cy, 9);
  EXPECT_EQ(curr_screen.top_line, top);
  EXPECT_EQ(ti_get_left_cx(), left);
  EXPECT_EQ(ti_get_right_cx(), right);
  EXPECT_EQ(curr_file.tags[0], 7);
  EXPECT_EQ(curr_file.tags[9], 88);
  EXPECT_EQ(get_curr_line_num(), 49);
  // The first line points back at the live head again.
  EXPECT_EQ(first_line(curr_file)->prev, as_link(&curr_file));

  context_switch(0, 1);
  EXPECT_STREQ(curr_filename, "b.txt");
  EXPECT_EQ(curr_file.count, 3);
  EXPECT_EQ(ti_get_left_cx(), 0);
}

TEST_F(FilesOpen, SwitchSavesTheLineBeingEdited) {
  put("a.txt", "abc\n");
  put("b.txt", "xyz\n");
  add_file("a.txt");
  add_file("b.txt");
  context_switch(1, 0);
  load_line_buf();
  line_buf.text[0] = 'Q';
  context_switch(0, 1);
  EXPECT_EQ(line_buf.length, 0);
  context_switch(1, 0);
  EXPECT_EQ(std::string(curr_line->text, 3), "Qbc");
  EXPECT_EQ(curr_file_has_changed(), 1);
  int n = 0;
  EXPECT_EQ(unsaved_changes(&n), 1);
  EXPECT_EQ(n, 1);
}

TEST_F(FilesOpen, DiscardingTheCurrentFileLeavesNoCurrentFile) {
  put("a.txt", "a\n");
  put("b.txt", "b\n");
  put("c.txt", "c\n");
  add_file("a.txt");
  add_file("b.txt");
  add_file("c.txt");
  context_switch(2, 1);
  discard_curr_file(first_line(curr_file), 1);
  EXPECT_EQ(files_open, 2);
  EXPECT_EQ(curr_file_ix, -1);
  EXPECT_EQ(curr_file_des, nullptr);
  EXPECT_EQ(curr_line, nullptr);
  EXPECT_EQ(get_file("b.txt"), -1);
  EXPECT_EQ(get_file("c.txt"), 1);
  context_switch(-1, 1);
  EXPECT_STREQ(curr_filename, "c.txt");
  EXPECT_EQ(curr_line->text[0], 'c');
  // A switch to no entry changes nothing.
  context_switch(1, 5);
  EXPECT_EQ(curr_file_ix, 1);
  EXPECT_STREQ(curr_filename, "c.txt");
}

}  // namespace
