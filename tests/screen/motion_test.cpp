// Cursor motion and paging seen from the terminal: arrows with their one-row
// scrolling, the remembered column, page and half-page scrolls, the ends of
// the file and the horizontal half-screen scrolls, at 80x24 and 132x40.
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "harness.h"

namespace {

using kutest::Options;
using kutest::Screen;

constexpr int kLines = 300;

// Line i (1-based) of the generated file: "L0007 " and 60 more characters,
// except that every line numbered 10k+5 is empty, so that a column can be
// carried through a short line.
std::string line_text(int i) {
  if (i % 10 == 5) return "";
  char head[16];
  std::snprintf(head, sizeof head, "L%04d ", i);
  std::string s = head;
  for (int c = 0; c < 60; c++) s.push_back(static_cast<char>('a' + (i + c) % 26));
  return s;
}

std::string generated_file(int n) {
  std::string t;
  for (int i = 1; i <= n; i++) t += line_text(i) + "\n";
  return t;
}

std::unique_ptr<Screen> editor(int rows, int cols, const std::string& text) {
  Options o;
  o.rows = rows;
  o.cols = cols;
  o.args = {"f.txt"};
  auto s = std::make_unique<Screen>(o);
  s->write_file("f.txt", text);
  EXPECT_TRUE(s->start());
  return s;
}

// The text of the 40-column message area of row 0.
std::string message(const Screen& s) {
  int h = (s.width() - 81) / 2;
  return s.row(0).substr(static_cast<size_t>(s.width() - 55 - h), 40);
}

// Where the editor stands, as the info command reports it and the screen
// shows it: 1-based line and column, the cursor row, and the number of the
// line on row 2 (0 when row 2 shows no numbered line).
struct Where {
  int line = 0, col = 0, row = 0, top = 0;
};

Where where(Screen& s) {
  Where w;
  w.row = s.cursor().row;
  // Row 2 may show one of the empty lines: count back from the first
  // numbered row.
  for (int r = 2; r < 4 && w.top == 0; r++) {
    std::string t = s.row(r);
    if (t.size() > 5 && t[0] == 'L') w.top = std::atoi(t.substr(1, 4).c_str()) - (r - 2);
  }
  s.keys("<Esc>i");
  std::string m = message(s);
  if (std::sscanf(m.c_str(), "ln:%d col:%d", &w.line, &w.col) != 2) ADD_FAILURE() << "no position message\n" << s.dump();
  return w;
}

struct Geometry {
  int rows, cols;
  int page() const { return rows - 3; }
  int half() const { return (rows - 3) / 2; }
};

// One motion case: keys to reach the start, the keys under test, and the
// expected result as a function of the terminal geometry.  A negative
// expectation is not checked; `msg` must appear in the message area right
// after the keys (before the position is asked for).
struct MotionCase {
  const char* name;
  const char* setup;
  const char* keys;
  std::function<Where(const Geometry&)> expect;
  std::function<std::string(const Geometry&)> msg;
};

std::string no_msg(const Geometry&) { return ""; }

std::string ln_msg(int n) { return "ln:" + std::to_string(n) + " "; }

const MotionCase kMotionCases[] = {
    {"left at column 0 of the first line does nothing", "", "<Left>",
     [](const Geometry&) { return Where{1, 1, 2, 1}; }, no_msg},
    {"left at column 0 on row 2 scrolls down and lands after the previous line's text", "<PgDn>", "<Left>",
     [](const Geometry& g) {
       int l = g.page();  // the page put line page + 1 on row 2
       return Where{l, static_cast<int>(line_text(l).size()) + 1, 2, l};
     },
     no_msg},
    {"left at column 0 of a middle row moves up without scrolling", "<Down><Down><Down>", "<Left>",
     [](const Geometry&) { return Where{3, 67, 4, 1}; }, no_msg},
    {"the column is kept on an empty line", "<Down><Down><Esc>30<Right>", "<Down><Down>",
     [](const Geometry&) { return Where{5, 31, 6, 1}; }, no_msg},
    {"the column is kept through an empty line", "<Down><Down><Esc>30<Right>", "<Down><Down><Down><Down>",
     [](const Geometry&) { return Where{7, 31, 8, 1}; }, no_msg},
    {"down from the last row scrolls by one line each time", "", "<Esc>40<Down>",
     [](const Geometry& g) { return Where{41, 1, g.rows - 1, 41 - (g.rows - 3)}; }, no_msg},
    {"a count beyond the last line stops there without a message", "", "<Esc>500<Down>",
     [](const Geometry& g) { return Where{kLines, 1, g.rows - 1, kLines - (g.rows - 3)}; },
     [](const Geometry&) { return std::string("ESC-h for Help"); }},
    {"a count beyond the first line stops there", "<Esc>50<Down>", "<Esc>500<Up>",
     [](const Geometry&) { return Where{1, 1, 2, 1}; }, no_msg},
    {"page down moves the window by a page less one line", "<Down><Down><Esc>7<Right>", "<PgDn>",
     [](const Geometry& g) { return Where{g.page() + 3, 8, 4, g.page() + 1}; },
     [](const Geometry& g) { return ln_msg(g.page() + 3); }},
    {"page down with the last line shown goes to it at the aperture's first column",
     "<Esc><PgDn><Up><Up><Up><Esc>5<Right>", "<PgDn>",
     [](const Geometry& g) { return Where{kLines, 1, g.rows - 4, kLines - (g.rows - 6)}; },
     [](const Geometry&) { return ln_msg(kLines); }},
    {"page up keeps the row and moves by a page", "<Esc>100<Down><Esc>4<Right>", "<PgUp>",
     [](const Geometry& g) { return Where{101 - g.page(), 5, g.rows - 1, 101 - g.page() - g.page()}; },
     [](const Geometry& g) { return ln_msg(101 - g.page()); }},
    {"page up near the start lands on line 1, row 2, column of the aperture", "<Down><Down><Down><Down><Esc>9<Right>",
     "<PgUp>", [](const Geometry&) { return Where{1, 1, 2, 1}; },
     [](const Geometry&) { return ln_msg(1); }},
    {"page down then page up return to the same line", "<Esc>40<Down>", "<PgDn><PgUp>",
     [](const Geometry& g) { return Where{41, 1, g.rows - 1, 41 - g.page()}; },
     [](const Geometry&) { return ln_msg(41); }},
    {"bottom of file puts the last line on row physical_lines - 4", "", "<Esc><PgDn>",
     [](const Geometry& g) { return Where{kLines, 1, g.rows - 4, kLines - (g.rows - 6)}; },
     [](const Geometry&) { return ln_msg(kLines); }},
    {"bottom of file twice only moves the cursor the second time", "<Esc><PgDn><Up><Up><Up>", "<Esc><PgDn>",
     [](const Geometry& g) { return Where{kLines, 1, g.rows - 4, kLines - (g.rows - 6)}; },
     [](const Geometry&) { return ln_msg(kLines); }},
    {"top of file from the end redraws with line 1 on row 2", "<Esc><PgDn><Esc>3<Right>", "<Esc><PgUp>",
     [](const Geometry&) { return Where{1, 4, 2, 1}; }, [](const Geometry&) { return ln_msg(1); }},
    {"half page down scrolls by page - half lines keeping the row", "<Esc>100<Down>", "<S-Down>",
     [](const Geometry& g) {
       int by = g.page() - g.half();
       return Where{101 + by, 1, g.rows - 1, 101 - g.page() + by};
     },
     no_msg},
    {"half page up scrolls back by the same amount", "<Esc>100<Down>", "<Esc>-",
     [](const Geometry& g) {
       int by = g.page() - g.half();
       return Where{101 - by, 1, g.rows - 1, 101 - g.page() - by};
     },
     no_msg},
    {"top row of the window", "<Esc>100<Down>", "<Esc>H",
     [](const Geometry& g) { return Where{101 - g.page(), 1, 2, 101 - g.page()}; }, no_msg},
    {"middle of the window", "<Esc>100<Down>", "<Esc>M",
     [](const Geometry& g) { return Where{101 - g.page() + g.half(), 1, 2 + g.half(), 101 - g.page()}; }, no_msg},
    {"bottom row of the window", "<Esc>100<Down><Esc>H", "<Esc>L",
     [](const Geometry& g) { return Where{101, 1, g.rows - 1, 101 - g.page()}; }, no_msg},
    {"end of line", "<Down>", "<End>",
     [](const Geometry&) { return Where{2, 67, 3, 1}; }, no_msg},
    {"extended motion follows the last direction (left: start of line)", "<Down><End><Left>", "<Esc>;",
     [](const Geometry&) { return Where{2, 1, 3, 1}; }, no_msg},
    {"edge motion follows the last direction (down: bottom of the window)", "<Down>", "<K5>",
     [](const Geometry& g) { return Where{g.rows - 2, 1, g.rows - 1, 1}; }, no_msg},
    {"half left at column 10 goes to column 0 and reports the aperture's column", "<Esc>10<Right>", "<S-Left>",
     [](const Geometry&) { return Where{1, 1, 2, 1}; },
     [](const Geometry&) { return std::string("Scrolled left to column 0"); }},
    {"half right moves the column and the aperture by half the width", "<Esc>10<Right>", "<Esc>)",
     [](const Geometry& g) { return Where{1, 11 + g.cols / 2, 2, -1}; },
     [](const Geometry& g) { return "Scrolled right to column " + std::to_string(g.cols / 2); }},
};

class Motion : public ::testing::TestWithParam<Geometry> {};

TEST_P(Motion, TableOfMoves) {
  const Geometry g = GetParam();
  const std::string text = generated_file(kLines);
  for (const MotionCase& c : kMotionCases) {
    SCOPED_TRACE(c.name);
    auto s = editor(g.rows, g.cols, text);
    s->keys(c.setup);
    s->keys(c.keys);
    std::string want_msg = c.msg(g);
    if (!want_msg.empty()) {
      EXPECT_NE(message(*s).find(want_msg), std::string::npos) << "message " << want_msg << "\n" << s->dump();
    }
    Where want = c.expect(g);
    Where got = where(*s);
    EXPECT_EQ(got.line, want.line) << s->dump();
    EXPECT_EQ(got.col, want.col) << s->dump();
    if (want.row >= 0) {
      EXPECT_EQ(got.row, want.row) << s->dump();
    }
    if (want.top >= 0) {
      EXPECT_EQ(got.top, want.top) << s->dump();
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, Motion, ::testing::Values(Geometry{24, 80}, Geometry{40, 132}),
                         [](const ::testing::TestParamInfo<Geometry>& i) {
                           return std::to_string(i.param.cols) + "x" + std::to_string(i.param.rows);
                         });

// Scrolling by one row inserts or deletes one terminal row and writes only
// the line that comes into view: the rest of the window is not rewritten.
TEST(Motion, OneRowScrollsDrawOnlyTheNewLine) {
  auto s = editor(24, 80, generated_file(kLines));
  s->keys("<Esc>21<Down>");  // line 22 on the last row
  size_t before = s->output().size();
  s->keys("<Down>");
  std::string out = s->output().substr(before);
  EXPECT_NE(out.find(line_text(23).substr(0, 20)), std::string::npos);
  EXPECT_EQ(out.find(line_text(10).substr(0, 20)), std::string::npos) << "the window was redrawn";
  EXPECT_SCREEN_ROW(*s, 2, line_text(2));
  EXPECT_SCREEN_ROW(*s, 23, line_text(23));

  s->keys("<Esc>H");
  before = s->output().size();
  s->keys("<Up>");
  out = s->output().substr(before);
  EXPECT_EQ(out.find(line_text(10).substr(0, 20)), std::string::npos) << "the window was redrawn";
  EXPECT_SCREEN_ROW(*s, 2, line_text(1));
  EXPECT_SCREEN_ROW(*s, 23, line_text(22));
}

// page down with the last line shown moves the cursor only.
TEST(Motion, PageDownOnTheLastScreenDoesNotRedraw) {
  auto s = editor(24, 80, generated_file(30));
  s->keys("<Esc>5<Right><Esc><PgDn><Up><Up>");
  size_t before = s->output().size();
  s->keys("<PgDn>");
  std::string out = s->output().substr(before);
  EXPECT_EQ(out.find(line_text(20).substr(0, 20)), std::string::npos) << "the window was redrawn";
  EXPECT_SCREEN_CURSOR(*s, 20, 0);
}

// Moving right stops at the longest line an edit may produce.
TEST(Motion, RightStopsAtTheLineLimit) {
  auto s = editor(24, 80, "short\n");
  s->keys("<Esc>382<Right>");
  EXPECT_EQ(message(*s).find("Maximum"), std::string::npos) << s->dump();
  s->keys("<Right>");
  EXPECT_NE(message(*s).find("Maximum line size reached"), std::string::npos) << s->dump();
  Where w = where(*s);
  EXPECT_EQ(w.col, 383);
}

// The line number shown after paging stays right while paging repeats
// after other motions (it is carried forward, never stale).
TEST(Motion, PositionAfterRepeatedPaging) {
  auto s = editor(24, 80, generated_file(kLines));
  // ESC-F and ESC-B page (ESC in front of a Page key means an end of file).
  s->keys("<Esc>3<Down><Esc>5F");
  EXPECT_NE(message(*s).find(ln_msg(4 + 5 * 21)), std::string::npos) << s->dump();
  s->keys("<Up><Esc>2B");
  EXPECT_NE(message(*s).find(ln_msg(108 - 2 * 21)), std::string::npos) << s->dump();
  s->keys("<Esc>i<PgDn>");
  EXPECT_NE(message(*s).find(ln_msg(66 + 21)), std::string::npos) << s->dump();
  s->keys("<Esc>200<Down><PgDn>");
  EXPECT_NE(message(*s).find(ln_msg(kLines)), std::string::npos) << s->dump();
}

}  // namespace
