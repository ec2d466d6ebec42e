// Command dispatch and text entry seen from the terminal: repetition counts
// and the again command, typing in insert and overwrite mode, TAB and ENTER,
// with the file written back (F11) and read from disk where the stored text
// matters.
#include <cstdint>
#include <string>
#include <vector>

#include "editor_fixture.h"
#include "harness.h"

namespace {

using kutest::Options;
using kutest::Screen;

// The 52-byte options file with the given settings and the defaults
// otherwise (version stamp, margins -1/72, justification, default colours,
// match characters, mouse support).
std::string options_file(int tabstop, int input_xlate, int auto_indent, int text_wrapping) {
  std::string img(52, '\0');
  auto put32 = [&](int at, int32_t v) {
    auto u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; i++) img[static_cast<size_t>(at + i)] = static_cast<char>(u >> (24 - 8 * i));
  };
  auto put16 = [&](int at, int16_t v) {
    auto u = static_cast<uint16_t>(v);
    img[static_cast<size_t>(at)] = static_cast<char>(u >> 8);
    img[static_cast<size_t>(at + 1)] = static_cast<char>(u);
  };
  img.replace(0, 3, "35g");
  put32(4, tabstop);
  put32(8, input_xlate);
  put32(12, 0);
  put32(16, auto_indent);
  put32(20, text_wrapping);
  put32(28, -1);
  put32(32, 72);
  put32(36, 1);
  put16(40, -1);
  put16(42, -1);
  img[44] = '^';
  img[45] = '$';
  put32(48, 1);
  return img;
}

struct Start {
  std::string text;  // contents of f.txt
  int tabstop = 4, input_xlate = 1, auto_indent = 1, text_wrapping = 0;
};

// An editor on f.txt holding start.text.
std::unique_ptr<Screen> editor(const Start& start) {
  Options o;
  o.args = {"f.txt"};
  auto s = std::make_unique<Screen>(o);
  s->write_file("f.txt", start.text);
  s->write_file("~/.ku.opt", options_file(start.tabstop, start.input_xlate, start.auto_indent, start.text_wrapping));
  EXPECT_TRUE(s->start());
  return s;
}

std::string numbered(int n) {
  std::string t;
  for (int i = 1; i <= n; i++) t += "L" + std::string(i < 10 ? "0" : "") + std::to_string(i) + "\n";
  return t;
}

// Writes the file with the update command and returns it as stored.
std::string saved(Screen& s) {
  s.keys("<F11>");
  EXPECT_TRUE(s.row(0).find("File has been written") != std::string::npos) << s.dump();
  return s.read_file("f.txt");
}

using kufix::status_shows;

// --- repetition counts and the again command -------------------------------

struct CountCase {
  const char* keys;
  const char* first_line;  // shown on row 2 afterwards
  const char* why;
};

TEST(Dispatch, RepetitionCounts) {
  const CountCase cases[] = {
      {"<Esc>5l", "L06", "a count runs the command that often"},
      {"<Esc>1*3l", "L04", "'*' discards the 1, the 3 replaces the '*'"},
      {"<Esc>32<BS>l", "L04", "rubout removes the last digit"},
      {"<Esc>0l", "L02", "a count of 0 counts as 1"},
      {"<Esc>2<Enter>l", "lL01", "ENTER drops the count and leaves command mode"},
      {"<Esc>3l<Esc>7<F1>", "L07", "again repeats with its own count, not the 7"},
  };
  for (const CountCase& c : cases) {
    auto s = editor({numbered(40)});
    s->keys(c.keys);
    EXPECT_SCREEN_ROW(*s, 2, c.first_line) << c.keys << ": " << c.why << "\n" << s->dump();
    EXPECT_TRUE(status_shows(*s, "INS")) << c.keys << "\n" << s->dump();
  }
}

TEST(Dispatch, StarCountRunsUntilTheFileIsEmpty) {
  auto s = editor({numbered(40)});
  s->keys("<Esc>*l");
  EXPECT_SCREEN_ROWS(*s, 2, {"", ""});
  EXPECT_EQ(saved(*s), "\n");
}

TEST(Dispatch, CountIsEchoedAndTheNinthDigitBeeps) {
  auto s = editor({numbered(40)});
  s->keys("<Esc>12");
  EXPECT_EQ(s->row(0).substr(0, 4), "%12 ") << s->dump();
  s->keys("*");
  EXPECT_EQ(s->row(0).substr(0, 3), "%* ") << s->dump();
  s->keys("3456789");
  EXPECT_EQ(s->row(0).substr(0, 8), "%3456789") << s->dump();
  int bells = s->bells();
  s->keys("01");  // the eighth character is taken, the ninth beeps
  EXPECT_EQ(s->bells(), bells + 1);
  EXPECT_EQ(s->row(0).substr(0, 10), "%34567890 ") << s->dump();
  s->keys("<BS>");
  EXPECT_EQ(s->row(0).substr(0, 9), "%3456789 ") << s->dump();
  s->keys("<Enter>");
  EXPECT_SCREEN_ROW(*s, 2, "L01");
  EXPECT_TRUE(status_shows(*s, "INS")) << s->dump();
}

TEST(Dispatch, CountWithAnArrowRepeatsThePlainMotion) {
  auto s = editor({"one two three four\n"});
  s->keys("<Esc>3<Right>");
  EXPECT_SCREEN_CURSOR(*s, 2, 3);
}

TEST(Dispatch, UnknownCommandIsReportedAndTypingResumes) {
  auto s = editor({"abc\n"});
  s->keys("<Esc>y");
  EXPECT_TRUE(status_shows(*s, "Unknown command")) << s->dump();
  EXPECT_TRUE(status_shows(*s, "INS")) << s->dump();
  s->keys("x");
  EXPECT_SCREEN_ROW(*s, 2, "xabc");
}

TEST(Dispatch, AgainBeforeAnyAgainSetCommandTogglesTheTypingMode) {
  auto s = editor({"abc\n"});
  s->keys("<F1>");
  EXPECT_TRUE(status_shows(*s, "OVR")) << s->dump();
  s->keys("x");
  EXPECT_SCREEN_ROW(*s, 2, "xbc");
}

// --- typing ----------------------------------------------------------------

TEST(Entry, TypingBeyondTheEndWithWrappingOffKeepsTheBlanks) {
  auto s = editor({"abcde\n"});
  s->keys("<Right><Right><Right><Right><Right><Right><Right><Right><Right><Right>x");
  EXPECT_SCREEN_ROW(*s, 2, "abcde     x");
  EXPECT_SCREEN_CURSOR(*s, 2, 11);
  EXPECT_EQ(saved(*s), "abcde     x\n");
}

TEST(Entry, TypingBeyondTheEndWithWrappingOnBeepsAndMovesBack) {
  Start start{"abcde\n"};
  start.text_wrapping = 1;
  auto s = editor(start);
  s->keys("<Right><Right><Right><Right><Right><Right><Right><Right><Right><Right>");
  int bells = s->bells();
  s->keys("x");
  EXPECT_EQ(s->bells(), bells + 1);
  EXPECT_SCREEN_ROW(*s, 2, "abcdex");
  EXPECT_SCREEN_CURSOR(*s, 2, 6);
  EXPECT_EQ(saved(*s), "abcdex\n");
}

TEST(Entry, LineLimitInBothModes) {
  std::string full(381, 'a');
  full += 'b';  // 382 characters
  auto s = editor({full + "\n"});
  s->keys("x");
  EXPECT_TRUE(status_shows(*s, "Maximum line size reached")) << s->dump();
  // Overwrite mode still replaces up to column 381.
  s->keys("<Ins><End><Left>Z");
  EXPECT_FALSE(status_shows(*s, "Maximum line size reached")) << s->dump();
  s->keys("Y");
  EXPECT_TRUE(status_shows(*s, "Maximum line size reached")) << s->dump();
  EXPECT_EQ(saved(*s), std::string(381, 'a') + "Z\n");
}

TEST(Entry, InsertFillsALineUpToTheLimitThenRefuses) {
  auto s = editor({std::string(380, 'q') + "\n"});
  s->keys("<End>123");
  EXPECT_TRUE(status_shows(*s, "Maximum line size reached")) << s->dump();
  EXPECT_EQ(saved(*s), std::string(380, 'q') + "12\n");
}

TEST(Entry, OverwriteAtTheEndLengthensTheLine) {
  auto s = editor({"abc\nnext\n"});
  s->keys("<Right>XY<Ins>");  // insert two, then switch to overwrite
  s->keys("ZW!");
  EXPECT_SCREEN_ROW(*s, 2, "aXYZW!");
  EXPECT_EQ(saved(*s), "aXYZW!\nnext\n");
}

// --- TAB ---------------------------------------------------------------------

TEST(Entry, TabWithTranslationTypesBlanksToTheNextStop) {
  auto s = editor({"0123456789ab\n"});
  s->keys("<Right><Right><Right><Right><Right><Tab>");  // column 5 -> 8
  EXPECT_SCREEN_CURSOR(*s, 2, 8);
  s->keys("<Tab>");  // column 8 -> 12
  EXPECT_SCREEN_CURSOR(*s, 2, 12);
  EXPECT_SCREEN_ROW(*s, 2, "01234       56789ab");
  EXPECT_EQ(saved(*s), "01234       56789ab\n");
}

TEST(Entry, TabWithoutTranslationInsertsATabCharacter) {
  Start start{"0123456789ab\n"};
  start.input_xlate = 0;
  auto s = editor(start);
  s->keys("<Right><Right><Right><Right><Right><Tab><Right><Right><Tab>");  // columns 5 and 8
  EXPECT_SCREEN_ROW(*s, 2, "01234?56?789ab");
  EXPECT_SCREEN_CURSOR(*s, 2, 9);
  EXPECT_EQ(saved(*s), "01234\t56\t789ab\n");
}

// --- ENTER -----------------------------------------------------------------

TEST(Entry, EnterAtColumnZeroOpensALineAbove) {
  auto s = editor({"one\ntwo\n"});
  s->keys("<Down><Enter>");
  EXPECT_SCREEN_ROWS(*s, 2, {"one", "", "two", ""});
  EXPECT_SCREEN_CURSOR(*s, 4, 0);
  s->keys("<Up>new");
  EXPECT_EQ(saved(*s), "one\nnew\ntwo\n");
}

TEST(Entry, EnterInTheMiddleOfAnIndentedLine) {
  auto s = editor({"top\n    abc def\nafter\n"});
  s->keys("<Down><End><Left><Left><Left><Enter>");
  EXPECT_SCREEN_ROWS(*s, 2, {"top", "    abc", "    def", "after"});
  EXPECT_SCREEN_CURSOR(*s, 4, 4);
  EXPECT_EQ(saved(*s), "top\n    abc \n    def\nafter\n");
}

TEST(Entry, EnterAtTheEndOfAnIndentedLineThenTyping) {
  auto s = editor({"top\n    abc\nafter\n"});
  s->keys("<Down><End><Enter>");
  EXPECT_SCREEN_ROWS(*s, 2, {"top", "    abc", "", "after"});
  EXPECT_SCREEN_CURSOR(*s, 4, 4);
  s->keys("x");
  EXPECT_EQ(saved(*s), "top\n    abc\n    x\nafter\n");
}

TEST(Entry, EnterOnAnAllBlankLineReusesTheRememberedLevel) {
  auto s = editor({"      text\n  \nend\n"});
  s->keys("<End><Enter>");  // measures six, opens an empty line
  s->keys("<Down><End><Enter>");  // on "  ": all blank, the level stays six
  EXPECT_SCREEN_CURSOR(*s, 5, 6);
  s->keys("z");
  EXPECT_EQ(saved(*s), "      text\n\n  \n      z\nend\n");
}

TEST(Entry, EnterOnTheLastRowScrolls) {
  auto s = editor({numbered(40)});
  for (int i = 0; i < 21; i++) s->keys("<Down>", false);
  s->keys("<Right><Right>");
  ASSERT_SCREEN_ROW(*s, 23, "L22");
  s->keys("<Enter>");
  EXPECT_SCREEN_ROW(*s, 2, "L02");
  EXPECT_SCREEN_ROW(*s, 22, "L2");
  EXPECT_SCREEN_ROW(*s, 23, "2");
  EXPECT_SCREEN_CURSOR(*s, 23, 0);
  s->keys("<Enter>");  // column 0 on the last row: the opened line scrolls up too
  EXPECT_SCREEN_ROWS(*s, 2, {"L03"});
  EXPECT_SCREEN_ROWS(*s, 21, {"L2", "", "2"});
  EXPECT_SCREEN_CURSOR(*s, 23, 0);
}

// --- a long typing run ------------------------------------------------------

// A model of the typing modes for the keys the run uses, with auto indent on,
// TAB translation on, tab stop 4 and wrapping off.
class Model {
 public:
  explicit Model(std::vector<std::string> text) : lines_(std::move(text)) {}

  void key(const std::string& k) {
    std::string& l = lines_[y_];
    if (k == "<Left>") {
      if (x_ > 0) {
        x_--;
      } else if (y_ > 0) {
        y_--;
        x_ = static_cast<int>(lines_[y_].size());
      }
    } else if (k == "<Right>") {
      if (x_ < 382) x_++;
    } else if (k == "<Up>") {
      if (y_ > 0) y_--;
    } else if (k == "<Down>") {
      if (y_ + 1 < lines_.size()) y_++;
    } else if (k == "<Home>") {
      x_ = 0;
    } else if (k == "<End>") {
      x_ = static_cast<int>(l.size());
    } else if (k == "<Ins>") {
      overwrite_ = !overwrite_;
    } else if (k == "<Tab>") {
      int target = 4 * (x_ / 4 + 1);
      for (int n = target - x_; n > 0; n--) type(' ');
    } else if (k == "<Enter>") {
      enter();
    } else {
      type(k[0]);
    }
  }
  const std::vector<std::string>& lines() const { return lines_; }

 private:
  void type(char c) {
    std::string& l = lines_[y_];
    auto x = static_cast<size_t>(x_);
    if (overwrite_) {
      if (x_ > 381) return;
      if (l.size() <= x) l.resize(x + 1, ' ');
      l[x] = c;
    } else {
      if (l.size() > 381 || x_ > 381) return;
      if (l.size() < x) l.resize(x, ' ');
      l.insert(x, 1, c);
    }
    x_++;
  }
  void enter() {
    std::string& l = lines_[y_];
    if (x_ == 0) {
      lines_.insert(lines_.begin() + static_cast<long>(y_), "");
      y_++;
      return;
    }
    size_t w = 0;
    while (w < l.size() && l[w] == ' ') w++;
    if (!l.empty() && w != l.size()) level_ = static_cast<int>(w);
    std::string next;
    if (static_cast<size_t>(x_) < l.size()) {
      next = std::string(static_cast<size_t>(level_), ' ') + l.substr(static_cast<size_t>(x_));
      l.resize(static_cast<size_t>(x_));
    }
    lines_.insert(lines_.begin() + static_cast<long>(y_) + 1, next);
    y_++;
    x_ = level_;
  }

  std::vector<std::string> lines_;
  size_t y_ = 0;
  int x_ = 0;
  int level_ = 0;
  bool overwrite_ = false;
};

TEST(Entry, LongTypingRunLeavesExactlyTheModelledFile) {
  std::vector<std::string> start = {"int main() {", "  return 0;", "}", "", "  // tail"};
  const std::vector<std::string> keys = {
      "a", "b", "c", " ", "d", "e", "f", "<Enter>", "<Tab>", "x", "y", "<Enter>", "<Enter>", "<Up>", "<End>",
      "q", "<Left>", "<Left>", "r", "<Home>", "<Enter>", "<Down>", "<Down>", "<End>", "<Right>", "<Right>",
      "s", "<Ins>", "T", "U", "<Left>", "<Left>", "<Left>", "V", "<Ins>", "<Tab>", "w", "<Enter>", "k",
  };
  // A fixed pseudo-random run over the same keys and the letters, about
  // five hundred keys, appended to the hand-written start.
  const std::vector<std::string> pool = {"<Left>", "<Right>", "<Up>", "<Down>", "<Home>", "<End>", "<Enter>",
                                         "<Tab>", "<Ins>", " ", "(", ";", "m", "n", "o", "p", "1", "2", "="};
  std::vector<std::string> run = keys;
  uint32_t seed = 12345;
  for (int i = 0; i < 480; i++) {
    seed = seed * 1103515245u + 12345u;
    uint32_t r = (seed >> 16) % 40;
    run.push_back(r < pool.size() ? pool[r] : std::string(1, static_cast<char>('a' + r % 26)));
  }

  std::string text;
  for (const std::string& l : start) text += l + "\n";
  auto s = editor({text});
  Model model(start);
  std::string batch;
  for (const std::string& k : run) {
    model.key(k);
    batch += k;
  }
  s->keys(batch);
  std::string want;
  for (const std::string& l : model.lines()) want += l + "\n";
  EXPECT_EQ(saved(*s), want) << s->dump();
}

}  // namespace
