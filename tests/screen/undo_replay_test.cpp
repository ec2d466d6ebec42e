// Undo seen from the terminal: typed, overwritten and deleted text taken
// back one action at a time with CTL-z and ESC-u, counts beyond the queue,
// the empty queue, line ends split again, deleted lines put back in place,
// and the typing mode an undo leaves; the stored text is checked by writing
// the file (F11).
#include <memory>
#include <string>

#include "editor_fixture.h"
#include "harness.h"

namespace {

using kutest::Options;
using kutest::Screen;

using kufix::editor;

using kufix::status_shows;

using kufix::saved;

TEST(UndoScreen, ThreeTypedCharactersComeOffInThreeSteps) {
  auto s = editor("xyz\n");
  s->keys("abc");
  EXPECT_SCREEN_ROW(*s, 2, "abcxyz");
  s->keys("<C-z>");
  EXPECT_SCREEN_ROW(*s, 2, "abxyz");
  EXPECT_SCREEN_CURSOR(*s, 2, 2);
  s->keys("<C-z>");
  EXPECT_SCREEN_ROW(*s, 2, "axyz");
  s->keys("<C-z>");
  EXPECT_SCREEN_ROW(*s, 2, "xyz");
  EXPECT_SCREEN_CURSOR(*s, 2, 0);
  EXPECT_EQ(saved(*s), "xyz\n");
}

TEST(UndoScreen, ACountBeyondTheActionsUndoesAllWithoutAMessage) {
  auto s = editor("xyz\n");
  s->keys("ab");
  s->keys("<Esc>5u");
  EXPECT_SCREEN_ROW(*s, 2, "xyz");
  EXPECT_FALSE(status_shows(*s, "No undo actions available")) << s->dump();
  s->keys("<Esc>u");
  EXPECT_TRUE(status_shows(*s, "No undo actions available")) << s->dump();
  EXPECT_SCREEN_ROW(*s, 2, "xyz");
}

TEST(UndoScreen, ADeletedLineEndSplitsAgainWithoutIndentation) {
  // Auto-indent is on by default: the split must not indent "def".
  auto s = editor("top\n    abc\ndef\nend\n");
  s->keys("<Down><End><Del>");
  EXPECT_SCREEN_ROWS(*s, 2, {"top", "    abcdef", "end"});
  s->keys("<C-z>");
  EXPECT_SCREEN_ROWS(*s, 2, {"top", "    abc", "def", "end"});
  EXPECT_SCREEN_CURSOR(*s, 3, 7);
  EXPECT_EQ(saved(*s), "top\n    abc\ndef\nend\n");
}

TEST(UndoScreen, TheLastLineOfTheFileComesBackAtTheEnd) {
  auto s = editor("one\ntwo\nthree\n");
  s->keys("<Down><Down><F9>");
  EXPECT_SCREEN_ROWS(*s, 2, {"one", "two", ""});
  s->keys("<C-z>");
  EXPECT_SCREEN_ROWS(*s, 2, {"one", "two", "three", ""});
  EXPECT_SCREEN_CURSOR(*s, 4, 0);
  EXPECT_EQ(saved(*s), "one\ntwo\nthree\n");
}

TEST(UndoScreen, TwoDeleteLinesAtTheTopComeBackInOrder) {
  auto s = editor("one\ntwo\nthree\n");
  s->keys("<F9><F9>");
  EXPECT_SCREEN_ROWS(*s, 2, {"three", ""});
  s->keys("<C-z>");
  EXPECT_SCREEN_ROWS(*s, 2, {"two", "three", ""});
  s->keys("<C-z>");
  EXPECT_SCREEN_ROWS(*s, 2, {"one", "two", "three", ""});
  EXPECT_SCREEN_CURSOR(*s, 2, 0);
  EXPECT_EQ(saved(*s), "one\ntwo\nthree\n");
}

TEST(UndoScreen, EnterInAnIndentedLineIsUndoneWithItsIndentation) {
  auto s = editor("top\n    abc def\nnext\n");
  s->keys("<Down><Esc>8<Right><CR>");
  EXPECT_SCREEN_ROWS(*s, 2, {"top", "    abc", "    def", "next"});
  EXPECT_SCREEN_CURSOR(*s, 4, 4);
  s->keys("<C-z>");
  EXPECT_SCREEN_ROWS(*s, 2, {"top", "    abc def", "next", ""});
  EXPECT_SCREEN_CURSOR(*s, 3, 8);
  EXPECT_EQ(saved(*s), "top\n    abc def\nnext\n");
}

TEST(UndoScreen, UndoingTypedTextLeavesInsertMode) {
  auto s = editor("xyz\n");
  s->keys("ab<Ins>");
  EXPECT_TRUE(status_shows(*s, "OVR")) << s->dump();
  s->keys("<C-z>");
  EXPECT_SCREEN_ROW(*s, 2, "axyz");
  s->keys("Q");  // inserted, not written over the x
  EXPECT_SCREEN_ROW(*s, 2, "aQxyz");
  EXPECT_TRUE(status_shows(*s, "INS")) << s->dump();
}

TEST(UndoScreen, UndoingOverwrittenTextRestoresTheOldCharacters) {
  auto s = editor("wxyz\n");
  s->keys("<Ins>AB");
  EXPECT_SCREEN_ROW(*s, 2, "AByz");
  s->keys("<C-z>");
  EXPECT_SCREEN_ROW(*s, 2, "Axyz");
  EXPECT_SCREEN_CURSOR(*s, 2, 1);
  s->keys("<C-z>");
  EXPECT_SCREEN_ROW(*s, 2, "wxyz");
  EXPECT_SCREEN_CURSOR(*s, 2, 0);
  s->keys("Q");  // still overwriting
  EXPECT_SCREEN_ROW(*s, 2, "Qxyz");
  EXPECT_TRUE(status_shows(*s, "OVR")) << s->dump();
}

TEST(UndoScreen, OverwritingBeyondTheEndIsUndoneToTheOldLength) {
  auto s = editor("ab\n");
  s->keys("<Ins><End>XY");
  EXPECT_SCREEN_ROW(*s, 2, "abXY");
  s->keys("<Esc>2u");
  EXPECT_SCREEN_ROW(*s, 2, "ab");
  EXPECT_EQ(saved(*s), "ab\n");
}

TEST(UndoScreen, DeletedTextOfEveryKindComesBack) {
  auto s = editor("hello world\nsecond\nthird\n");
  s->keys("<Esc>6<Right><F10>");   // delete right: "hello "
  s->keys("<Down><Home><Esc>3<Right><Esc>d");  // delete left: "ond"
  s->keys("<BS>");                   // joins "ond" to "hello "
  s->keys("<Del><Del>");             // deletes "on"
  EXPECT_SCREEN_ROWS(*s, 2, {"hello d", "third"});
  s->keys("<Esc>*u");
  EXPECT_SCREEN_ROWS(*s, 2, {"hello world", "second", "third"});
  EXPECT_FALSE(status_shows(*s, "No undo actions available")) << s->dump();
  EXPECT_EQ(saved(*s), "hello world\nsecond\nthird\n");
}

// The Delete key with a count deletes characters as the plain
// delete-character command does, and each comes back with its own undo.
TEST(UndoScreen, ACountedDeleteKeyIsUndoneCharacterByCharacter) {
  auto s = editor("abcdefgh\nxy\n");
  s->keys("<Esc>3<Del>");
  EXPECT_SCREEN_ROW(*s, 2, "defgh");
  s->keys("<C-z>");
  EXPECT_SCREEN_ROW(*s, 2, "cdefgh");
  s->keys("<Esc>2u");
  EXPECT_SCREEN_ROW(*s, 2, "abcdefgh");
  EXPECT_SCREEN_CURSOR(*s, 2, 0);
  EXPECT_EQ(saved(*s), "abcdefgh\nxy\n");
}

TEST(UndoScreen, AnEmptyQueueSaysSo) {
  auto s = editor("abc\n");
  s->keys("<C-z>");
  EXPECT_TRUE(status_shows(*s, "No undo actions available")) << s->dump();
  EXPECT_SCREEN_ROW(*s, 2, "abc");
}

}  // namespace
