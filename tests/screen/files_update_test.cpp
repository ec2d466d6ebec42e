// Update and the quit menu seen from the terminal: writing the current file
// with its own line ends, naming a new file, Abs/All, Save, Discard, Replace,
// Write to another name, and the exit status.
#include <sys/stat.h>

#include <string>
#include <vector>

#include "harness.h"

namespace {

using kutest::Options;
using kutest::Screen;

bool top_shows(const Screen& s, const std::string& text) { return s.row(0).find(text) != std::string::npos; }

std::unique_ptr<Screen> editor(std::vector<std::string> args, std::vector<std::pair<std::string, std::string>> files) {
  Options o;
  o.args = std::move(args);
  auto s = std::make_unique<Screen>(o);
  for (auto& [name, text] : files) s->write_file(name, text);
  EXPECT_TRUE(s->start());
  return s;
}

const char* const quit_menu = "Abs/All  Save  Discard/Quit  Replace  Write  Update : ";

struct LineEndCase {
  const char* before;
  const char* after;  // after typing "xy" at the start
};

class FilesUpdateLineEnds : public ::testing::TestWithParam<LineEndCase> {};

TEST_P(FilesUpdateLineEnds, TypedTextIsWrittenWithTheFilesOwnLineEnds) {
  const LineEndCase& c = GetParam();
  auto s = editor({"f.txt"}, {{"f.txt", c.before}});
  s->keys("xy<F11>");
  EXPECT_TRUE(top_shows(*s, "File has been written")) << s->dump();
  EXPECT_EQ(s->read_file("f.txt"), c.after);
  // Nothing is left unsaved, so Abs/All leaves at once.
  s->keys("<Esc>q");
  EXPECT_TRUE(top_shows(*s, quit_menu)) << s->dump();
  s->keys("A");
  ASSERT_TRUE(s->wait_exit());
  EXPECT_EQ(s->exit_status(), 0);
  EXPECT_EQ(s->read_file("f.txt"), c.after);
}

INSTANTIATE_TEST_SUITE_P(Files, FilesUpdateLineEnds,
                         ::testing::Values(LineEndCase{"one\ntwo\n", "xyone\ntwo\n"},
                                           LineEndCase{"one\r\ntwo\r\n", "xyone\r\ntwo\r\n"},
                                           LineEndCase{"one\ntwo\r\n", "xyone\r\ntwo\r\n"},
                                           LineEndCase{"last", "xylast\n"}, LineEndCase{"", "xy\n"}));

TEST(FilesUpdate, NewFileAsksForANameOnceThenShowsIt) {
  auto s = editor({}, {});
  s->keys("hello<F11>");
  EXPECT_TRUE(top_shows(*s, "Select/Type Filename to Write")) << s->dump();
  s->keys("new.txt<CR>");
  EXPECT_EQ(s->read_file("new.txt"), "hello\n");
  EXPECT_EQ(s->row(0).find("new.txt"), 0u) << s->dump();
  EXPECT_TRUE(top_shows(*s, "File has been written")) << s->dump();
  // Named now: the next update writes at once.
  s->keys("!<F11>");
  EXPECT_TRUE(top_shows(*s, "File has been written")) << s->dump();
  EXPECT_FALSE(s->contains("Select/Type")) << s->dump();
  EXPECT_EQ(s->read_file("new.txt"), "hello!\n");
}

TEST(FilesUpdate, NewFileNamedLikeAnExistingFileAsksBeforeReplacingIt) {
  auto s = editor({}, {{"exists.txt", "precious\n"}});
  s->keys("x<F11>exists.txt<CR>");
  EXPECT_TRUE(top_shows(*s, "File already exists: Overwrite ? ")) << s->dump();
  s->keys("n");
  EXPECT_TRUE(top_shows(*s, "File not written")) << s->dump();
  EXPECT_EQ(s->row(0).find("Unnamed File"), 0u) << s->dump();
  EXPECT_EQ(s->read_file("exists.txt"), "precious\n");
  // Asked again, and this time replaced.
  s->keys("<F11>exists.txt<CR>y");
  EXPECT_TRUE(top_shows(*s, "File has been written")) << s->dump();
  EXPECT_EQ(s->read_file("exists.txt"), "x\n");
}

TEST(FilesUpdate, CancelledNameLeavesTheNewFileUnwritten) {
  auto s = editor({}, {});
  s->keys("text<F11><Esc>q");
  EXPECT_TRUE(top_shows(*s, "No File Selected to Write")) << s->dump();
  EXPECT_SCREEN_ROW(*s, 2, "text");
}

TEST(FilesQuit, AllWithTwoChangedFilesAsksAndAnyKeyButYReturns) {
  auto s = editor({"a.txt", "b.txt", "c.txt"}, {{"a.txt", "a\n"}, {"b.txt", "b\n"}, {"c.txt", "c\n"}});
  s->keys("1<Esc>n2<Esc>n");
  EXPECT_EQ(s->row(0).find("c.txt"), 0u) << s->dump();
  for (const char* answer : {"n", "x", "<CR>"}) {
    s->keys("<Esc>qA");
    EXPECT_TRUE(top_shows(*s, "2 file(s) with unsaved changes. Are you sure? ")) << s->dump();
    s->keys(answer);
    EXPECT_TRUE(s->running()) << answer;
    EXPECT_EQ(s->row(0).find("c.txt"), 0u) << answer << "\n" << s->dump();
  }
  // Both changed files are still open with their edits.
  s->keys("<Esc>n");
  EXPECT_SCREEN_ROW(*s, 2, "1a");
  s->keys("<Esc>n");
  EXPECT_SCREEN_ROW(*s, 2, "2b");
  s->keys("<Esc>qAy");
  ASSERT_TRUE(s->wait_exit());
  EXPECT_EQ(s->exit_status(), 0);
  EXPECT_EQ(s->read_file("a.txt"), "a\n");
  EXPECT_EQ(s->read_file("b.txt"), "b\n");
}

TEST(FilesQuit, DiscardingTheOnlyFileAsksThenExitsWithStatus0) {
  auto s = editor({"a.txt"}, {{"a.txt", "a\n"}});
  s->keys("zz<Esc>qD");
  EXPECT_TRUE(top_shows(*s, "File has been modified: Are you sure ? (y or n) : ")) << s->dump();
  s->keys("n");
  EXPECT_TRUE(top_shows(*s, "File has been retained")) << s->dump();
  EXPECT_TRUE(s->running());
  int bells = s->bells();
  s->keys("<Esc>qQ");
  s->keys("k");  // neither yes nor no: kept, with the bell
  EXPECT_TRUE(top_shows(*s, "File has been retained")) << s->dump();
  EXPECT_GT(s->bells(), bells);
  s->keys("<Esc>qdy");
  ASSERT_TRUE(s->wait_exit());
  EXPECT_EQ(s->exit_status(), 0);
  EXPECT_EQ(s->read_file("a.txt"), "a\n");
}

TEST(FilesQuit, DiscardingOneOfTwoSwitchesOneOfThreeOffersTheList) {
  auto s = editor({"a.txt", "b.txt", "c.txt"}, {{"a.txt", "a\n"}, {"b.txt", "b\n"}, {"c.txt", "c\n"}});
  s->keys("<Esc>qD");
  EXPECT_TRUE(top_shows(*s, "Select Another File to Switch To")) << s->dump();
  EXPECT_TRUE(s->contains("b.txt")) << s->dump();
  EXPECT_FALSE(s->contains("a.txt")) << s->dump();
  s->keys("<Down><CR>");
  EXPECT_EQ(s->row(0).find("c.txt"), 0u) << s->dump();
  EXPECT_SCREEN_ROW(*s, 2, "c");
  // Two left: discarding one goes straight to the other.
  s->keys("<Esc>qD");
  EXPECT_EQ(s->row(0).find("b.txt"), 0u) << s->dump();
  EXPECT_SCREEN_ROW(*s, 2, "b");
  EXPECT_FALSE(s->contains("Switch To"));
  s->keys("<Esc>qD");
  ASSERT_TRUE(s->wait_exit());
  EXPECT_EQ(s->exit_status(), 0);
}

TEST(FilesQuit, SaveWritesAndClosesTheFile) {
  auto s = editor({"a.txt", "b.txt"}, {{"a.txt", "a\n"}, {"b.txt", "b\n"}});
  s->keys("new <Esc>qS");
  EXPECT_EQ(s->read_file("a.txt"), "new a\n");
  EXPECT_EQ(s->row(0).find("b.txt"), 0u) << s->dump();
  s->keys("B<Esc>qs");
  ASSERT_TRUE(s->wait_exit());
  EXPECT_EQ(s->exit_status(), 0);
  EXPECT_EQ(s->read_file("b.txt"), "Bb\n");
}

TEST(FilesQuit, SaveThatCannotWriteKeepsTheFileOpenAndChanged) {
  // A new file with no name chosen.
  auto s = editor({}, {});
  s->keys("keep me<Esc>qS");
  EXPECT_TRUE(top_shows(*s, "Select/Type Filename to Write")) << s->dump();
  s->keys("<Esc>q");
  EXPECT_TRUE(s->running());
  EXPECT_TRUE(top_shows(*s, "No File Selected to Write")) << s->dump();
  EXPECT_SCREEN_ROW(*s, 2, "keep me");

  // A name whose directory does not exist: the write fails.
  auto t = editor({"nodir/x.txt"}, {});
  t->keys("precious<Esc>qS");
  EXPECT_TRUE(t->running());
  EXPECT_TRUE(top_shows(*t, "Failed to write file")) << t->dump();
  EXPECT_SCREEN_ROW(*t, 2, "precious");
  // Still counted as changed: discarding asks first.
  t->keys("<Esc>qD");
  EXPECT_TRUE(top_shows(*t, "File has been modified")) << t->dump();
  t->keys("n");
  EXPECT_TRUE(t->running());
}

TEST(FilesQuit, WriteToAnotherNameKeepsTheNameAndTheChangedState) {
  auto s = editor({"a.txt"}, {{"a.txt", "abc\n"}});
  s->keys("x<Esc>qW");
  EXPECT_TRUE(top_shows(*s, "Select/Type Filename to Write")) << s->dump();
  s->keys("copy.txt<CR>");
  EXPECT_EQ(s->read_file("copy.txt"), "xabc\n");
  EXPECT_EQ(s->read_file("a.txt"), "abc\n");
  EXPECT_EQ(s->row(0).find("a.txt"), 0u) << s->dump();
  EXPECT_TRUE(top_shows(*s, "File has been written")) << s->dump();
  // a.txt itself was not written: it still counts as changed.
  s->keys("<Esc>qD");
  EXPECT_TRUE(top_shows(*s, "File has been modified")) << s->dump();
  s->keys("n");
  // An existing target is only replaced when the user says so.
  s->keys("<Esc>qWcopy.txt<CR>");
  EXPECT_TRUE(top_shows(*s, "File already exists: Overwrite ? ")) << s->dump();
  s->keys("n");
  EXPECT_TRUE(top_shows(*s, "File not written")) << s->dump();
  EXPECT_EQ(s->row(0).find("a.txt"), 0u) << s->dump();
  // Update still writes a.txt under its own name.
  s->keys("<F11>");
  EXPECT_EQ(s->read_file("a.txt"), "xabc\n");
}

TEST(FilesQuit, UnknownKeyBeepsAndTheMenuStays) {
  auto s = editor({"a.txt"}, {{"a.txt", "a\n"}});
  s->keys("<Esc>q");
  int bells = s->bells();
  s->keys("z");
  EXPECT_GT(s->bells(), bells);
  EXPECT_TRUE(top_shows(*s, quit_menu)) << s->dump();
  EXPECT_TRUE(top_shows(*s, "a.txt")) << s->dump();
  s->keys("<CR>");
  EXPECT_EQ(s->row(0).find("a.txt"), 0u) << s->dump();
  EXPECT_TRUE(s->running());
  s->keys("<Esc>qu");
  EXPECT_TRUE(top_shows(*s, "File has been written")) << s->dump();
}

TEST(FilesQuit, ReplaceOpensAnotherFileInsteadAndRetriesAFailure) {
  auto s = editor({"a.txt"}, {{"a.txt", "a\n"}, {"b.txt", "bee\n"}});
  s->keys("<Esc>qR");
  EXPECT_TRUE(top_shows(*s, "Select/Type Filename To Edit")) << s->dump();
  s->keys("missing.txt<CR>");
  EXPECT_TRUE(top_shows(*s, "Could not open. Again?")) << s->dump();
  s->keys("b.txt<CR>");
  EXPECT_EQ(s->row(0).find("b.txt"), 0u) << s->dump();
  EXPECT_SCREEN_ROW(*s, 2, "bee");
  // a.txt is no longer open.
  s->keys("<Esc>g");
  EXPECT_FALSE(s->contains("a.txt")) << s->dump();
  s->keys("<Esc>q");
  // Replacing with nothing chosen and no other file ends the editor.
  s->keys("<Esc>qR<Esc>q");
  ASSERT_TRUE(s->wait_exit());
  EXPECT_EQ(s->exit_status(), 0);
}

}  // namespace
