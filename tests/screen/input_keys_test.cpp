// Keys of real terminals: every key the help panel names, sent as the
// terminal of each common terminfo entry sends it, must do what the same
// command typed as ESC and its letter does (the same screen, cursor and
// bells); plus the ESC prefix timing and the end of the terminal.
#include <cctype>
#include <ostream>
#include <memory>
#include <string>
#include <vector>

#include "harness.h"

namespace {

using kutest::Options;
using kutest::Screen;

const char* const kTerms[] = {"xterm-256color", "screen-256color", "tmux-256color", "linux", "rxvt-unicode"};

// Paragraphs of five lines, some longer than the screen is wide.
std::string sample_text() {
  std::string t;
  for (int i = 1; i <= 120; i++) {
    if (i % 6 == 0) {
      t += "\n";
      continue;
    }
    std::string n = std::to_string(i);
    t += "line " + n + " alpha beta gamma delta";
    if (i % 3 == 0) t += std::string(70, 'x') + " tail " + n;
    t += "\n";
  }
  return t;
}

// An editor on the sample text in terminal `term`, at line 40, column 12.
std::unique_ptr<Screen> editor(const std::string& term) {
  Options o;
  o.term = term;
  o.args = {"f.txt", "-l", "40"};
  auto s = std::make_unique<Screen>(o);
  s->write_file("f.txt", sample_text());
  if (!s->start()) return nullptr;
  s->keys("<Esc>12.");
  return s;
}

bool have_terminfo(const std::string& term) { return kutest::key_string(term, "kcuu1").has_value(); }

// What one way of typing a command shows.
struct Outcome {
  std::vector<std::string> rows;
  kutest::Pos cursor;
  int bells;
  bool running;
};

// The screen with the editor's working directory (different for every
// editor) written as "<dir>".
Outcome outcome(Screen& s) {
  s.settle();
  std::vector<std::string> rows = s.rows();
  for (std::string& r : rows)
    for (size_t at = r.find(s.dir()); at != std::string::npos; at = r.find(s.dir()))
      r.replace(at, s.dir().size(), "<dir>");
  return {rows, s.cursor(), s.bells(), s.running()};
}

void expect_same(Screen& by_key, Screen& by_letter, const std::string& what) {
  Outcome a = outcome(by_key), b = outcome(by_letter);
  EXPECT_EQ(a.rows, b.rows) << what << "\nby key:\n" << by_key.dump() << "\nby letter:\n" << by_letter.dump();
  EXPECT_EQ(a.cursor, b.cursor) << what;
  EXPECT_EQ(a.bells, b.bells) << what;
  EXPECT_EQ(a.running, b.running) << what;
}

// A key in harness notation and the same command as ESC and its letter.
struct KeyCase {
  const char* key;
  const char* letter;
};

const KeyCase kKeyCases[] = {
    {"<Up>", "<Esc>^"},          {"<Down>", "<Esc>$"},        {"<Left>", "<Esc>,"},
    {"<Right>", "<Esc>."},       {"<Esc><Up>", "<Esc>{"},     {"<Esc><Down>", "<Esc>}"},
    {"<Esc><Left>", "<Esc>["},   {"<Esc><Right>", "<Esc>]"},  {"<Home>", "<Esc><lt>"},
    {"<End>", "<Esc>>"},         {"<Esc><Home>", "<Esc><lt>"}, {"<Esc><End>", "<Esc>>"},
    {"<PgUp>", "<Esc>B"},        {"<PgDn>", "<Esc>F"},        {"<Esc><PgUp>", "<Esc>\\"},
    {"<Esc><PgDn>", "<Esc>~"},   {"<Del>", "<Esc>D"},         {"<Esc><Del>", "<Esc>W"},
    {"<Ins>", "<Esc>I"},         {"<BS>", "<Esc>#"},          {"<S-Up>", "<Esc>-"},
    {"<S-Down>", "<Esc>+"},      {"<S-Left>", "<Esc>("},      {"<S-Right>", "<Esc>)"},
    {"<F1>", "<Esc>a"},          {"<F2>", "<Esc>b"},          {"<F3>", "<Esc>c"},
    {"<F4>", "<Esc>j"},          {"<F5>", "<Esc>f"},          {"<F6>", "<Esc>r"},
    {"<F7>", "<Esc>p"},          {"<F8>", "<Esc>e"},          {"<F9>", "<Esc>l"},
    {"<F10>", "<Esc>k"},         {"<F11>", "<Esc>U"},         {"<F12>", "<Esc>q"},
    {"<KDiv>", "<Esc>z"},        {"<KMul>", "<Esc>i"},        {"<KMinus>", "<Esc>g"},
    {"<KPlus>", "<Esc>n"},       {"<K5>", "<Esc>:"},          {"<KEnter>", "<CR>"},
    {"<C-o>", "<Esc>I"},         {"<C-h>", "<Esc>#"},
};

struct TermKey {
  std::string term;
  KeyCase key;
};
void PrintTo(const TermKey& k, std::ostream* os) { *os << k.term << " " << k.key.key; }

std::vector<TermKey> term_keys() {
  std::vector<TermKey> v;
  for (const char* t : kTerms)
    for (const KeyCase& k : kKeyCases) v.push_back({t, k});
  return v;
}

std::string test_name(const ::testing::TestParamInfo<TermKey>& info) {
  std::string n = info.param.term + "_";
  for (const char* p = info.param.key.key; *p; p++) n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
  for (char& c : n)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return n + "_" + std::to_string(info.index);
}

class TerminalKey : public ::testing::TestWithParam<TermKey> {};

TEST_P(TerminalKey, ActsAsItsCommandLetter) {
  const TermKey& c = GetParam();
  if (!have_terminfo(c.term)) GTEST_SKIP() << "no terminfo entry for " << c.term;
  auto by_key = editor(c.term);
  auto by_letter = editor(c.term);
  ASSERT_TRUE(by_key && by_letter);
  ASSERT_TRUE(by_key->keys(c.key.key));
  ASSERT_TRUE(by_letter->keys(c.key.letter));
  expect_same(*by_key, *by_letter, c.term + " " + c.key.key);
}

INSTANTIATE_TEST_SUITE_P(Terminals, TerminalKey, ::testing::ValuesIn(term_keys()), test_name);

// Sequences that terminals send for these keys although the terminfo entry
// in use does not list them (or lists another form).
struct RawCase {
  const char* term;
  const char* bytes;
  const char* letter;
  const char* what;
};

const RawCase kRawCases[] = {
    {"rxvt-unicode", "\x1b[a", "<Esc>-", "rxvt shifted up"},
    {"rxvt-unicode", "\x1b[b", "<Esc>+", "rxvt shifted down"},
    {"rxvt-unicode", "\x1b[c", "<Esc>)", "rxvt shifted right"},
    {"rxvt-unicode", "\x1b[d", "<Esc>(", "rxvt shifted left"},
    {"rxvt-unicode", "\x1bOu", "<Esc>:", "rxvt keypad 5"},
    {"xterm-256color", "\x1bOE", "<Esc>:", "xterm keypad 5 without NumLock (kbeg)"},
    {"xterm-256color", "\x1b[E", "<Esc>:", "xterm keypad 5, normal mode"},
    {"xterm-256color", "\x1b[H", "<Esc><lt>", "xterm Home, normal cursor mode"},
    {"xterm-256color", "\x1b[F", "<Esc>>", "xterm End, normal cursor mode"},
    {"xterm-256color", "\x1b[1~", "<Esc><lt>", "VT220 Home"},
    {"xterm-256color", "\x1b[4~", "<Esc>>", "VT220 End"},
    {"xterm-256color", "\x1b[A", "<Esc>^", "xterm up, normal cursor mode"},
    {"xterm-256color", "\x1bOo", "<Esc>z", "keypad / in application mode"},
    {"screen-256color", "\x1b[1;2A", "<Esc>-", "shifted up through screen"},
    {"screen-256color", "\x1b[1;2B", "<Esc>+", "shifted down through screen"},
    {"screen-256color", "\x1bOu", "<Esc>:", "keypad 5 through screen"},
    {"tmux-256color", "\x1bOu", "<Esc>:", "keypad 5 through tmux"},
    {"tmux-256color", "\x1bOE", "<Esc>:", "keypad 5 without NumLock through tmux"},
    {"linux", "\x1b[G", "<Esc>:", "linux keypad 5"},
    {"linux", "\x1b[[A", "<Esc>a", "linux F1"},
    {"linux", "\x1b[1~", "<Esc><lt>", "linux Home"},
    {"linux", "\x1b[4~", "<Esc>>", "linux End"},
    {"rxvt-unicode", "\x1b[7~", "<Esc><lt>", "rxvt Home"},
    {"rxvt-unicode", "\x1b[8~", "<Esc>>", "rxvt End"},
    {"rxvt-unicode", "\x1b[11~", "<Esc>a", "rxvt F1"},
};

void PrintTo(const RawCase& c, std::ostream* os) { *os << c.term << " " << c.what; }

class TerminalSequence : public ::testing::TestWithParam<RawCase> {};

TEST_P(TerminalSequence, ActsAsItsCommandLetter) {
  const RawCase& c = GetParam();
  if (!have_terminfo(c.term)) GTEST_SKIP() << "no terminfo entry for " << c.term;
  auto by_key = editor(c.term);
  auto by_letter = editor(c.term);
  ASSERT_TRUE(by_key && by_letter);
  ASSERT_TRUE(by_key->raw(c.bytes));
  ASSERT_TRUE(by_letter->keys(c.letter));
  expect_same(*by_key, *by_letter, std::string(c.term) + " " + c.what);
}

INSTANTIATE_TEST_SUITE_P(Terminals, TerminalSequence, ::testing::ValuesIn(kRawCases));

// A lone ESC comes through after the ESC delay without the editor spinning
// (settle needs it asleep in an untimed read), and the letter after it is
// taken as the command at once.
TEST(EscPrefix, LoneEscThenALetterAreTwoKeys) {
  auto s = editor("xterm-256color");
  ASSERT_TRUE(s);
  ASSERT_TRUE(s->keys("<Esc>"));
  EXPECT_TRUE(s->running());
  ASSERT_TRUE(s->keys("h"));
  EXPECT_TRUE(s->contains(" - KU Help Panel")) << s->dump();
  EXPECT_EQ(s->bells(), 0);
}

TEST(EscPrefix, EscAndLetterInOneWriteAreTwoKeys) {
  auto s = editor("xterm-256color");
  ASSERT_TRUE(s);
  ASSERT_TRUE(s->raw("\x1bh"));
  EXPECT_TRUE(s->contains(" - KU Help Panel")) << s->dump();
}

// The terminal goes away under a running editor: it ends within seconds.
TEST(TerminalGone, EditorEndsWhenThePtyCloses) {
  auto s = editor("xterm-256color");
  ASSERT_TRUE(s);
  s->close_pty();
  EXPECT_TRUE(s->wait_exit(std::chrono::milliseconds(5000)));
}

// The same with the hang-up signal ignored (as under nohup): the failing
// reads themselves must end the editor, which must not spin on them.
TEST(TerminalGone, EditorEndsOnFailingReadsWithHangupIgnored) {
  Options o;
  o.program = "/bin/sh";
  o.args = {"-c", "trap '' HUP; exec \"$0\" f.txt", kutest::ku_binary()};
  Screen s(o);
  s.write_file("f.txt", "some text\n");
  ASSERT_TRUE(s.start());
  ASSERT_TRUE(s.contains("some text")) << s.dump();
  s.close_pty();
  ASSERT_TRUE(s.wait_exit(std::chrono::milliseconds(5000)));
  EXPECT_GE(s.exit_status(), 0) << "ended by signal " << -s.exit_status();
}

}  // namespace
