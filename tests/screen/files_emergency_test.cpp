// Emergency save seen from outside: the terminal goes away, or the editor
// gets SIGHUP or SIGTERM, while files have unsaved changes; the changed files
// are found in ".save" copies beside them and the originals are untouched.
#include <signal.h>

#include <string>

#include "harness.h"

namespace {

using kutest::Options;
using kutest::Screen;

enum class Loss { ClosePty, Hangup, Terminate };

class FilesEmergency : public ::testing::TestWithParam<Loss> {};

TEST_P(FilesEmergency, ChangedFilesAreCopiedAndOriginalsKept) {
  Options o;
  o.args = {"a.txt", "b.txt", "c.txt"};
  Screen s(o);
  s.write_file("a.txt", "a\n");
  s.write_file("b.txt", "b\r\nline 2\r\n");
  s.write_file("c.txt", "c\n");
  s.write_file("a.txt.save", "an older copy\n");
  ASSERT_TRUE(s.start());
  // a.txt edited and left; a new unnamed file edited and left; b.txt edited
  // last, its edit still in the line being typed; c.txt untouched.
  s.keys("x<Esc>en");
  s.keys("u");
  s.keys("<Esc>gb.txt<CR>");
  ASSERT_EQ(s.row(0).rfind("b.txt ", 0), 0u) << s.dump();
  s.keys("y");
  ASSERT_SCREEN_ROW(s, 2, "yb");

  switch (GetParam()) {
    case Loss::ClosePty:
      s.close_pty();
      break;
    case Loss::Hangup:
      s.signal(SIGHUP);
      break;
    case Loss::Terminate:
      s.signal(SIGTERM);
      break;
  }
  ASSERT_TRUE(s.wait_exit());
  switch (GetParam()) {
    case Loss::ClosePty:
      // The hang-up signal or the failing terminal read, whichever comes
      // first: both end the editor as a hang-up does.
    case Loss::Hangup:
      EXPECT_EQ(s.exit_status(), 128 + SIGHUP);
      break;
    case Loss::Terminate:
      EXPECT_EQ(s.exit_status(), 128 + SIGTERM);
      break;
  }
  EXPECT_EQ(s.read_file("a.txt.save"), "an older copy\n");
  EXPECT_EQ(s.read_file("a.txt.save.1"), "xa\n");
  EXPECT_EQ(s.read_file("b.txt.save"), "yb\r\nline 2\r\n");
  EXPECT_EQ(s.read_file("ku.save"), "u\n");
  EXPECT_FALSE(s.file_exists("c.txt.save"));
  EXPECT_FALSE(s.file_exists("a.txt.save.2"));
  EXPECT_EQ(s.read_file("a.txt"), "a\n");
  EXPECT_EQ(s.read_file("b.txt"), "b\r\nline 2\r\n");
  EXPECT_EQ(s.read_file("c.txt"), "c\n");
}

INSTANTIATE_TEST_SUITE_P(Files, FilesEmergency, ::testing::Values(Loss::ClosePty, Loss::Hangup, Loss::Terminate),
                         [](const ::testing::TestParamInfo<Loss>& i) {
                           return i.param == Loss::ClosePty ? "ClosePty"
                                  : i.param == Loss::Hangup ? "Hangup"
                                                            : "Terminate";
                         });

TEST(FilesEmergencyNothing, NothingChangedNothingWritten) {
  Options o;
  o.args = {"a.txt"};
  Screen s(o);
  s.write_file("a.txt", "a\n");
  ASSERT_TRUE(s.start());
  s.keys("x<BS>");  // edited and restored exactly
  s.signal(SIGTERM);
  ASSERT_TRUE(s.wait_exit());
  EXPECT_EQ(s.exit_status(), 128 + SIGTERM);
  EXPECT_FALSE(s.file_exists("a.txt.save"));
  EXPECT_FALSE(s.file_exists("ku.save"));
  EXPECT_EQ(s.read_file("a.txt"), "a\n");
}

}  // namespace
