// The memory guard in the real editor: the first failed allocation warns
// once, gives back the reserve and the undo queue and goes on; the next one
// ends the editor with status 2, discarding every file without writing
// anything.  Failures are injected by test builds of the editor through
// KU_FAIL_ALLOC_AFTER (the successful allocations to allow before each
// failure, counted from the end of start-up).
#include <dirent.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "editor_fixture.h"
#include "harness.h"

namespace {

using kutest::Options;
using kutest::Screen;
using kufix::status_shows;

const char* const kWarning = "WARNING: KU is nearly out of memory - please save work and exit";
const char* const kError = "ERROR: KU is out of memory -  discarding all files and quitting";
const char* const kPressAnyKey = "> press any key to continue";

const std::string kFile = "one\ntwo\nthree\n";
const std::string kOther = "alpha\r\nbeta\r\n";

// The editor on f.txt and g.txt with the given failure schedule.
std::unique_ptr<Screen> failing_editor(const std::string& schedule) {
  Options o;
  o.args = {"f.txt", "g.txt"};
  o.env = {{"KU_FAIL_ALLOC_AFTER", schedule}};
  auto s = std::make_unique<Screen>(o);
  s->write_file("f.txt", kFile);
  s->write_file("g.txt", kOther);
  EXPECT_TRUE(s->start());
  return s;
}

std::set<std::string> entries(const std::string& dir) {
  std::set<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d))
      if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.insert(e->d_name);
    closedir(d);
  }
  return names;
}

// Types "<word><CR>" one key at a time until `text` shows on row 0; returns
// the number of whole lines typed before it did (-1 if it never did).
int type_lines_until(Screen& s, const std::string& text, int max_lines, std::string* typed) {
  for (int n = 0; n < max_lines; n++) {
    std::string word = "w" + std::to_string(n);
    for (char c : word + "\r") {
      s.raw(std::string(1, c));
      if (status_shows(s, text)) return n;
    }
    *typed += word + "\n";
  }
  return -1;
}

// Whether this build of the editor has the failure seam at all.
bool seams_built() {
#ifdef KU_TEST_SEAMS
  return true;
#else
  return false;
#endif
}

#define REQUIRE_SEAMS() \
  if (!seams_built()) GTEST_SKIP() << "the editor was built without KU_TEST_SEAMS"

TEST(MemoryGuard, FirstFailureWarnsOnceFreesTheUndoQueueAndGoesOn) {
  REQUIRE_SEAMS();
  auto s = failing_editor("12");
  std::string typed;
  int before = type_lines_until(*s, kWarning, 40, &typed);
  ASSERT_GE(before, 1) << "the warning never came, or came before any line was typed\n" << s->dump();
  EXPECT_SCREEN_ROW(*s, 2, kPressAnyKey);
  EXPECT_SCREEN_CURSOR(*s, 2, 0);
  s->keys("x");  // any key: the warning goes, editing goes on
  EXPECT_TRUE(s->running());
  EXPECT_FALSE(s->contains(kPressAnyKey)) << s->dump();
  // Editing goes on normally, and later allocations succeed.
  s->keys("after<CR>more<CR>");
  EXPECT_TRUE(s->contains("after")) << s->dump();
  EXPECT_FALSE(status_shows(*s, kError)) << s->dump();
  // What was typed before the warning can no longer be undone: the undo
  // queue was given back with the reserve.  Undo takes back only what came
  // after (a handful of records at most), never the earlier lines.
  for (int i = 0; i < 12; i++) s->keys("<C-z>");
  EXPECT_TRUE(s->contains("w0")) << s->dump();
  std::string text = kufix::saved(*s);
  EXPECT_EQ(text.rfind(typed, 0), 0u) << "file:\n" << text << "\nlines typed before the warning:\n" << typed;
  EXPECT_EQ(text.substr(text.size() - 10), "two\nthree\n");
  // The status panel agrees: at most the records made since the warning.
  s->keys("<Esc>s");
  std::string undo_row = s->row(11);
  s->keys("<CR>");
  EXPECT_EQ(undo_row.rfind("Undo Actions:    0 Actions in 0 Undo Items", 0), 0u) << undo_row;
  s->keys("<F12>a");
  if (s->running()) s->keys("y");
  ASSERT_TRUE(s->wait_exit());
  EXPECT_EQ(s->exit_status(), 0);
}

// The warning comes in the middle of a command; once it is gone the text
// window shows the file as it is and typing lands where the cursor is.
TEST(MemoryGuard, ScreenShowsTheFileAfterTheWarning) {
  REQUIRE_SEAMS();
  auto s = failing_editor("12");
  std::string typed;
  ASSERT_GE(type_lines_until(*s, kWarning, 40, &typed), 0) << s->dump();
  s->keys("x");
  s->keys("after<CR>more");
  std::vector<std::string> shown;
  for (int r = 2; r < s->height(); r++) {
    std::string row = s->row(r);
    row.erase(row.find_last_not_of(' ') + 1);
    shown.push_back(row);
  }
  std::string text = kufix::saved(*s);
  std::vector<std::string> want;
  for (size_t at = 0; at < text.size();) {
    size_t nl = text.find('\n', at);
    want.push_back(text.substr(at, nl - at));
    at = nl + 1;
  }
  want.resize(shown.size());
  EXPECT_EQ(shown, want) << s->dump();
  // The cursor is behind "more", and the status line is the file's again.
  auto more = std::find_if(want.begin(), want.end(), [](const std::string& l) { return l.rfind("more", 0) == 0; });
  ASSERT_NE(more, want.end()) << s->dump();
  EXPECT_SCREEN_CURSOR(*s, 2 + static_cast<int>(more - want.begin()), 4);
  EXPECT_FALSE(status_shows(*s, kWarning)) << s->dump();
  EXPECT_TRUE(status_shows(*s, "f.txt")) << s->dump();
}

// After the warning, the next failure ends the editor: the error, a key,
// and exit status 2 with neither file written, changed as both are, and no
// temporary file left behind.
TEST(MemoryGuard, SecondFailureExitsWithStatusTwoWritingNothing) {
  REQUIRE_SEAMS();
  auto s = failing_editor("30,25");
  // g.txt changed too: it is discarded like the current file.
  s->keys("<Esc>n");
  s->keys("changed ");
  s->keys("<Esc>n");
  std::string typed;
  ASSERT_GE(type_lines_until(*s, kWarning, 40, &typed), 0) << s->dump();
  s->keys("x");
  int more = type_lines_until(*s, kError, 60, &typed);
  ASSERT_GE(more, 0) << "no second failure\n" << s->dump();
  EXPECT_FALSE(status_shows(*s, kWarning));
  EXPECT_TRUE(s->contains(kPressAnyKey)) << s->dump();
  EXPECT_TRUE(s->running());
  s->keys("q", false);
  ASSERT_TRUE(s->wait_exit());
  EXPECT_EQ(s->exit_status(), 2);
  EXPECT_EQ(s->read_file("f.txt"), kFile);
  EXPECT_EQ(s->read_file("g.txt"), kOther);
  EXPECT_EQ(entries(s->dir()), (std::set<std::string>{"f.txt", "g.txt"}));
}

// A retry that fails as well ends the editor at once after the warning.
TEST(MemoryGuard, FailedRetryEndsTheEditor) {
  REQUIRE_SEAMS();
  auto s = failing_editor("3,0");
  std::string typed;
  ASSERT_GE(type_lines_until(*s, kWarning, 40, &typed), 0) << s->dump();
  s->keys("x");
  EXPECT_TRUE(status_shows(*s, kError)) << s->dump();
  EXPECT_SCREEN_ROW(*s, 2, kPressAnyKey);
  s->keys("y", false);
  ASSERT_TRUE(s->wait_exit());
  EXPECT_EQ(s->exit_status(), 2);
  EXPECT_EQ(s->read_file("f.txt"), kFile);
  EXPECT_EQ(entries(s->dir()), (std::set<std::string>{"f.txt", "g.txt"}));
}

// Without the variable the editor never fails on purpose.
TEST(MemoryGuard, NoScheduleNoFailure) {
  REQUIRE_SEAMS();
  auto s = failing_editor("");
  std::string typed;
  EXPECT_EQ(type_lines_until(*s, "out of memory", 8, &typed), -1) << s->dump();
  EXPECT_TRUE(s->running());
}

}  // namespace
