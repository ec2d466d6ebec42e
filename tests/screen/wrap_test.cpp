// Paragraph wrapping seen from the terminal: ESC-w on a paragraph with the
// default margins, counted over several paragraphs and at the end of the
// file, undone; margins from ~/.ku.opt that cannot be used; and
// wrap-as-you-type, which must leave the same text as the wrap command and
// keep the cursor on the character it was on.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "harness.h"

namespace {

using kutest::Options;
using kutest::Screen;

struct Margins {
  int wrapping = 0;
  int left = -1;
  int right = 72;
  int justify = 1;
};

// The 52-byte options file: big-endian fields at fixed offsets, the
// defaults except for the wrapping fields.
std::string options_file(const Margins& m) {
  std::string img(52, '\0');
  auto put32 = [&](size_t at, int v) {
    auto u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; i++) img[at + static_cast<size_t>(i)] = static_cast<char>(u >> (24 - 8 * i));
  };
  img[0] = '3';
  img[1] = '5';
  img[2] = 'g';
  put32(4, 4);   // tab stop
  put32(8, 1);   // TAB key types blanks
  put32(12, 0);  // no compression on writing
  put32(16, 1);  // auto indent
  put32(20, m.wrapping);
  put32(24, 0);
  put32(28, m.left);
  put32(32, m.right);
  put32(36, m.justify);
  img[40] = img[41] = img[42] = img[43] = '\xff';  // default colours (-1)
  img[44] = '^';
  img[45] = '$';
  put32(48, 1);  // mouse support
  return img;
}

std::unique_ptr<Screen> editor(const std::string& text, const Margins* m = nullptr) {
  Options o;
  o.args = {"f.txt"};
  auto s = std::make_unique<Screen>(o);
  s->write_file("f.txt", text);
  if (m) s->write_file("~/.ku.opt", options_file(*m));
  EXPECT_TRUE(s->start());
  return s;
}

std::string saved(Screen& s) {
  s.keys("<F11>");
  EXPECT_NE(s.row(0).find("File has been written"), std::string::npos) << s.dump();
  return s.read_file("f.txt");
}

bool message_shows(const Screen& s, const std::string& text) { return s.row(0).find(text) != std::string::npos; }

const std::string kProse =
    "The editor keeps every file it edits wholly in memory, as a list of lines.\n"
    "Each line holds at most a few hundred characters, and\n"
    "a paragraph is a run of lines that are not empty. Wrapping takes the words of one paragraph\n"
    "and lays them out again between the margins, so that no line grows past the right margin.\n";

const std::string kProseWrapped =
    "The  editor  keeps  every  file  it edits wholly in memory, as a list of\n"
    "lines.  Each  line  holds  at  most  a  few  hundred  characters,  and a\n"
    "paragraph  is  a  run  of  lines  that are not empty. Wrapping takes the\n"
    "words  of  one paragraph and lays them out again between the margins, so\n"
    "that no line grows past the right margin.\n";

TEST(Wrap, TheCommandRefillsAndJustifiesOneParagraph) {
  auto s = editor(kProse + "\nnext paragraph\n");
  s->keys("<Down><Esc>w");
  EXPECT_SCREEN_ROWS(*s, 2,
                     {"The  editor  keeps  every  file  it edits wholly in memory, as a list of",
                      "lines.  Each  line  holds  at  most  a  few  hundred  characters,  and a",
                      "paragraph  is  a  run  of  lines  that are not empty. Wrapping takes the",
                      "words  of  one paragraph and lays them out again between the margins, so",
                      "that no line grows past the right margin.", "", "next paragraph", ""});
  // On the empty line after the paragraph.
  EXPECT_SCREEN_CURSOR(*s, 7, 0);
  EXPECT_EQ(saved(*s), kProseWrapped + "\nnext paragraph\n");
}

TEST(Wrap, ACountWrapsSuccessiveParagraphsAndStopsAtTheEndOfTheFile) {
  auto s = editor("\none two\nthree\n\nfour\nfive six\n");
  s->keys("<Esc>5w");
  EXPECT_SCREEN_ROWS(*s, 2, {"", "one two three", "", "four five six", ""});
  EXPECT_SCREEN_CURSOR(*s, 5, 13);
  EXPECT_EQ(saved(*s), "\none two three\n\nfour five six\n");
}

TEST(Wrap, UndoPutsTheParagraphBack) {
  const std::string text = "  one two\n    three four five six seven\neight\n\nafter\n";
  auto s = editor(text);
  s->keys("<Esc>w");
  EXPECT_SCREEN_ROWS(*s, 2, {"  one two three four five six seven eight", "", "after"});
  s->keys("<Esc>u");
  EXPECT_SCREEN_ROWS(*s, 2, {"  one two", "    three four five six seven", "eight", "", "after", ""});
  EXPECT_SCREEN_CURSOR(*s, 2, 0);
  EXPECT_EQ(saved(*s), text);
}

TEST(Wrap, UnusableMarginsFromTheOptionsFileAreRefused) {
  struct Bad {
    Margins m;
    const char* msg;
  } const cases[] = {
      {{0, 80, 72, 1}, "Left margin must be below right margin"},
      {{0, 72, 72, 1}, "Left margin must be below right margin"},
      {{0, -1, 400, 1}, "Right margin must be 1 to 382"},
      {{0, -1, 0, 1}, "Right margin must be 1 to 382"},
  };
  for (const Bad& c : cases) {
    SCOPED_TRACE(c.msg);
    auto s = editor(kProse, &c.m);
    int bells = s->bells();
    s->keys("<Esc>w");
    EXPECT_TRUE(message_shows(*s, c.msg)) << s->dump();
    EXPECT_EQ(s->bells() - bells, 1);
    EXPECT_SCREEN_CURSOR(*s, 2, 0);
    EXPECT_EQ(saved(*s), kProse);
  }
}

const char* const kTyped =
    "Typing past the right margin with text wrapping on moves the word being typed to the next line, "
    "and what is typed afterwards goes on there, so that the paragraph comes out as the wrap command "
    "would have made it.";

TEST(Wrap, WrapAsYouTypeMatchesTheWrapCommand) {
  Margins m{1, -1, 30, 1};
  auto typed = editor("", &m);
  typed->keys(kTyped);
  std::string as_typed = saved(*typed);

  m.wrapping = 0;
  auto commanded = editor("", &m);
  commanded->keys(kTyped);
  commanded->keys("<Esc>w");
  std::string by_command = saved(*commanded);

  EXPECT_EQ(as_typed, by_command);
  EXPECT_EQ(as_typed,
            "Typing  past  the right margin\n"
            "with  text  wrapping  on moves\n"
            "the  word  being  typed to the\n"
            "next  line,  and what is typed\n"
            "afterwards  goes  on there, so\n"
            "that  the  paragraph comes out\n"
            "as   the  wrap  command  would\n"
            "have made it.\n");
  // The cursor stays at the end of what was typed.
  EXPECT_SCREEN_CURSOR(*typed, 9, 13);
}

TEST(Wrap, WrapAsYouTypeKeepsTheCursorInsideTheWordItMoves) {
  Margins m{1, -1, 30, 1};
  auto s = editor("aaaa bbbb cccc dddd eeee ffff\n", &m);
  s->keys("<End><Left><Left>X");
  // Exactly at the margin a one-line paragraph stays as it is.
  EXPECT_SCREEN_ROWS(*s, 2, {"aaaa bbbb cccc dddd eeee ffXff", ""});
  EXPECT_SCREEN_CURSOR(*s, 2, 28);
  s->keys("X");
  EXPECT_SCREEN_ROWS(*s, 2, {"aaaa   bbbb   cccc  dddd  eeee", "ffXXff", ""});
  EXPECT_SCREEN_CURSOR(*s, 3, 4);
  s->keys("Y");
  EXPECT_SCREEN_ROWS(*s, 2, {"aaaa   bbbb   cccc  dddd  eeee", "ffXXYff", ""});
  EXPECT_EQ(saved(*s), "aaaa   bbbb   cccc  dddd  eeee\nffXXYff\n");
}

// A wrapped paragraph of 40 lines of six words w000 w001 ... (29 characters
// each, as a right margin of 30 lays them out), after 10 other lines and an
// empty one.
std::string long_paragraph_file() {
  std::string t;
  for (int i = 0; i < 10; i++) t += "filler " + std::to_string(i) + "\n";
  t += "\n";
  for (int l = 0; l < 40; l++) {
    for (int w = 0; w < 6; w++) {
      char word[8];
      std::snprintf(word, sizeof word, "w%03d", l * 6 + w);
      t += (w ? " " : "") + std::string(word);
    }
    t += "\n";
  }
  return t;
}

TEST(Wrap, WrapAsYouTypeKeepsTheWindowWhereItWas) {
  Margins m{1, -1, 30, 0};
  auto s = editor(long_paragraph_file(), &m);
  // Line 41 of the file (the paragraph's 30th) on row 18; the paragraph
  // begins far above the window.
  s->keys("<Esc>45<Down><Esc>5<Up><End>");
  ASSERT_SCREEN_ROW(*s, 2, "w078 w079 w080 w081 w082 w083");
  ASSERT_SCREEN_ROW(*s, 18, "w174 w175 w176 w177 w178 w179");
  s->keys("X");
  // The word typed into goes down a line and the cursor with it; nothing
  // above moves.
  EXPECT_SCREEN_ROW(*s, 2, "w078 w079 w080 w081 w082 w083");
  EXPECT_SCREEN_ROWS(*s, 18,
                     {"w174 w175 w176 w177 w178", "w179X w180 w181 w182 w183", "w184 w185 w186 w187 w188 w189"});
  EXPECT_SCREEN_CURSOR(*s, 19, 5);
}

TEST(Wrap, DeletingWithWrappingOnPullsTheNextWordsUp) {
  Margins m{1, -1, 30, 0};
  auto s = editor("aaaa bbbb cccc dddd eeee ff\ngg hh\n\nkept\n", &m);
  s->keys("<Del>");
  EXPECT_SCREEN_ROWS(*s, 2, {"aaa bbbb cccc dddd eeee ff gg", "hh", "", "kept"});
  EXPECT_SCREEN_CURSOR(*s, 2, 0);
  EXPECT_EQ(saved(*s), "aaa bbbb cccc dddd eeee ff gg\nhh\n\nkept\n");
}

TEST(Wrap, DeleteWordWithWrappingOnRewrapsOnceAndUndoesInTwoSteps) {
  Margins m{1, -1, 30, 0};
  const std::string text = "aaaa bbbb cccc dddd eeee ffff\ngg hh\n";
  auto s = editor(text, &m);
  s->keys("<Esc>W");
  EXPECT_SCREEN_ROWS(*s, 2, {" bbbb cccc dddd eeee ffff gg", "hh", ""});
  EXPECT_SCREEN_CURSOR(*s, 2, 1);
  s->keys("<Esc>u");
  EXPECT_SCREEN_ROWS(*s, 2, {" bbbb cccc dddd eeee ffff", "gg hh", ""});
  s->keys("<Esc>u");
  EXPECT_SCREEN_ROWS(*s, 2, {"aaaa bbbb cccc dddd eeee ffff", "gg hh", ""});
  EXPECT_EQ(saved(*s), text);
}

}  // namespace
