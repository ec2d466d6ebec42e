// Word and paragraph motion seen from the terminal: ESC-] and ESC-[ (and
// ESC with the arrows) within a line, ESC-W and ESC-Delete, ESC-} and ESC-{
// (and ESC with Up and Down) between paragraphs, at the ends of the line
// and of the file, and on text just typed.  Text is checked by writing the
// file with F11.
#include <memory>
#include <string>

#include "editor_fixture.h"
#include "harness.h"

namespace {

using kutest::Options;
using kutest::Screen;

using kufix::editor;

std::string saved(Screen& s) {
  s.keys("<F11>");
  EXPECT_NE(s.row(0).find("File has been written"), std::string::npos) << s.dump();
  return s.read_file("f.txt");
}

struct WordCase {
  const char* name;
  std::string text;
  // '|' separates key groups sent apart: ESC [ is also how terminal key
  // sequences begin, so the editor reads a key right after it as part of one.
  const char* keys;
  int row, col;        // the cursor afterwards
  std::string result;  // the file written afterwards
  int bells;           // bells rung by the keys
};

TEST(Words, WordMotionAndDeletion) {
  const WordCase cases[] = {
      {"word right from f of 'foo bar' stops on b", "foo bar\n", "<Esc>]", 2, 4, "foo bar\n", 0},
      {"word right again from the last word does nothing", "foo bar\n", "<Esc>]<Esc>]", 2, 4, "foo bar\n", 0},
      {"word left goes back to f", "foo bar\n", "<Esc>]<Esc>[", 2, 0, "foo bar\n", 0},
      {"the arrows with ESC move by words too", "foo bar\n", "<Esc><Right><Esc><Left><Esc><Right>", 2, 4, "foo bar\n",
       0},
      {"a parenthesis ends a word", "call(x, y);\n", "<Esc>]", 2, 5, "call(x, y);\n", 0},
      {"comma and blank are skipped together", "call(x, y);\n", "<Esc>]<Esc>]", 2, 8, "call(x, y);\n", 0},
      {"only delimiters after the last word: no move", "call(x, y);\n", "<Esc>]<Esc>]<Esc>]", 2, 8, "call(x, y);\n", 0},
      {"word left from beyond the text lands on the last word", "foo bar\n", "<Esc>20<Right><Esc>[", 2, 4, "foo bar\n",
       0},
      {"word left over leading delimiters only stays", "  (foo\n", "<Esc>2<Right><Esc>[", 2, 2, "  (foo\n", 0},
      {"word motion never leaves the line", "foo\nbar\n", "<Esc>]<Down><Esc>[", 3, 0, "foo\nbar\n", 0},
      {"delete word from the first blank takes the blank and the word", "foo bar baz\n", "<Esc>3<Right><Esc>W", 2, 3,
       "foo baz\n", 0},
      {"ESC-Delete deletes a word too", "foo bar baz\n", "<Esc>3<Right><Esc><Del>", 2, 3, "foo baz\n", 0},
      {"delete word on f leaves the blank", "foo bar\n", "<Esc>W", 2, 0, " bar\n", 0},
      {"delete word before only delimiters takes one character", "ab ...;\n", "<Esc>3<Right><Esc>W", 2, 3, "ab ..;\n",
       0},
      {"delete word on the last character rings the bell", "abc\n", "<Esc>2<Right><Esc>W", 2, 2, "abc\n", 1},
      {"delete word beyond the end rings the bell", "abc\n", "<Esc>9<Right><Esc>W", 2, 9, "abc\n", 1},
      {"word left acts on text just typed", "foo\n", "abc def <Esc>[", 2, 4, "abc def foo\n", 0},
      {"delete word acts on text just typed", "foo\n", "abc def <Esc>[|<Esc>W", 2, 4, "abc  foo\n", 0},
      {"word right acts on text just typed", "x\n", "ab cd<Home><Esc>]", 2, 3, "ab cdx\n", 0},
  };
  for (const WordCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto s = editor(c.text);
    int bells = s->bells();
    std::string keys = c.keys;
    for (size_t from = 0, bar; from <= keys.size(); from = bar + 1) {
      bar = keys.find('|', from);
      if (bar == std::string::npos) bar = keys.size();
      s->keys(keys.substr(from, bar - from));
    }
    EXPECT_SCREEN_CURSOR(*s, c.row, c.col);
    EXPECT_EQ(s->bells() - bells, c.bells);
    EXPECT_EQ(saved(*s), c.result);
  }
}

TEST(Words, UndoOfADeletedWord) {
  auto s = editor("foo bar baz\n");
  s->keys("<Esc>3<Right><Esc>W");
  EXPECT_SCREEN_ROW(*s, 2, "foo baz");
  s->keys("<Esc>u");
  EXPECT_SCREEN_ROW(*s, 2, "foo bar baz");
  EXPECT_EQ(saved(*s), "foo bar baz\n");
}

const char* const kParagraphs =
    "first one\n"   // 2
    "first two\n"   // 3
    "\n"            // 4
    "\n"            // 5
    "second one\n"  // 6
    "second two\n"  // 7
    "\n"            // 8
    "third one\n";  // 9, the last line, no empty line after it

struct ParaCase {
  const char* name;
  const char* keys;
  int row, col;
};

TEST(Words, ParagraphMotion) {
  const ParaCase cases[] = {
      {"down from inside a paragraph: the empty line after it", "<Esc>}", 4, 0},
      {"down from an empty line: the empty line after the next paragraph", "<Esc>}<Esc>}", 8, 0},
      {"down on the last paragraph: the end of the file's last line", "<Esc>}<Esc>}<Esc>}", 9, 9},
      {"down at the end of the file stays", "<Esc>}<Esc>}<Esc>}<Esc>}", 9, 9},
      {"ESC with the down arrow", "<Esc><Down><Esc><Down>", 8, 0},
      {"up on the non-empty first line stays there, at column 0", "<Esc>4<Right><Esc>{", 2, 0},
      {"up from inside a paragraph: its first line", "<Esc>5<Down><Esc>4<Right><Esc>{", 6, 0},
      {"up from a paragraph's first line: the first line of the one before", "<Esc>4<Down><Esc>{", 2, 0},
      {"up from the empty line after a paragraph: its first line", "<Esc>6<Down><Esc>{", 6, 0},
      {"up twice from there", "<Esc>6<Down><Esc>{<Esc>{", 2, 0},
      {"ESC with the up arrow", "<Esc>7<Down><Esc><Up>", 6, 0},
      {"up from the end of the last line", "<Esc>}<Esc>}<Esc>}<Esc>{", 6, 0},
  };
  for (const ParaCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto s = editor(kParagraphs);
    s->keys(c.keys);
    EXPECT_SCREEN_CURSOR(*s, c.row, c.col);
    EXPECT_EQ(saved(*s), kParagraphs);
  }
}

TEST(Words, ParagraphDownRebuildsTheWindowAroundAFarLine) {
  std::string text = "start\n";
  for (int i = 0; i < 60; i++) text += "line " + std::to_string(i) + "\n";
  text += "\nafter\n";
  auto s = editor(text);
  s->keys("<Esc>}");
  // The empty line after the 61-line paragraph is shown on row 11.
  EXPECT_SCREEN_CURSOR(*s, 11, 0);
  EXPECT_SCREEN_ROW(*s, 10, "line 59");
  EXPECT_SCREEN_ROW(*s, 12, "after");
  s->keys("<Esc>{");
  // Back to the first line of the file, which can only stand on row 2.
  EXPECT_SCREEN_CURSOR(*s, 2, 0);
  EXPECT_SCREEN_ROW(*s, 2, "start");
}

}  // namespace
