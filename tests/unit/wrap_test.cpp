// Paragraph wrapping: the layout arithmetic over plain lines (a table of
// paragraphs and margins, the cursor following its character, random
// paragraphs keeping their words), the margins refused before any layout,
// and the wrap on the file: the paragraph replaced and recorded, undone
// exactly, the block of paragraphs, and wrap-as-you-type.
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "blocks/blocks.h"
#include "core/dispatch.h"
#include "edit/wrap.h"
#include "term_fixture.h"
#include "undo/undo.h"

namespace {

using Lines = std::vector<std::string>;

std::vector<std::string> words_of(const Lines& lines) {
  std::vector<std::string> w;
  for (const std::string& l : lines) {
    std::istringstream in(l);
    for (std::string s; in >> s;) w.push_back(s);
  }
  return w;
}

// --- the layout table -----------------------------------------------------

struct LayoutCase {
  const char* name;
  Lines para;
  int left, right;
  bool justify;
  WrapStatus status;
  Lines expected;  // when wrapped
};

const std::string kLong50(50, 'x');
const std::string kLong40(40, 'y');

const LayoutCase kLayoutCases[] = {
    {"prose at 72 unjustified",
     {"The editor keeps every file it edits wholly in memory, as a list of lines.",
      "Each line holds at most a few hundred characters, and",
      "a paragraph is a run of lines that are not empty. Wrapping takes the words of one paragraph",
      "and lays them out again between the margins, so that no line grows past the right margin."},
     -1, 72, false, WrapStatus::wrapped,
     {"The editor keeps every file it edits wholly in memory, as a list of",
      "lines. Each line holds at most a few hundred characters, and a",
      "paragraph is a run of lines that are not empty. Wrapping takes the",
      "words of one paragraph and lays them out again between the margins, so",
      "that no line grows past the right margin."}},
    {"prose at 72 justified",
     {"The editor keeps every file it edits wholly in memory, as a list of lines.",
      "Each line holds at most a few hundred characters, and",
      "a paragraph is a run of lines that are not empty. Wrapping takes the words of one paragraph",
      "and lays them out again between the margins, so that no line grows past the right margin."},
     -1, 72, true, WrapStatus::wrapped,
     {"The  editor  keeps  every  file  it edits wholly in memory, as a list of",
      "lines.  Each  line  holds  at  most  a  few  hundred  characters,  and a",
      "paragraph  is  a  run  of  lines  that are not empty. Wrapping takes the",
      "words  of  one paragraph and lays them out again between the margins, so",
      "that no line grows past the right margin."}},
    {"hanging indent",
     {"Wrapping keeps a hanging indent: the first line starts at the", "    margin and",
      "    the rest are indented by four."},
     -1, 40, false, WrapStatus::wrapped,
     {"Wrapping keeps a hanging indent: the", "    first line starts at the margin and",
      "    the rest are indented by four."}},
    {"hanging indent justified",
     {"Wrapping keeps a hanging indent: the first line starts at the", "    margin and",
      "    the rest are indented by four."},
     -1, 40, true, WrapStatus::wrapped,
     {"Wrapping  keeps  a  hanging  indent: the", "    first  line starts at the margin and",
      "    the rest are indented by four."}},
    {"numbered list item: padding only after the number",
     {"1.  The first item of a list keeps its", "    number and its hanging indent when it", "    is wrapped again."},
     -1, 30, true, WrapStatus::wrapped,
     {"1.  The  first  item of a list", "    keeps  its  number and its", "    hanging  indent when it is",
      "    wrapped again."}},
    {"bulleted list item",
     {"  - a bullet item whose text runs on", "    past the margin"},
     -1, 24, true, WrapStatus::wrapped,
     {"  - a  bullet item whose", "    text  runs  on  past", "    the margin"}},
    {"a word longer than the line stands alone, whole",
     {"see " + kLong50 + " here and there"},
     -1, 30, true, WrapStatus::wrapped,
     {"see", kLong50, "here and there"}},
    {"a first word too long after a deep first-line indent stays on the first line",
     {"        " + kLong40.substr(0, 30), "    more text"},
     -1, 20, true, WrapStatus::wrapped,
     {"        " + kLong40.substr(0, 30), "    more text"}},
    {"a following line with no blank is too dense",
     {"short line", kLong50},
     -1, 30, true, WrapStatus::too_dense, {}},
    {"a following line whose first blank lies beyond the margin is too dense",
     {"short", kLong40 + " x"},
     -1, 30, true, WrapStatus::too_dense, {}},
    {"a following long line with an early blank wraps",
     {"short", "ab " + kLong40},
     -1, 30, false, WrapStatus::wrapped,
     {"short ab", kLong40}},
    {"margins 10 and 40",
     {"Text that was typed without any indentation at all is moved to", "the left margin."},
     10, 40, false, WrapStatus::wrapped,
     {"          Text that was typed without", "          any indentation at all is",
      "          moved to the left margin."}},
    {"margins 10 and 40 justified",
     {"Text that was typed without any indentation at all is moved to", "the left margin."},
     10, 40, true, WrapStatus::wrapped,
     {"          Text  that  was  typed without", "          any   indentation  at  all  is",
      "          moved to the left margin."}},
    {"left margin 5 with the first line indented four more",
     {"        Indented first line of a paragraph", "    whose other lines are indented four."},
     5, 40, false, WrapStatus::wrapped,
     {"         Indented first line of a", "     paragraph whose other lines are", "     indented four."}},
    {"indents 0, 4, 0 change twice: every line takes the first's",
     {"no indent here", "    four here", "none again and the words go on"},
     -1, 20, false, WrapStatus::wrapped,
     {"no indent here four", "here none again and", "the words go on"}},
    {"left margin -1 keeps the paragraph's own indentation",
     {"      An indented paragraph keeps its", "      indentation when the left margin", "      is minus one."},
     -1, 36, false, WrapStatus::wrapped,
     {"      An indented paragraph keeps", "      its indentation when the left", "      margin is minus one."}},
    {"one line of exactly the margin is left alone",
     {std::string(30, 'a') + " " + std::string(41, 'b')},
     -1, 72, true, WrapStatus::short_line, {}},
    {"one line a character longer is wrapped",
     {std::string(30, 'a') + " " + std::string(42, 'b')},
     -1, 72, true, WrapStatus::wrapped,
     {std::string(30, 'a'), std::string(42, 'b')}},
    {"a short one-line paragraph is left alone",
     {"   just   this "},
     -1, 72, true, WrapStatus::short_line, {}},
    {"three words, 5 blanks to spread: gaps of 4 and 3",
     {"aaa bbb ccc dddddd"},
     -1, 16, true, WrapStatus::wrapped,
     {"aaa    bbb   ccc", "dddddd"}},
    {"three words, 4 blanks to spread: gaps of 3 and 3",
     {"aaa bbb ccc dddddd"},
     -1, 15, true, WrapStatus::wrapped,
     {"aaa   bbb   ccc", "dddddd"}},
    {"lines of blanks only hold no words",
     {"     ", "  "},
     -1, 3, true, WrapStatus::no_words, {}},
    {"blank lines inside a paragraph vanish with their blanks",
     {"one two", "      ", "three four five"},
     -1, 72, false, WrapStatus::wrapped,
     {"one two three four five"}},
};

TEST(WrapLayout, TableOfParagraphs) {
  for (const LayoutCase& c : kLayoutCases) {
    SCOPED_TRACE(c.name);
    WrapResult r = wrap_text(c.para, WrapSettings{c.left, c.right, c.justify});
    EXPECT_EQ(r.status, c.status);
    if (c.status == WrapStatus::wrapped) {
      EXPECT_EQ(r.lines, c.expected);
    }
  }
}

TEST(WrapLayout, LongWordsNeverExceedTheLongestEditableLine) {
  // A deep indentation gives way for a word that would otherwise make a line
  // longer than 382 characters; a word longer than that stands alone.
  const std::string w300(300, 'w');
  const std::string w383(383, 'v');
  WrapResult r = wrap_text({std::string(200, ' ') + "a b", std::string(200, ' ') + w300 + " c"},
                           WrapSettings{-1, 72, true});
  ASSERT_EQ(r.status, WrapStatus::wrapped);
  // The body indentation of 200 leaves no room: a word to a line.
  EXPECT_EQ(r.lines, (Lines{std::string(200, ' ') + "a", std::string(200, ' ') + "b", std::string(82, ' ') + w300,
                            std::string(200, ' ') + "c"}));

  r = wrap_text({"x " + w383.substr(0, 10), w383}, WrapSettings{0, 72, false});
  EXPECT_EQ(r.status, WrapStatus::too_dense);
  r = wrap_text({"x " + w383}, WrapSettings{0, 72, false});
  ASSERT_EQ(r.status, WrapStatus::wrapped);
  EXPECT_EQ(r.lines, (Lines{"x", w383}));
}

TEST(WrapLayout, UnusableMarginsAreNamed) {
  struct M {
    int left, right;
    bool usable;
  } const cases[] = {
      {-1, 72, true}, {0, 72, true},   {71, 72, true},   {-7, 1, true},   {0, 382, true},
      {72, 72, false}, {80, 72, false}, {-1, 383, false}, {-1, 512, false}, {-1, 0, false},
      {5, -3, false},
  };
  for (const M& m : cases) {
    SCOPED_TRACE(std::to_string(m.left) + "," + std::to_string(m.right));
    const char* why = wrap_margin_problem(m.left, m.right);
    EXPECT_EQ(why == nullptr, m.usable);
  }
  EXPECT_STREQ(wrap_margin_problem(-1, 400), "Right margin must be 1 to 382");
  EXPECT_STREQ(wrap_margin_problem(72, 72), "Left margin must be below right margin");
}

// --- the cursor -------------------------------------------------------------

struct CursorCase {
  const char* name;
  Lines para;
  int right;
  WrapPos at;
  Lines expected;
  WrapPos to;
};

TEST(WrapLayout, TheCursorFollowsItsCharacter) {
  const CursorCase cases[] = {
      {"inside a word carried to the next line", {"aaa bbb cccc"}, 10, {0, 10}, {"aaa bbb", "cccc"}, {1, 2}},
      {"right after the word being typed", {"aaa bbb cccc"}, 10, {0, 12}, {"aaa bbb", "cccc"}, {1, 4}},
      {"beyond the end counts as the end", {"aaa bbb cccc"}, 10, {0, 40}, {"aaa bbb", "cccc"}, {1, 4}},
      {"after a word and a blank: one blank stays", {"aaa bbb cccc "}, 10, {0, 13}, {"aaa bbb", "cccc "}, {1, 5}},
      {"after a word and blanks, mid-paragraph", {"aaa bbb cccc  ", "dd"}, 10, {0, 13}, {"aaa bbb", "cccc  dd"},
       {1, 5}},
      {"inside the leading blanks means the first word", {"  aaa bbb cccc", "  dd"}, 10, {0, 0},
       {"  aaa bbb", "  cccc dd"}, {0, 2}},
      {"on a blank line inside the paragraph", {"aaa bbb cccc", "   ", "dd"}, 10, {1, 1}, {"aaa bbb", "cccc  dd"},
       {1, 5}},
      {"on the number of a list item", {"10.  aaa bbb cccc", "     dd"}, 14, {0, 1}, {"10.  aaa bbb", "     cccc dd"},
       {0, 1}},
  };
  for (const CursorCase& c : cases) {
    SCOPED_TRACE(c.name);
    WrapResult r = wrap_text(c.para, WrapSettings{-1, c.right, false}, &c.at);
    ASSERT_EQ(r.status, WrapStatus::wrapped);
    EXPECT_EQ(r.lines, c.expected);
    EXPECT_EQ(r.cursor.line, c.to.line);
    EXPECT_EQ(r.cursor.col, c.to.col);
  }
}

TEST(WrapLayout, UnchangedParagraphsKeepTheCursorWithItsColumnCorrected) {
  WrapPos at{0, 30};
  WrapResult r = wrap_text({"  short"}, WrapSettings{}, &at);
  EXPECT_EQ(r.status, WrapStatus::short_line);
  EXPECT_EQ(r.cursor.col, 7);
  at = {0, 1};
  r = wrap_text({"  short"}, WrapSettings{}, &at);
  EXPECT_EQ(r.cursor.col, 2);
}

// --- random paragraphs -------------------------------------------------------

TEST(WrapLayout, RandomParagraphsKeepTheirWordsInOrder) {
  for (unsigned seed = 1; seed <= 400; seed++) {
    std::mt19937 rng(seed);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    WrapSettings s;
    s.right_margin = pick(1, 90);
    s.left_margin = pick(-2, s.right_margin - 1);
    s.right_justify = pick(0, 1) == 1;
    Lines para;
    int longest = 0;
    for (int i = pick(1, 8); i > 0; i--) {
      std::string line(static_cast<size_t>(pick(0, 6)), ' ');
      for (int w = pick(0, 12); w > 0; w--) {
        int len = pick(0, 9) == 0 ? pick(20, 120) : pick(1, 9);
        for (int k = 0; k < len; k++)
          line.push_back(k == 1 && pick(0, 4) == 0 ? '.' : static_cast<char>('a' + pick(0, 25)));
        line.append(static_cast<size_t>(pick(1, 3)), ' ');
      }
      if (pick(0, 1)) line.erase(line.find_last_not_of(' ') + 1);
      if (line.empty()) line = "x";
      longest = std::max(longest, static_cast<int>(line.size()));
      para.push_back(line);
    }
    WrapPos at{pick(0, static_cast<int>(para.size()) - 1), pick(0, 130)};
    for (const WrapPos* cursor : {static_cast<const WrapPos*>(nullptr), static_cast<const WrapPos*>(&at)}) {
      SCOPED_TRACE("seed " + std::to_string(seed) + (cursor ? " with cursor" : ""));
      WrapResult r = wrap_text(para, s, cursor);
      if (r.status != WrapStatus::wrapped) continue;
      EXPECT_EQ(words_of(r.lines), words_of(para));
      int rm = s.right_margin;
      for (size_t i = 0; i < r.lines.size(); i++) {
        const std::string& l = r.lines[i];
        int len = static_cast<int>(l.size());
        EXPECT_LE(len, std::max(382, longest));
        EXPECT_NE(l.find_first_not_of(' '), std::string::npos) << "a line of blanks only";
        // Past the margin a following line holds a single word; a justified
        // following line is exactly as long as the margin.
        if (i == 0) continue;
        size_t w = words_of({l}).size();
        if (len > rm) {
          EXPECT_EQ(w, 1u) << l;
        }
        if (s.right_justify && i + 1 < r.lines.size() && w > 1) {
          EXPECT_EQ(len, rm) << l;
        }
      }
      if (cursor) {
        ASSERT_LT(r.cursor.line, static_cast<int>(r.lines.size()));
        EXPECT_LE(r.cursor.col, static_cast<int>(r.lines[static_cast<size_t>(r.cursor.line)].size()));
      }
    }
  }
}

// --- on the file ---------------------------------------------------------------

class WrapFile : public kuterm::TermTest {
 protected:
  void SetUp() override {
    kuterm::TermTest::SetUp();
    init_undo_system();
    options.right_margin = 20;
    options.left_margin = -1;
    options.right_justify = 0;
    options.text_wrapping = 0;
    curr_rep = requested_reps = 1;
    curr_cmd = 'w';
    last_cmd_ix = 0;
    block.first = block.last = nullptr;
  }
  void TearDown() override {
    flush_undo_queue();
    block.first = block.last = nullptr;
    kuterm::TermTest::TearDown();
  }
  void show(const Lines& text) {
    kuterm::make_file(text);
    draw_curr_screen();
  }
  void go(int i, int x) {
    update_curr_line();
    curr_line = kuterm::line_at(i);
    curr_line_num = i + 1;
    curr_bwd_link = nullptr;
    display_new_screen(x);
  }
  static Lines file() {
    update_curr_line();
    Lines v;
    for (LineNode* l = first_line(curr_file); l; l = next_line(l))
      v.emplace_back(l->text, static_cast<size_t>(l->length));
    return v;
  }
  static int current_index() {
    int i = 0;
    for (LineNode* l = first_line(curr_file); l && l != curr_line; l = next_line(l)) i++;
    return i;
  }
  static std::string shown(int r) {
    std::string s = kuterm::row_text(r);
    return s.substr(0, s.find_last_not_of(' ') + 1);
  }
  static UndoItem* newest() { return undo_queue->count > 0 ? static_cast<UndoItem*>(undo_queue->first) : nullptr; }
};

const Lines kTwoParagraphs = {"one two three four five six", "seven", "", "eight nine ten eleven twelve", "thirteen"};

TEST_F(WrapFile, TheCommandWrapsOneParagraphAndMovesToTheNext) {
  show(kTwoParagraphs);
  go(1, 3);
  wrap_paragraph_cmd();
  EXPECT_EQ(file(), (Lines{"one two three four", "five six seven", "", "eight nine ten eleven twelve", "thirteen"}));
  EXPECT_EQ(current_index(), 2);
  EXPECT_EQ(curr_screen.cx, 0);
  EXPECT_EQ(curr_screen.cy, 4);
  EXPECT_EQ(get_curr_line_num(), 2);
  EXPECT_EQ(shown(2), "one two three four");
  EXPECT_EQ(shown(3), "five six seven");
  EXPECT_EQ(shown(5), "eight nine ten eleven twelve");
  ASSERT_NE(newest(), nullptr);
  EXPECT_EQ(newest()->type, UNDO_WRAP_PARA);
  EXPECT_EQ(newest()->line, 0);
  EXPECT_EQ(newest()->count, 2);

  // Again: the second paragraph, which ends the file.
  wrap_paragraph_cmd();
  EXPECT_EQ(file(), (Lines{"one two three four", "five six seven", "", "eight nine ten", "eleven twelve", "thirteen"}));
  EXPECT_EQ(current_index(), 5);
  EXPECT_EQ(curr_screen.cx, 8);
  EXPECT_EQ(shown(7), "thirteen");
}

TEST_F(WrapFile, UndoPutsTheParagraphBackExactly) {
  const Lines before = {"intro", "", "  one two  three four five six", "     seven eight", "   nine", "", "outro"};
  show(before);
  options.right_justify = 1;
  go(3, 2);
  wrap_paragraph_cmd();
  Lines wrapped = file();
  ASSERT_NE(wrapped, before);
  ASSERT_NE(newest(), nullptr);
  EXPECT_EQ(newest()->count, static_cast<int>(wrapped.size()) - 4);
  undo_cmd();
  EXPECT_EQ(file(), before);
  EXPECT_EQ(undo_queue->count, 0);
  EXPECT_EQ(current_index(), 2);
  EXPECT_EQ(curr_screen.cx, 0);
  for (int i = 0; i < static_cast<int>(before.size()); i++) EXPECT_EQ(shown(2 + i), before[static_cast<size_t>(i)]);
}

TEST_F(WrapFile, UndoOfAParagraphThatGrewOrShrank) {
  for (int margin : {8, 60}) {
    SCOPED_TRACE(margin);
    const Lines before = {"alpha beta gamma delta", "epsilon zeta eta theta", "iota"};
    show(before);
    options.right_margin = margin;
    go(0, 0);
    wrap_paragraph_cmd();
    ASSERT_NE(file(), before);
    undo_cmd();
    EXPECT_EQ(file(), before);
    EXPECT_EQ(shown(4), "iota");
    EXPECT_EQ(shown(5), "");
  }
}

TEST_F(WrapFile, UnusableMarginsChangeNothing) {
  show(kTwoParagraphs);
  go(0, 2);
  options.left_margin = 30;
  requested_reps = 5;
  wrap_paragraph_cmd();
  EXPECT_EQ(file(), kTwoParagraphs);
  EXPECT_EQ(undo_queue->count, 0);
  EXPECT_NE(std::string(ku_msg_buf).find("Left margin must be below right margin"), std::string::npos);
  EXPECT_EQ(requested_reps, curr_rep);
  EXPECT_EQ(current_index(), 0);
  EXPECT_EQ(curr_screen.cx, 2);
}

TEST_F(WrapFile, ATooDenseParagraphIsRecordedAndStepped) {
  const Lines text = {"short", std::string(30, 'z'), "", "next"};
  show(text);
  go(0, 0);
  wrap_paragraph_cmd();
  EXPECT_EQ(file(), text);
  EXPECT_NE(std::string(ku_msg_buf).find("Paragraph too dense to wrap"), std::string::npos);
  ASSERT_NE(newest(), nullptr);
  EXPECT_EQ(newest()->count, 2);
  EXPECT_EQ(current_index(), 2);
}

TEST_F(WrapFile, OnlyEmptyLinesAfterTheCursorLeaveTheFileAlone) {
  const Lines text = {"one two three four five six seven", "", "", ""};
  show(text);
  go(1, 0);
  wrap_paragraph_cmd();
  EXPECT_EQ(file(), text);
  EXPECT_EQ(undo_queue->count, 0);
  EXPECT_EQ(current_index(), 3);
}

TEST_F(WrapFile, BlockWrapCoversEveryParagraphOfTheBlock) {
  const Lines text = {"aa bb cc dd ee ff gg hh ii jj", "", "kk ll mm nn oo pp qq rr ss tt", "uu",
                      "",  "vv ww xx yy zz aa bb cc dd ee", "", "last paragraph stays as it is, long"};
  show(text);
  block.first = kuterm::line_at(0);
  block.last = kuterm::line_at(5);
  block_wrap();
  EXPECT_EQ(file(), (Lines{"aa bb cc dd ee ff", "gg hh ii jj", "", "kk ll mm nn oo pp", "qq rr ss tt uu", "",
                           "vv ww xx yy zz aa", "bb cc dd ee", "", "last paragraph stays as it is, long"}));
  EXPECT_EQ(current_index(), 8);
  // The range names lines of the file again: the wrapped ones at its ends.
  EXPECT_EQ(block.first, kuterm::line_at(0));
  EXPECT_EQ(block.last, kuterm::line_at(7));
  EXPECT_EQ(undo_queue->count, 3);
}

TEST_F(WrapFile, BlockWrapOfABlockEndingInsideTheLastParagraph) {
  const Lines text = {"", "aa bb cc dd ee ff gg hh ii jj", "kk"};
  show(text);
  block.first = kuterm::line_at(0);
  block.last = kuterm::line_at(1);
  block_wrap();
  EXPECT_EQ(file(), (Lines{"", "aa bb cc dd ee ff", "gg hh ii jj kk"}));
  EXPECT_EQ(current_index(), 2);
  EXPECT_EQ(curr_screen.cx, 14);
}

TEST_F(WrapFile, WrapLineActsFromTheMarginAndKeepsTheCursorOnItsCharacter) {
  options.text_wrapping = 1;
  show({"aaa bbb ccc ddd eee", "", "x"});
  go(0, 10);
  wrap_line(0);  // 19 characters: below the margin
  EXPECT_EQ(file(), (Lines{"aaa bbb ccc ddd eee", "", "x"}));
  EXPECT_EQ(undo_queue->count, 0);

  show({"aaa bbb ccc ddd eeeff", "", "x"});
  go(0, 18);  // on the second e of the word now past the margin
  wrap_line(0);
  EXPECT_EQ(line_buf.length, 5);  // the line is loaded for typing
  EXPECT_EQ(file(), (Lines{"aaa bbb ccc ddd", "eeeff", "", "x"}));
  EXPECT_EQ(current_index(), 1);
  EXPECT_EQ(curr_screen.cx, 2);
  EXPECT_EQ(curr_screen.cy, 3);
  ASSERT_NE(newest(), nullptr);
  EXPECT_EQ(newest()->type, UNDO_WRAP_PARA);
}

TEST_F(WrapFile, ForcedWrapLineOnAShortParagraphStillFollowsTheCursor) {
  show({"one two", "three", "", "x"});
  go(1, 2);
  wrap_line(1);
  EXPECT_EQ(file(), (Lines{"one two three", "", "x"}));
  EXPECT_EQ(current_index(), 0);
  EXPECT_EQ(curr_screen.cx, 10);
  EXPECT_EQ(curr_screen.cy, 2);
}

}  // namespace
