// Start-up: the terminal size check, the first screen, and the command-line forms.
#include <string>

#include "harness.h"

namespace {

using kutest::Options;
using kutest::Screen;

TEST(Startup, ShowsDividerAndHelpHintOn80x24) {
  Screen s;
  ASSERT_TRUE(s.start());
  EXPECT_SCREEN_ROW(s, 1, std::string(80, '-'));
  EXPECT_TRUE(s.row(0).find("ESC-h for Help") != std::string::npos) << s.dump();
  EXPECT_EQ(s.row(0).find("MacOSX KU v3.5g"), 0u) << s.dump();
  EXPECT_SCREEN_CURSOR(s, 2, 0);
  EXPECT_TRUE(s.running());
}

TEST(Startup, SmallestUsableTerminalStarts) {
  Options o;
  o.rows = 20;
  o.cols = 80;
  Screen s(o);
  ASSERT_TRUE(s.start());
  EXPECT_TRUE(s.running());
  EXPECT_SCREEN_ROW(s, 1, std::string(80, '-'));
}

struct SizeCase {
  int rows, cols;
  const char* message;
};

class UnusableSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(UnusableSize, ExplainsWaitsForAKeyAndExitsCleanly) {
  const SizeCase& c = GetParam();
  Options o;
  o.rows = c.rows;
  o.cols = c.cols;
  o.args = {"keep.txt"};
  Screen s(o);
  s.write_file("keep.txt", "untouched\n");
  ASSERT_TRUE(s.start());
  EXPECT_TRUE(s.contains(c.message)) << s.dump();
  EXPECT_TRUE(s.contains("press any key to exit")) << s.dump();
  EXPECT_TRUE(s.running());
  s.keys("x");
  ASSERT_TRUE(s.wait_exit());
  EXPECT_EQ(s.exit_status(), 0);
  EXPECT_EQ(s.read_file("keep.txt"), "untouched\n");
}

INSTANTIATE_TEST_SUITE_P(Sizes, UnusableSize,
                         ::testing::Values(SizeCase{24, 79, "KU requires at least 20 rows and 80 columns"},
                                           SizeCase{19, 80, "KU requires at least 20 rows and 80 columns"},
                                           SizeCase{24, 512, "KU cannot support screen sizes this large"},
                                           SizeCase{10, 512, "KU cannot support screen sizes this large"}));

TEST(Startup, ThreeNamesOpenThreeFilesAndEditTheFirst) {
  Options o;
  o.args = {"a", "b", "c"};
  Screen s(o);
  s.write_file("a", "alpha\n");
  s.write_file("b", "beta\n");
  s.write_file("c", "gamma\n");
  ASSERT_TRUE(s.start());
  EXPECT_TRUE(s.row(0).find("3 files opened") != std::string::npos) << s.dump();
  EXPECT_SCREEN_ROW(s, 2, "alpha");
}

TEST(Startup, MissingFileBecomesANewFileOfThatName) {
  Options o;
  o.args = {"fresh.txt"};
  Screen s(o);
  ASSERT_TRUE(s.start());
  // The hint covers the message area until the first key; the first key
  // brings the status line back with the new-file message gone, so the
  // message is checked in the transcript of what was drawn.
  EXPECT_TRUE(s.output().find("New File: fresh.txt") != std::string::npos ||
              s.contains("New File: fresh.txt"))
      << s.dump();
  EXPECT_SCREEN_ROW(s, 2, "");
  EXPECT_FALSE(s.file_exists("fresh.txt"));
}

TEST(Startup, LineOptionShowsTheLineMidScreen) {
  std::string text;
  for (int i = 1; i <= 30; i++) text += "line " + std::to_string(i) + "\n";
  struct {
    std::string n;
    int first_row_line;  // the line shown on row 2
    int cursor_row;
  } cases[] = {{"40", 21, 11}, {"0", 1, 2}, {"x", 1, 2}, {"25", 16, 11}};
  for (auto& c : cases) {
    Options o;
    o.args = {"f.txt", "-l", c.n};
    Screen s(o);
    s.write_file("f.txt", text);
    ASSERT_TRUE(s.start());
    EXPECT_SCREEN_ROW(s, 2, "line " + std::to_string(c.first_row_line)) << "-l " << c.n;
    EXPECT_EQ(s.cursor().row, c.cursor_row) << "-l " << c.n << "\n" << s.dump();
  }
}

TEST(Startup, LineOptionBeforeANameEndsTheListAtOnce) {
  Options o;
  o.args = {"-l", "5", "f.txt"};
  Screen s(o);
  s.write_file("f.txt", "text\n");
  ASSERT_TRUE(s.start());
  EXPECT_TRUE(s.row(0).find("1 files opened") != std::string::npos) << s.dump();
  EXPECT_SCREEN_ROW(s, 2, "");
}

}  // namespace
