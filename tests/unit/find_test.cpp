// Find and replace driven through the dispatcher on a current file in an
// ncurses screen opened on /dev/null, with the prompts answered by a
// scripted keyboard: the matcher and its anchors, counts, the again
// command and the stop at the first occurrence, replacements with their
// limits, confirmation and undo, and the bookkeeping surviving deleted lines.
#include <curses.h>

#include <string>
#include <vector>

#include "core/dispatch.h"
#include "edit/find.h"
#include "input_fixture.h"
#include "term_fixture.h"
#include "undo/undo.h"

namespace {

using kuinput::type;
using kuinput::type_text;
using kuterm::line_at;
using kuterm::row_text;

// --- the matcher -----------------------------------------------------------

struct MatchCase {
  const char* find;
  const char* text;
  int start;
  int pos;  // where the occurrence begins; -1 none
};

TEST(SubstringOf, TableOfMatches) {
  set_default_options();
  const MatchCase cases[] = {
      {"abc", "xxabcabc", 0, 2},
      {"abc", "xxabcabc", 2, 2},
      {"abc", "xxabcabc", 3, 5},
      {"abc", "xxabcabc", 6, -1},
      {"abc", "xxabcab", 3, -1},       // a partial occurrence at the end
      {"aa", "aaa", 1, 1},
      {"ABC", "abc", 0, -1},           // exact case
      {"a", "", 0, -1},
      {"a", "abc", 10, -1},            // start beyond the text
      {"", "abc", 0, -1},              // an empty search string finds nothing
      {"^abc", "abcd", 0, 0},
      {"^abc", "abcd", 1, -1},         // only a search from column 0 sees the start
      {"^abc", "xabc", 0, -1},
      {"^abc", "ab", 0, -1},           // a line shorter than the rest
      {"^abc$", "abc$x", 0, 0},        // a trailing '$' is an ordinary character here
      {"^abc$", "abc", 0, -1},
      {"^", "", 0, 0},
      {"^", "xyz", 0, 0},
      {"^", "xyz", 1, -1},
      {"abc$", "xabc", 0, 1},
      {"abc$", "xabc", 1, 1},
      {"abc$", "xabc", 2, -1},         // the start has passed the occurrence
      {"abc$", "abcx", 0, -1},
      {"abc$", "bc", 0, -1},
      {"$", "xyz", 0, 3},
      {"$", "xyz", 3, 3},
      {"$", "xyz", 4, -1},
      {"$", "", 0, 0},
      {"x$y", "ax$y", 0, 1},           // '$' inside the string is ordinary
      {"a^", "ba^", 0, 1},
  };
  for (const MatchCase& c : cases) {
    int pos = c.start;
    int found = substring_of(c.find, c.text, static_cast<int>(std::strlen(c.find)), static_cast<int>(std::strlen(c.text)), &pos);
    EXPECT_EQ(found, c.pos >= 0 ? 1 : 0) << c.find << " in '" << c.text << "' from " << c.start;
    if (found) {
      EXPECT_EQ(pos, c.pos) << c.find << " in '" << c.text << "' from " << c.start;
    } else {
      EXPECT_EQ(pos, c.start) << "a failed match leaves the position";
    }
  }
}

TEST(SubstringOf, MatchCharactersComeFromTheOptions) {
  set_default_options();
  options.sol_match_char = '<';
  options.eol_match_char = '>';
  int pos = 0;
  EXPECT_EQ(substring_of("<ab", "abc", 3, 3, &pos), 1);
  EXPECT_EQ(pos, 0);
  pos = 0;
  EXPECT_EQ(substring_of("bc>", "abc", 3, 3, &pos), 1);
  EXPECT_EQ(pos, 1);
  pos = 0;
  EXPECT_EQ(substring_of("^ab", "x^ab", 3, 4, &pos), 1);  // now ordinary
  EXPECT_EQ(pos, 1);
  pos = 0;
  EXPECT_EQ(substring_of("ab$", "ab$c", 3, 4, &pos), 1);
  EXPECT_EQ(pos, 0);
  set_default_options();
}

TEST(SubstringOf, BytesAboveAsciiCompareExactly) {
  set_default_options();
  const char text[] = "caf\xe9 \xe9t\xe9";
  int pos = 0;
  EXPECT_EQ(substring_of("\xe9t", text, 2, 8, &pos), 1);
  EXPECT_EQ(pos, 5);
}

TEST(MatchedLength, AnchorsAreNotPartOfTheMatch) {
  set_default_options();
  int off = -1;
  EXPECT_EQ(matched_length("abc", 3, &off), 3);
  EXPECT_EQ(off, 0);
  EXPECT_EQ(matched_length("^abc", 4, &off), 3);
  EXPECT_EQ(off, 1);
  EXPECT_EQ(matched_length("abc$", 4, &off), 3);
  EXPECT_EQ(off, 0);
  EXPECT_EQ(matched_length("^", 1, &off), 0);
  EXPECT_EQ(matched_length("$", 1, &off), 0);
}

// --- the commands ----------------------------------------------------------

class FindTest : public kuterm::TermTest {
 protected:
  void SetUp() override {
    kuterm::TermTest::SetUp();
    kuinput::ScriptedInput::reset();
    init_undo_system();
    for (int i = 0; i < N_COMMANDS; i++) {
      in_again_cmd_set[i] = 0;
      undo_supported[i] = 1;
    }
    for (char c : std::string("blfrpxw#DWCXVkcu")) in_again_cmd_set[command_index(c)] = 1;
    find_buf[0] = 0;
    subs_buf[0] = 0;
    ag_last_cmd = 'I';
    ag_last_cmd_ix = 0;
    ag_last_reps = 1;
    last_cmd_ix = 0;
    rep_ix = 0;
    curr_file_des = nullptr;
  }
  void TearDown() override {
    EXPECT_TRUE(kuinput::keyboard.empty()) << "keys left unread";
    flush_undo_queue();
    kuterm::TermTest::TearDown();
  }

  static void show(const std::vector<std::string>& text) {
    kuterm::make_file(text);
    draw_curr_screen();
  }
  // Moves the cursor to column x of line i (0-based) as motion would.
  static void go(int i, int x) {
    update_curr_line();
    curr_line = line_at(i);
    curr_screen.cx = x;
    curr_screen.cy = update_curr_screen(2 + (i < 9 ? i : 9));
    draw_curr_screen();
    curr_line_num = 0;  // unknown: the commands must count
    curr_bwd_link = nullptr;
  }
  static void count(const std::string& n) {
    for (char c : n) cmd_processor(c);
  }
  // A fresh find: the previous string cleared with F10, the new one typed.
  static void find(const std::string& what, const std::string& n = "") {
    type({KEY_F(10)});
    type_text(what.c_str());
    type({'\n'});
    count(n);
    cmd_processor('f');
  }
  static void replace(const std::string& what, const std::string& with, const std::string& n = "") {
    type({KEY_F(10)});
    type_text(what.c_str());
    type({'\n', KEY_F(10)});
    type_text(with.c_str());
    type({'\n'});
    count(n);
    cmd_processor('r');
  }
  static void again() { cmd_processor('a'); }
  static void undo() { cmd_processor('u'); }

  static std::vector<std::string> file_lines() {
    update_curr_line();
    std::vector<std::string> v;
    for (LineNode* l = first_line(curr_file); l; l = l == last_line(curr_file) ? nullptr : next_line(l))
      v.emplace_back(l->text, static_cast<size_t>(l->length));
    return v;
  }
  // The cursor as (0-based line, column), the line counted afresh.
  static std::pair<int, int> at() {
    int i = 0;
    for (LineNode* l = first_line(curr_file); l && l != curr_line; l = next_line(l)) i++;
    return {i, curr_screen.cx};
  }
  static std::string message() { return std::string(ku_msg_buf).substr(0, std::string(ku_msg_buf).find_last_not_of(' ') + 1); }
  static std::string shown(int r) {
    std::string s = row_text(r);
    return s.substr(0, s.find_last_not_of(' ') + 1);
  }

  kuinput::ScriptedInput input_;
};

using Pos = std::pair<int, int>;

TEST_F(FindTest, FreshFindStaysOnAnOccurrenceAtTheCursorAndAgainMovesOn) {
  show({"one abc", "two", "abc three abc"});
  go(0, 4);
  find("abc");
  EXPECT_EQ(at(), Pos(0, 4));
  again();
  EXPECT_EQ(at(), Pos(2, 0));
  EXPECT_EQ(curr_line_num, 3);
  again();
  EXPECT_EQ(at(), Pos(2, 10));
  // Wrapping back to the first occurrence ends the round: the cursor stays
  // on the one found last.
  again();
  EXPECT_EQ(at(), Pos(2, 10));
  EXPECT_EQ(message(), "No more occurances: abc");
  EXPECT_EQ(curr_screen.cy, 4);
}

TEST_F(FindTest, CountFindsTheNthOccurrenceAndStarStopsAtTheFirst) {
  show({"x1", "x2", "x3", "x4"});
  find("x", "3");
  EXPECT_EQ(at(), Pos(2, 0));
  go(0, 0);
  find("x", "*");
  EXPECT_EQ(at(), Pos(3, 0));  // the last one before coming back to the first
  EXPECT_EQ(message(), "No more occurances: x");
}

TEST_F(FindTest, StartOfLineAnchorOnlyAtColumnZero) {
  show({"xabc", "abc", "zz abc"});
  go(0, 0);
  find("^abc");
  EXPECT_EQ(at(), Pos(1, 0));
  // On the cursor's own line only from column 0.
  go(1, 1);
  find("^abc");
  EXPECT_EQ(at(), Pos(1, 0));  // found after wrapping round to it
  go(1, 0);
  find("^abc");
  EXPECT_EQ(at(), Pos(1, 0));
}

TEST_F(FindTest, EndOfLineAnchorAndBothAnchors) {
  show({"abc x", "x abc", "abc$ yes", "abc"});
  go(0, 0);
  find("abc$");
  EXPECT_EQ(at(), Pos(1, 2));
  again();
  EXPECT_EQ(at(), Pos(3, 0));
  go(0, 1);
  find("^abc$");
  EXPECT_EQ(at(), Pos(2, 0));
}

TEST_F(FindTest, EmptyAnswerSearchesForThePreviousString) {
  show({"abc", "def", "abc"});
  go(0, 0);
  find("def");
  EXPECT_EQ(at(), Pos(1, 0));
  go(2, 0);
  // The prompt offers "def"; F10 empties it and ENTER keeps "def".
  type({KEY_F(10), '\n'});
  cmd_processor('f');
  EXPECT_EQ(at(), Pos(1, 0));
  EXPECT_STREQ(find_buf, "def");
  // ENTER on the offered string searches for it too.
  go(0, 0);
  type({'\n'});
  cmd_processor('f');
  EXPECT_EQ(at(), Pos(1, 0));
}

TEST_F(FindTest, PromptOffersThePreviousStringForEditing) {
  show({"abcd", "axbc"});
  go(0, 0);
  find("bcd");
  go(0, 0);
  type({'x', KEY_END, KEY_BACKSPACE, '\n'});  // "xbcd" then the last character rubbed out
  cmd_processor('f');
  EXPECT_STREQ(find_buf, "xbc");
  EXPECT_EQ(at(), Pos(1, 1));
}

TEST_F(FindTest, FailedSearchOnTheLastLineLeavesTheCursor) {
  show({"one", "two", "three"});
  go(2, 3);
  find("zzz");
  EXPECT_EQ(at(), Pos(2, 3));
  EXPECT_EQ(message(), "Not Found: zzz");
  EXPECT_EQ(curr_screen.cy, 4);
  // The message shows at most 28 characters of the string.
  find(std::string(40, 'q'));
  EXPECT_EQ(message(), "Not Found: " + std::string(28, 'q'));
  EXPECT_EQ(at(), Pos(2, 3));
}

TEST_F(FindTest, NoSearchStringFindsNothing) {
  show({"abc", ""});
  go(0, 1);
  type({'\n'});
  cmd_processor('f');
  EXPECT_EQ(at(), Pos(0, 1));
  EXPECT_EQ(message(), "No search string to find");
  // A replace without a search string asks for no replacement.
  type({'\n'});
  cmd_processor('r');
  EXPECT_EQ(message(), "No search string to find");
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"abc", ""}));
}

TEST_F(FindTest, AgainAfterAFailedFindReportsNoMore) {
  show({"abc"});
  find("zz");
  again();
  EXPECT_EQ(message(), "No more occurances: zz");
  EXPECT_EQ(at(), Pos(0, 0));
}

TEST_F(FindTest, FoundLineOffTheWindowIsShownOnRowEleven) {
  std::vector<std::string> text(100, "filler");
  text[60] = "target";
  show(text);
  find("target");
  EXPECT_EQ(at(), Pos(60, 0));
  EXPECT_EQ(curr_screen.cy, 11);
  EXPECT_EQ(shown(11), "target");
  EXPECT_EQ(shown(2), "filler");
  EXPECT_EQ(curr_line_num, 61);
}

// --- replacing ---------------------------------------------------------------

TEST_F(FindTest, StarReplaceDoublesEveryAOnceAdjacentOnesIncluded) {
  show({"banana", "aa", "xyz", "a"});
  replace("a", "aa", "*");
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"baanaanaa", "aaaa", "xyz", "aa"}));
  EXPECT_EQ(message(), "6 replacement(s) made");
  EXPECT_EQ(shown(2), "baanaanaa");
  EXPECT_EQ(shown(3), "aaaa");
  EXPECT_EQ(shown(5), "aa");
}

TEST_F(FindTest, ReplacementHoldingTheSearchStringLaterOn) {
  show({"a", "xa"});
  replace("a", "ba", "*");
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"ba", "xba"}));
  EXPECT_EQ(message(), "2 replacement(s) made");
}

TEST_F(FindTest, AnchorReplacementsPrefixAndSuffixEveryLineOnce) {
  show({"one", "", "three"});
  replace("^", "> ", "*");
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"> one", "> ", "> three"}));
  EXPECT_EQ(message(), "3 replacement(s) made");
  go(0, 0);
  replace("$", ";", "*");
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"> one;", "> ;", "> three;"}));
  EXPECT_EQ(message(), "3 replacement(s) made");
  go(1, 0);
  replace("three;$", "3", "*");
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"> one;", "> ;", "> 3"}));
}

TEST_F(FindTest, StarDeleteRemovesAdjacentOccurrences) {
  show({"abcabc x abc", "abcabcabc", "keep"});
  replace("abc", "", "*");
  EXPECT_EQ(file_lines(), (std::vector<std::string>{" x ", "", "keep"}));
  EXPECT_EQ(message(), "6 replacement(s) made");
  EXPECT_EQ(line_at(1)->length, 0);
}

TEST_F(FindTest, AnchoredDeleteTakesOneOccurrencePerLine) {
  show({"abcabc", "abcabc"});
  replace("^abc", "", "*");
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"abc", "abc"}));
}

TEST_F(FindTest, CountReplacesThatManyAndAgainGoesOn) {
  show({"w w", "w", "w w"});
  replace("w", "X", "2");
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"X X", "w", "w w"}));
  EXPECT_EQ(message(), "2 replacement(s) made");
  again();  // two more, without prompting
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"X X", "X", "X w"}));
  EXPECT_EQ(message(), "4 replacement(s) made");
  // The last one, then nothing left: an again that ends finding nothing
  // reports that instead of the count.
  again();
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"X X", "X", "X X"}));
  EXPECT_EQ(message(), "No more occurances: w");
}

TEST_F(FindTest, ReplacementMakingTheLineTooLongIsRefused) {
  std::string long_line = std::string(378, '.') + "ab";  // 380 characters
  show({long_line, "ab"});
  replace("ab", "abcde");  // 380 - 2 + 5 = 383
  EXPECT_EQ(message(), "Can't replace - makes line too long");
  EXPECT_EQ(file_lines()[0], long_line);
  // Later repetitions go on with the next occurrence.
  again();
  EXPECT_EQ(file_lines(), (std::vector<std::string>{long_line, "abcde"}));
  EXPECT_EQ(message(), "1 replacement(s) made");
  // 382 is still allowed; the anchor does not count in the search length.
  show({long_line});
  replace("ab$", "abcd");
  EXPECT_EQ(file_lines()[0].size(), 382u);
}

TEST_F(FindTest, VerifySuffixAsksAtEveryOccurrence) {
  show({"foo", "foo", "foo"});
  type({KEY_F(10)});
  type_text("foo");
  type({'\n', KEY_F(10)});
  type_text("xyz v");
  type({'\n', 'y', 'n', 'Y'});
  count("*");
  cmd_processor('r');
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"xyz", "foo", "xyz"}));
  EXPECT_STREQ(subs_buf, "xyz");
  EXPECT_EQ(message(), "2 replacement(s) made");
  // The next fresh replace asks again only when " v" is typed again.
  go(0, 0);
  type({KEY_F(10)});
  type_text("foo");
  type({'\n', '\n'});
  cmd_processor('r');
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"xyz", "xyz", "xyz"}));
}

TEST_F(FindTest, UndoPutsTheMatchedTextBack) {
  show({"say abc now", "abc"});
  go(0, 0);
  replace("abc", "XYZW", "*");
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"say XYZW now", "XYZW"}));
  undo();
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"say XYZW now", "abc"}));
  undo();
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"say abc now", "abc"}));
  EXPECT_EQ(at(), Pos(0, 4));
  EXPECT_EQ(shown(2), "say abc now");
  EXPECT_EQ(ku_undo_queue.count, 0);
  // Anchored replacements come back too.
  replace("^", "> ", "*");
  replace("$", ";", "*");
  for (int i = 0; i < 4; i++) undo();
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"say abc now", "abc"}));
}

TEST_F(FindTest, UndoOfAReplacementThatEmptiedTheLine) {
  show({"abc", "x"});
  replace("abc", "");
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"", "x"}));
  undo();
  EXPECT_EQ(file_lines(), (std::vector<std::string>{"abc", "x"}));
}

TEST_F(FindTest, UndoRecordNamesLineColumnAndBothTexts) {
  show({"a", "b", "xx b"});
  replace("b", "cc", "2");
  ASSERT_EQ(ku_undo_queue.count, 2);
  auto* r = static_cast<UndoItem*>(ku_undo_queue.first);
  EXPECT_EQ(r->type, UNDO_SUBSTITUTE);
  EXPECT_EQ(r->cmd_ix, 17);
  EXPECT_EQ(r->line, 2);
  EXPECT_EQ(r->col, 3);
  auto* s = static_cast<UndoSubstitution*>(r->data);
  EXPECT_EQ(std::string(s->matched, static_cast<size_t>(s->matched_length)), "b");
  EXPECT_EQ(std::string(s->replacement, static_cast<size_t>(s->replacement_length)), "cc");
}

// --- the bookkeeping between commands --------------------------------------

// Removes line i of the current file, as a deletion elsewhere would.
void remove_line(int i) {
  LineNode* l = line_at(i);
  if (curr_line == l) curr_line = l->next ? next_line(l) : prev_line(&curr_file, l);
  int err = 0;
  list_delete(&curr_file, l, &err);
  curr_screen.cy = update_curr_screen(2);
  ku_free(l);
  draw_curr_screen();
}

TEST_F(FindTest, AgainAfterTheFoundLinesWereDeleted) {
  show({"x1", "a", "x2", "x3"});
  find("x");
  again();
  again();
  EXPECT_EQ(at(), Pos(3, 0));
  // The last found line and the one before it go away; the cursor is left
  // on line 1.
  remove_line(3);
  remove_line(2);
  go(1, 0);
  again();  // wraps to the first occurrence: the round is over
  EXPECT_EQ(message(), "No more occurances: x");
  EXPECT_EQ(at(), Pos(1, 0));  // the last occurrence's line is gone: it stays
  // The first occurrence's line goes too: nothing is left to find.
  remove_line(0);
  show(file_lines());
  again();
  EXPECT_EQ(message(), "No more occurances: x");  // nothing left to find
  EXPECT_EQ(at(), Pos(0, 0));
}

TEST_F(FindTest, AgainInAnotherFileStartsItsOwnRound) {
  show({"x", "x"});
  find("x");
  again();
  EXPECT_EQ(at(), Pos(1, 0));
  FileNode other{};
  curr_file_des = &other;
  show({"y", "x", "x", "x"});
  go(0, 0);
  again();
  EXPECT_EQ(at(), Pos(1, 0));
  again();
  again();
  EXPECT_EQ(at(), Pos(3, 0));
  again();
  EXPECT_EQ(message(), "No more occurances: x");
  EXPECT_EQ(at(), Pos(3, 0));
  curr_file_des = nullptr;
}

TEST_F(FindTest, AgainAfterLinesWereReplacedByLongerOnes) {
  // Growing a line replaces its node; the bookkeeping names lines by
  // number, so the round still ends at the first occurrence.
  show({"ab", "ab"});
  find("b");
  std::memcpy(line_buf.text, "abbbbbbbbbbbbbbbbbbbbbbbb", 25);
  line_buf.length = 25;
  update_curr_line();
  again();
  EXPECT_EQ(at(), Pos(0, 2));
  for (int i = 0; i < 23; i++) again();
  EXPECT_EQ(at(), Pos(1, 1));
  again();
  EXPECT_EQ(message(), "No more occurances: b");
}

}  // namespace
