// Emergency save without a terminal: which open files are copied, under
// which names, with which line ends and text (the unsaved line buffer
// included), relative to the directory given, never touching the originals.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "core/startup.h"
#include "files/emergency.h"
#include "files/openfiles.h"
#include "files/quit.h"
#include "term/screen.h"
#include "term_fixture.h"

namespace {

class FilesEmergency : public kuterm::TermTest {
 protected:
  void SetUp() override {
    kuterm::TermTest::SetUp();
    ASSERT_NE(getcwd(cwd_, sizeof cwd_), nullptr);
    char tmpl[] = "/tmp/ku_files_emergency_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    ASSERT_EQ(chdir(dir_.c_str()), 0);
    dir_fd_ = open(dir_.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(dir_fd_, 0);
    ku_initializing = 1;
  }
  void TearDown() override {
    ku_initializing = 0;
    discard_all_files();
    close(dir_fd_);
    ASSERT_EQ(chdir(cwd_), 0);
    std::string cmd = "rm -rf '" + dir_ + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    kuterm::TermTest::TearDown();
  }
  void put(const std::string& rel, const std::string& text) {
    std::ofstream(dir_ + "/" + rel, std::ios::binary) << text;
  }
  std::string get(const std::string& rel) {
    std::ifstream in(dir_ + "/" + rel, std::ios::binary);
    EXPECT_TRUE(in.good()) << rel << " missing";
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  bool exists(const std::string& rel) {
    struct stat st;
    return stat((dir_ + "/" + rel).c_str(), &st) == 0;
  }
  void open_file(const char* name) {
    add_file(name);
    ASSERT_EQ(ku_exception, 0) << (name ? name : "(new)");
  }
  // Replaces the text of line i of a list in place (same or shorter length).
  static void set_line(ListHead& h, int i, const char* text) {
    LineNode* l = first_line(h);
    for (int k = 0; k < i; k++) l = next_line(l);
    l->length = static_cast<int32_t>(std::strlen(text));
    std::memcpy(l->text, text, std::strlen(text));
  }

  char cwd_[1024];
  std::string dir_;
  int dir_fd_ = -1;
};

TEST_F(FilesEmergency, CopiesOnlyChangedFilesBesideThemWithTheirLineEnds) {
  put("unix.txt", "one\ntwo\nthree\n");
  put("dos.txt", "alpha\r\nbeta\r\n");
  put("same.txt", "untouched\n");
  open_file("unix.txt");
  open_file("dos.txt");
  open_file("same.txt");
  open_file(nullptr);  // a new unnamed file, left empty: unchanged
  // unix.txt waits in its entry: edit its stored lines there.
  set_line(file_entry(0)->head, 1, "TWO");
  // dos.txt becomes current; its edit sits in the line buffer only.
  context_switch(curr_file_ix, 1);
  ASSERT_EQ(curr_line, first_line(curr_file));
  std::memset(line_buf.text, ' ', sizeof line_buf.text);
  std::memcpy(line_buf.text, "alphabet", 8);
  line_buf.length = 8;
  put("unix.txt.save", "someone else's\n");  // taken: the next variant is used

  // The copies go relative to the directory given, whatever the working directory.
  ASSERT_EQ(chdir("/"), 0);
  EXPECT_EQ(emergency_save_files(dir_fd_), 2);
  EXPECT_EQ(get("unix.txt.save"), "someone else's\n");
  EXPECT_EQ(get("unix.txt.save.1"), "one\nTWO\nthree\n");
  EXPECT_EQ(get("dos.txt.save"), "alphabet\r\nbeta\r\n");
  EXPECT_FALSE(exists("same.txt.save"));
  EXPECT_FALSE(exists("ku.save"));
  EXPECT_FALSE(exists("unix.txt.save.2"));
  // The originals are as they were, and the editor's state too.
  EXPECT_EQ(get("unix.txt"), "one\ntwo\nthree\n");
  EXPECT_EQ(get("dos.txt"), "alpha\r\nbeta\r\n");
  EXPECT_EQ(get("same.txt"), "untouched\n");
  EXPECT_EQ(line_buf.length, 8);
  struct stat st;
  ASSERT_EQ(stat((dir_ + "/dos.txt.save").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(FilesEmergency, UnnamedFilesGoToNumberedKuSave) {
  open_file(nullptr);
  set_line(curr_file, 0, "first");
  open_file(nullptr);
  set_line(curr_file, 0, "second");
  put("ku.save", "older\n");
  EXPECT_EQ(emergency_save_files(dir_fd_), 2);
  EXPECT_EQ(get("ku.save"), "older\n");
  EXPECT_EQ(get("ku.save.1"), "first\n");
  EXPECT_EQ(get("ku.save.2"), "second\n");
}

TEST_F(FilesEmergency, NamedFileThatDidNotExistYetAndARestoredEdit) {
  // A name given for a file that does not exist yet, as the command line does.
  open_file(nullptr);
  std::strcpy(curr_filename, "fresh.txt");
  std::strcpy(curr_file_des->name, "fresh.txt");
  curr_conn = 1234;
  set_line(curr_file, 0, "new text");
  put("back.txt", "abc\n");
  open_file("back.txt");
  set_line(curr_file, 0, "xyz");
  set_line(curr_file, 0, "abc");  // restored exactly: unchanged again
  EXPECT_EQ(emergency_save_files(dir_fd_), 1);
  EXPECT_EQ(get("fresh.txt.save"), "new text\n");
  EXPECT_FALSE(exists("back.txt.save"));
  EXPECT_FALSE(exists("fresh.txt"));
}

TEST_F(FilesEmergency, MissingDirectoryFallsBackToTheWorkingDirectory) {
  // A file whose directory no longer exists (permission bits would not stop
  // a test run by root): the copy goes to the working directory instead.
  ASSERT_EQ(mkdir((dir_ + "/gone").c_str(), 0755), 0);
  put("gone/f.txt", "keep\n");
  open_file("gone/f.txt");
  set_line(curr_file, 0, "edit");
  ASSERT_EQ(std::system(("rm -rf '" + dir_ + "/gone'").c_str()), 0);
  EXPECT_EQ(emergency_save_files(dir_fd_), 1);
  EXPECT_EQ(get("f.txt.save"), "edit\n");
}

}  // namespace
