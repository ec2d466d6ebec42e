// File selection dialogs without a terminal: path splitting, the relative
// path of a chosen file, the page layouts, the directory listing order and
// the open-file listing with its changed flag.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/startup.h"
#include "files/dialog.h"
#include "files/openfiles.h"
#include "files/quit.h"
#include "term/terminal.h"
#include "term_fixture.h"

namespace {

struct RelCase {
  const char* start;
  const char* dir;
  const char* name;
  const char* expected;
};

class FilesRelativePath : public ::testing::TestWithParam<RelCase> {};

TEST_P(FilesRelativePath, GivesTheShortestSensibleForm) {
  const RelCase& c = GetParam();
  char out[256];
  ASSERT_EQ(relative_path(c.start, c.dir, c.name, out, sizeof out), 0);
  EXPECT_STREQ(out, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FilesRelativePath,
    ::testing::Values(
        // The four cases of a start in /home/u.
        RelCase{"/home/u", "/home/v", "a.txt", "../v/a.txt"}, RelCase{"/home/u", "/home/u/src", "b.c", "src/b.c"},
        RelCase{"/home/u", "/home/user2", "c.txt", "../user2/c.txt"}, RelCase{"/home/u", "/etc", "d", "/etc/d"},
        RelCase{"/home/u", "/home/u", "e", "e"}, RelCase{"/home/u", "/home/u/src/deep", "f", "src/deep/f"},
        RelCase{"/home/u", "/home", "g", "/home/g"},
        // The root directory as start or as the file's directory.
        RelCase{"/", "/etc", "d", "etc/d"}, RelCase{"/", "/", "d", "d"}, RelCase{"/home", "/", "d", "/d"},
        RelCase{"/home", "/etc", "d", "../etc/d"}));

TEST(FilesRelativePathLimit, TooLongForTheBufferGivesNothing) {
  char out[8];
  EXPECT_EQ(relative_path("/a", "/a", "longname.txt", out, sizeof out), -1);
  EXPECT_STREQ(out, "");
  EXPECT_EQ(relative_path("/a", "/a", "1234567", out, sizeof out), 0);
  EXPECT_STREQ(out, "1234567");
}

struct SplitCase {
  const char* path;
  int keep_slash;
  const char* dir;
  const char* name;
};

TEST(FilesAnalyzePathname, SplitsAtTheLastSlash) {
  const SplitCase cases[] = {
      {"/usr/local/notes.txt", 0, "/usr/local", "notes.txt"},
      {"/usr/local/notes.txt", 1, "/usr/local/", "notes.txt"},
      {"/notes", 0, "", "notes"},
      {"/notes", 1, "/", "notes"},
      {"notes", 0, "", "notes"},
      {"sub/", 0, "sub", ""},
      {"", 0, "", ""},
  };
  for (const SplitCase& c : cases) {
    char dir[64] = "x", name[64] = "x";
    EXPECT_EQ(analyze_pathname(c.path, dir, name, c.keep_slash), static_cast<int>(std::strlen(c.path))) << c.path;
    EXPECT_STREQ(dir, c.dir) << c.path;
    EXPECT_STREQ(name, c.name) << c.path;
  }
}

TEST(FilesDialogLayout, OpenAndGotoDialogsOn80x24AndLarger) {
  int saved_cols = physical_cols, saved_lines = physical_lines;
  physical_cols = 80;
  physical_lines = 24;
  init_ofd_page_parms();
  EXPECT_EQ(dialog_type, 1);
  EXPECT_EQ(cols_per_page, 2);
  EXPECT_EQ(rows_per_page, 14);
  EXPECT_EQ(entries_per_page, 28);
  EXPECT_EQ(DIR_ENTRY_LEN, 39);
  EXPECT_EQ(SELECTION_X_BASE, 2);
  EXPECT_EQ(SELECTION_Y_BASE, 5);
  EXPECT_EQ(PAGE_NUM_X, 66);
  EXPECT_EQ(PAGE_NUM_Y, 0);
  EXPECT_EQ(CURR_DIR_X, 12);
  EXPECT_EQ(CURR_DIR_Y, 3);
  EXPECT_EQ(CURR_DIR_LEN, 64);
  EXPECT_EQ(CURR_FILE_X, 14);
  EXPECT_EQ(CURR_FILE_Y, 20);
  EXPECT_EQ(CURR_FILE_LEN, 64);

  init_gfd_page_parms();
  EXPECT_EQ(dialog_type, 2);
  EXPECT_EQ(cols_per_page, 1);
  EXPECT_EQ(rows_per_page, 12);
  EXPECT_EQ(entries_per_page, 12);
  EXPECT_EQ(DIR_ENTRY_LEN, 53);
  EXPECT_EQ(CURR_DIR_X, 14);
  EXPECT_EQ(CURR_DIR_Y, 19);
  EXPECT_EQ(CURR_FILE_Y, 20);
  EXPECT_EQ(HEADERS_Y, 3);
  EXPECT_EQ(LINES_X, 55);
  EXPECT_EQ(CHARS_X, 63);
  EXPECT_EQ(CHANGED_X, 72);

  // 132 x 40: four columns widened to 32; 30 x 4 + 2 = 122 leaves 10 over.
  physical_cols = 132;
  physical_lines = 40;
  init_ofd_page_parms();
  EXPECT_EQ(cols_per_page, 4);
  EXPECT_EQ(rows_per_page, 30);
  EXPECT_EQ(entries_per_page, 120);
  EXPECT_EQ(DIR_ENTRY_LEN, 32);
  EXPECT_EQ(CURR_FILE_Y, 36);
  EXPECT_EQ(PAGE_NUM_X, 118);
  init_gfd_page_parms();
  EXPECT_EQ(cols_per_page, 1);
  EXPECT_EQ(rows_per_page, 28);
  EXPECT_EQ(DIR_ENTRY_LEN, 105);
  EXPECT_EQ(CHANGED_X, 124);
  EXPECT_EQ(CURR_DIR_Y, 35);

  // 92 columns: three columns of 30 take exactly 92, so no widening.
  physical_cols = 92;
  init_ofd_page_parms();
  EXPECT_EQ(cols_per_page, 3);
  EXPECT_EQ(DIR_ENTRY_LEN, 30);
  physical_cols = saved_cols;
  physical_lines = saved_lines;
}

// A scratch directory; the working directory is restored afterwards.
class FilesListing : public kuterm::TermTest {
 protected:
  void SetUp() override {
    kuterm::TermTest::SetUp();
    ASSERT_NE(getcwd(cwd_, sizeof cwd_), nullptr);
    char tmpl[] = "/tmp/ku_files_dialog_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override {
    ASSERT_EQ(chdir(cwd_), 0);
    std::string cmd = "rm -rf '" + dir_ + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    kuterm::TermTest::TearDown();
  }
  void touch(const std::string& rel, const std::string& text = "x\n") {
    FILE* f = std::fopen((dir_ + "/" + rel).c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs(text.c_str(), f);
    std::fclose(f);
  }
  void mkdir_(const std::string& rel) { ASSERT_EQ(mkdir((dir_ + "/" + rel).c_str(), 0755), 0); }

  struct Listed {
    std::vector<std::string> names;
    std::vector<int> dirs;
  };
  Listed list(const std::string& path, bool* ok) {
    int count = -1;
    FsEntry* l = load_ofd_entry_list(path.c_str(), &count);
    Listed r;
    *ok = l != nullptr;
    if (!l) return r;
    for (int i = 0; i < count; i++) {
      r.names.push_back(l[i].name);
      r.dirs.push_back(l[i].is_dir);
      EXPECT_EQ(l[i].line_count, 0);
      EXPECT_EQ(l[i].char_count, 0);
      EXPECT_EQ(l[i].changed, 0);
    }
    ku_free(l);
    return r;
  }

  char cwd_[1024];
  std::string dir_;
};

TEST_F(FilesListing, EmptyDirectoryHoldsDotAndDotDot) {
  bool ok = false;
  Listed l = list(dir_, &ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(l.names, (std::vector<std::string>{".", ".."}));
  EXPECT_EQ(l.dirs, (std::vector<int>{1, 1}));
  // The listing entered the directory.
  char now[1024];
  ASSERT_NE(getcwd(now, sizeof now), nullptr);
  EXPECT_EQ(std::string(now), dir_);
}

TEST_F(FilesListing, DirectoriesFirstEachGroupInAlphasortOrder) {
  for (const char* f : {"b", "A", "a", ".hidden", "Zz"}) touch(f);
  for (const char* d : {"zdir", "Bdir", ".git"}) mkdir_(d);
  ASSERT_EQ(symlink("Bdir", (dir_ + "/linkdir").c_str()), 0);
  ASSERT_EQ(symlink("nowhere", (dir_ + "/dangling").c_str()), 0);
  bool ok = false;
  Listed l = list(dir_, &ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(l.names, (std::vector<std::string>{".", "..", ".git", "Bdir", "linkdir", "zdir", ".hidden", "A", "Zz", "a",
                                               "b", "dangling"}));
  EXPECT_EQ(l.dirs, (std::vector<int>{1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0}));
}

TEST_F(FilesListing, DirectoryThatCannotBeEnteredGivesNoList) {
  bool ok = true;
  list(dir_ + "/missing", &ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(std::string(ku_msg_buf).rfind("Cannot enter selected directory", 0), 0u) << ku_msg_buf;
  // A plain file cannot be entered either.
  touch("plain");
  list(dir_ + "/plain", &ok);
  EXPECT_FALSE(ok);
}

TEST_F(FilesListing, OpenFilesListedWithSizesAndChangedFlag) {
  ASSERT_EQ(chdir(dir_.c_str()), 0);
  touch("one.txt", "abc\ndefg\n");
  touch("two.txt", "x\r\ny\r\nz\r\n");
  ku_initializing = 1;
  add_file("one.txt");
  ASSERT_EQ(ku_exception, 0);
  add_file("two.txt");
  ASSERT_EQ(ku_exception, 0);
  ku_initializing = 0;
  ASSERT_EQ(files_open, 2);
  ASSERT_EQ(curr_file_ix, 1);

  // Edit the current file (two.txt): "x" becomes "q" — same size, other sum.
  first_line(curr_file)->text[0] = 'q';
  int count = 0;
  FsEntry* l = load_gfd_entry_list(&count);
  ASSERT_NE(l, nullptr);
  ASSERT_EQ(count, 2);
  EXPECT_STREQ(l[0].name, "one.txt");
  EXPECT_EQ(l[0].line_count, 2);
  EXPECT_EQ(l[0].char_count, 9);
  EXPECT_EQ(l[0].changed, 0);
  EXPECT_STREQ(l[1].name, "two.txt");
  EXPECT_EQ(l[1].line_count, 3);
  EXPECT_EQ(l[1].char_count, 9);
  EXPECT_EQ(l[1].changed, 1);
  ku_free(l);

  // Restored exactly: no longer changed.
  first_line(curr_file)->text[0] = 'x';
  l = load_gfd_entry_list(&count);
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(l[1].changed, 0);
  ku_free(l);
  discard_all_files();
  EXPECT_EQ(files_open, 0);
  EXPECT_EQ(load_gfd_entry_list(&count), nullptr);
  EXPECT_EQ(count, 0);
}

}  // namespace
