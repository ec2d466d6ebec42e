// The options menu driven by scripted keys on an ncurses screen opened on
// /dev/null: what each sub-menu shows before every key, the settings it
// leaves, refused answers (tab stops, margins, colours), the line-end format
// of the current file, saving the options file, and the mouse mask.
#include <curses.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/dispatch.h"
#include "files/safewrite.h"
#include "files/textfile.h"
#include "input_fixture.h"
#include "options/menu.h"
#include "term_fixture.h"
#include "undo/undo.h"

namespace {

namespace fs = std::filesystem;
using kuterm::row_text;

// What the user saw when a key was read: rows 0 and 2 without their
// trailing blanks, and the cursor.
struct Seen {
  std::string row0, row2;
  int y, x;
};
std::vector<Seen> seen;

std::string trimmed(int r) {
  std::string s = row_text(r);
  return s.substr(0, s.find_last_not_of(' ') + 1);
}

int seeing_key(int timeout) {
  seen.push_back({trimmed(0), trimmed(2), getcury(stdscr), getcurx(stdscr)});
  return kuinput::scripted_key(timeout);
}

const char* const kMainMenu = "Tabs  Indent  Wrap  Colors  Match  Fileformat  Rodent  Save :";

class OptionsMenu : public kuterm::TermTest {
 protected:
  void SetUp() override {
    kuterm::TermTest::SetUp();
    raw_key_source = seeing_key;
    init_undo_system();
    std::strcpy(curr_filename, "f.txt");
    if (const char* h = std::getenv("HOME")) saved_home_ = h, had_home_ = true;
    char tmpl[] = "/tmp/ku-menu-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    home_ = tmpl;
    setenv("HOME", home_.c_str(), 1);
    show({"first line", "second line"});
  }
  void TearDown() override {
    flush_undo_queue();
    fs::remove_all(home_);
    if (had_home_)
      setenv("HOME", saved_home_.c_str(), 1);
    else
      unsetenv("HOME");
    kuterm::TermTest::TearDown();
  }
  static void show(const std::vector<std::string>& text) {
    kuterm::make_file(text);
    curr_file.format = 'u';
    file_info(&curr_file, 0, &curr_file.saved_chars, &curr_file.saved_lines, &curr_file.saved_checksum);
    draw_curr_screen();
  }
  // Runs the options command on the keys; every key must be read.
  static void menu(const char* keys) {
    seen.clear();
    kuinput::keyboard.clear();
    kuinput::bells = 0;
    kuinput::type_text(keys);
    option_cmd();
    EXPECT_TRUE(kuinput::keyboard.empty()) << "keys left: " << kuinput::keyboard.size();
  }
  // What row 2 showed when the key at index i was read.
  static std::string box(size_t i) { return i < seen.size() ? seen[i].row2 : "(no key " + std::to_string(i) + ")"; }
  static std::vector<std::string> file() {
    update_curr_line();
    std::vector<std::string> v;
    for (LineNode* l = first_line(curr_file); l; l = l == last_line(curr_file) ? nullptr : next_line(l))
      v.emplace_back(l->text, static_cast<size_t>(l->length));
    return v;
  }

  kuinput::ScriptedInput input_;
  std::string home_, saved_home_;
  bool had_home_ = false;
};

TEST_F(OptionsMenu, MainMenuShowsItsLineRefusesOtherKeysAndLeavesCleanly) {
  menu("z\n");
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].row0, kMainMenu);
  EXPECT_EQ(seen[0].y, 0);
  EXPECT_EQ(seen[0].x, 62);
  EXPECT_EQ(seen[0].row2, "first line");  // no message box of its own
  EXPECT_EQ(kuinput::bells, 1);
  EXPECT_TRUE(stack_empty(&status_stack));
  EXPECT_EQ(trimmed(0).substr(0, 5), "f.txt");
  EXPECT_EQ(trimmed(2), "first line");
  EXPECT_EQ(trimmed(3), "second line");
}

TEST_F(OptionsMenu, OnOffSubMenu) {
  struct Case {
    int before;
    const char* keys;
    int after;
  } const cases[] = {
      {0, "e\n", 1}, {0, "E\n", 1}, {1, "x\n", 0}, {1, "\n", 1}, {0, "\n", 0}, {0, "ex\n", 0}, {1, "xe\n", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    options.auto_indent = c.before;
    menu((std::string("i") + c.keys + "\n").c_str());
    EXPECT_EQ(options.auto_indent, c.after);
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen[1].row0, "Auto Indent ? (Enable/Disable) :");
    EXPECT_EQ(seen[1].x, 33);
    EXPECT_EQ(box(1), c.before ? "Auto Indent ON" : "Auto Indent OFF");
    // Back in the main menu, the sub-menu's box is gone.
    EXPECT_EQ(seen.back().row0, kMainMenu);
    EXPECT_EQ(box(seen.size() - 1), "first line");
  }
  EXPECT_EQ(kuinput::bells, 0);
}

TEST_F(OptionsMenu, MouseEntrySetsTheFlagAndTheMask) {
  mmask_t old = 0;
  menu("rx\n\n");
  EXPECT_EQ(options.mouse_support, 0);
  mousemask(0, &old);
  EXPECT_EQ(old, 0u);
  EXPECT_EQ(box(1), "Mouse Support ON");
  menu("re\n\n");
  EXPECT_EQ(options.mouse_support, 1);
  mousemask(0, &old);
  EXPECT_NE(old, 0u);
}

TEST_F(OptionsMenu, TabsSubMenu) {
  const std::string refused = "Invalid tab stop - must be 1 to 382";
  struct Case {
    const char* keys;  // after "t", before the ENTER that leaves
    int tabstop;
    const char* box_after;  // the box when the next key was read
  } const cases[] = {
      {"t8\n", 8, "> Input xlate ON, Output xlate OFF, Tabstop = 8"},
      {"t 12\n", 12, "> Input xlate ON, Output xlate OFF, Tabstop = 12"},
      {"t7x\n", 7, "> Input xlate ON, Output xlate OFF, Tabstop = 7"},
      {"t382\n", 382, "> Input xlate ON, Output xlate OFF, Tabstop = 382"},
      {"t\n", 4, "> Input xlate ON, Output xlate OFF, Tabstop = 4"},
      {"tabc\n", 4, "> Input xlate ON, Output xlate OFF, Tabstop = 4"},
      {"t0\n", 4, refused.c_str()},
      {"t-3\n", 4, refused.c_str()},
      {"t383\n", 4, refused.c_str()},
      {"t999999999\n", 4, refused.c_str()},
      {"i", 4, "> Input xlate OFF, Output xlate OFF, Tabstop = 4"},
      {"o", 4, "> Input xlate ON, Output xlate ON, Tabstop = 4"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    set_default_options();
    menu((std::string("t") + c.keys + "\n\n").c_str());
    EXPECT_EQ(options.tabstop, c.tabstop);
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen[1].row0, "Input  Output  Tabstop :");
    EXPECT_EQ(box(1), "> Input xlate ON, Output xlate OFF, Tabstop = 4");
    EXPECT_EQ(box(seen.size() - 2), c.box_after);
  }
  EXPECT_EQ(kuinput::bells, 0);
  // The refusal gives way to the settings at the next key.
  set_default_options();
  menu("tt0\nz\n\n");
  EXPECT_EQ(box(4), "Invalid tab stop - must be 1 to 382");
  EXPECT_EQ(box(5), "> Input xlate ON, Output xlate OFF, Tabstop = 4");
  EXPECT_EQ(kuinput::bells, 1);
}

TEST_F(OptionsMenu, MarginsAreCheckedTogether) {
  struct Case {
    const char* keys;
    int left, right;
    const char* refusal;  // null: accepted, the box shows the settings
  } const cases[] = {
      {"r600\n", -1, 72, "Invalid right margin"},
      {"r513\n", -1, 72, "Invalid right margin"},
      {"r512\n", -1, 512, nullptr},
      {"l10\nr72\n", 10, 72, nullptr},
      {"l10\nr10\n", 10, 72, "Invalid right margin"},
      {"l72\n", -1, 72, "Invalid left margin"},
      {"l80\n", -1, 72, "Invalid left margin"},
      {"r0\n", -1, 72, "Invalid right margin"},
      {"lx\n", -1, 72, "Invalid left margin"},
      {"l\n", -1, 72, nullptr},
      {"r\n", -1, 72, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    set_default_options();
    menu((std::string("w") + c.keys + "\n\n").c_str());
    EXPECT_EQ(options.left_margin, c.left);
    EXPECT_EQ(options.right_margin, c.right);
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen[1].row0, "Enable  Disable  Left  Right  Justify :");
    EXPECT_EQ(box(1), "Text wrapping OFF, Right Justify ON, Left margin: -1, Right margin: 72");
    std::string settings = "Text wrapping OFF, Right Justify ON, Left margin: " + std::to_string(c.left) +
                           ", Right margin: " + std::to_string(c.right);
    EXPECT_EQ(box(seen.size() - 2), c.refusal ? c.refusal : settings);
  }
}

TEST_F(OptionsMenu, TheMarginPromptsSitOnTheStatusLine) {
  // The prompt is on row 0 while its answer is typed.
  menu("wl1\n\n\n");
  ASSERT_GE(seen.size(), 3u);
  EXPECT_EQ(seen[2].row0, "Left Margin:");
  EXPECT_EQ(seen[2].x, 13);
  EXPECT_EQ(seen[3].row0, "Left Margin: 1");
  menu("wr\n\n\n");
  EXPECT_EQ(seen[2].row0, "Right Margin:");
  EXPECT_EQ(seen[2].x, 14);
}

TEST_F(OptionsMenu, EnableWrapsTheCurrentLineAtOnce) {
  const std::string words = "alpha beta gamma delta epsilon zeta eta theta iota kappa lambda mu nu xi omicron pi";
  show({words, "", "after"});
  ku_mode = last_ku_mode = OVERWRITE_MODE;
  options.right_justify = 0;
  menu("we\n\n");
  EXPECT_EQ(options.text_wrapping, 1);
  EXPECT_EQ(options.auto_indent, 0);
  EXPECT_EQ(last_ku_mode, INSERT_MODE);
  EXPECT_EQ(file(), (std::vector<std::string>{
                        "alpha beta gamma delta epsilon zeta eta theta iota kappa lambda mu nu",
                        "xi omicron pi", "", "after"}));
  EXPECT_EQ(box(2), "Text wrapping ON, Right Justify OFF, Left margin: -1, Right margin: 72");
  // With wrapping on, a new left margin re-wraps too; the right one does not.
  menu("wr30\n\n\n");
  EXPECT_EQ(file().size(), 4u);
  menu("wl2\n\n\n");
  EXPECT_EQ(file(), (std::vector<std::string>{"  alpha beta gamma delta", "  epsilon zeta eta theta iota",
                                              "  kappa lambda mu nu xi", "  omicron pi", "", "after"}));
  menu("wd\n\n");
  EXPECT_EQ(options.text_wrapping, 0);
}

TEST_F(OptionsMenu, ARightMarginBeyondTheLongestLineIsKeptButWrapsNothing) {
  // The menu takes margins up to the 512 logical columns; the wrap itself
  // refuses a margin past the longest line an edit may make.
  const std::vector<std::string> text = {std::string(200, 'a') + " " + std::string(170, 'b'), "x y"};
  show(text);
  menu("wr400\ne\n\n");
  EXPECT_EQ(options.right_margin, 400);
  EXPECT_EQ(options.text_wrapping, 1);
  EXPECT_EQ(file(), text);
  EXPECT_NE(std::string(ku_msg_buf).find("Right margin must be 1 to 382"), std::string::npos) << ku_msg_buf;
}

TEST_F(OptionsMenu, ColorsSubMenu) {
  const std::string displayed = "> Displayed foreground color is Default, background color is Default";
  struct Case {
    const char* keys;        // after "c", before the ENTER that leaves
    short fg, bg;            // applied colours afterwards
    const char* box_before;  // the box when the last key (ENTER) was read
  } const cases[] = {
      {"fDEFAULT\nbdefault\na", -1, -1, displayed.c_str()},
      {"fBLUE\nbBLUE\na", -1, -1, "> Foreground and Background colors must be different"},
      {"fred\nbBlue\na", 1, 4, "> Displayed foreground color is Red, background color is Blue"},
      {"fred\nbBlue\n", -1, -1, "> Working foreground color is Red, background color is Blue"},
      {"fred\nbBlue\nq", -1, -1, displayed.c_str()},
      {"fpurple\n", -1, -1, "Unrecognized color - must be on palette"},
      {"fred\nbpurple\nw", -1, -1, "> Working foreground color is Red, background color is Default"},
      {"fred\nf\nw", -1, -1, "> Working foreground color is Red, background color is Default"},
      {"p", -1, -1, "> Default  Black  Red  Green  Yellow  Blue  Magenta  Cyan  White"},
      {"z", -1, -1, displayed.c_str()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    set_default_options();
    ti_set_screen_colors();
    menu((std::string("c") + c.keys + "\n\n").c_str());
    EXPECT_EQ(options.fg_color, c.fg);
    EXPECT_EQ(options.bg_color, c.bg);
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen[1].row0, "Palette  Working  Foreground  Background  Apply  Query :");
    EXPECT_EQ(box(1), displayed);
    EXPECT_EQ(box(seen.size() - 2), c.box_before);
    short f = 0, b = 0;
    pair_content(1, &f, &b);
    EXPECT_EQ(f, c.fg);
    EXPECT_EQ(b, c.bg);
  }
}

TEST_F(OptionsMenu, ColourPromptIsOnTheStatusLine) {
  menu("cfgreen\n\n\n");
  ASSERT_GE(seen.size(), 4u);
  EXPECT_EQ(seen[2].row0, "Enter new foreground (text) color:");
  EXPECT_EQ(seen[2].x, 35);
  int err = -1;
  kuinput::type_text("\n");
  EXPECT_EQ(get_new_color(9, "Enter new background color: ", 57, 0, &err), 9);  // kept as it is
  EXPECT_EQ(err, 0);
  kuinput::type_text("cyan\n");
  EXPECT_EQ(get_new_color(9, "Enter new background color: ", 57, 0, &err), 6);
  kuinput::type_text("nope\n");
  EXPECT_EQ(get_new_color(2, "Enter new background color: ", 57, 0, &err), 2);
  EXPECT_EQ(err, 10);
}

TEST_F(OptionsMenu, MatchSubMenu) {
  struct Case {
    const char* keys;
    char sol, eol;
  } const cases[] = {
      {"s\n", '^', '$'}, {"s#\n", '#', '$'}, {"e@@\n", '^', '@'}, {"s%\ne&\n", '%', '&'}, {"q", '^', '$'},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    set_default_options();
    menu((std::string("m") + c.keys + "\n\n").c_str());
    EXPECT_EQ(options.sol_match_char, c.sol);
    EXPECT_EQ(options.eol_match_char, c.eol);
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen[1].row0, "Start-of-line  End-of-line  Query :");
    EXPECT_EQ(box(1), "> Find/Replace uses ^ to match Start-ofline, and $ to match End-of-line");
    EXPECT_EQ(box(seen.size() - 2), std::string("> Find/Replace uses ") + c.sol + " to match Start-ofline, and " +
                                        c.eol + " to match End-of-line");
  }
  menu("ms\n\n\n");
  EXPECT_EQ(seen[2].row0, "Enter char to match start-of-line:");
  kuinput::type_text("xyz\n");
  char ch = '^';
  EXPECT_EQ(set_match_char("Enter char to match end-of-line: ", &ch), 3);
  EXPECT_EQ(ch, 'x');
}

TEST_F(OptionsMenu, FileFormatFollowsTheLastKey) {
  struct Case {
    char before;
    const char* keys;
    char after;
  } const cases[] = {
      {'d', "\n", 'd'}, {'u', "\n", 'u'}, {'d', "u\n", 'u'}, {'u', "d\n", 'd'},
      {'d', "x\n", 'u'}, {'u', "dx\n", 'u'}, {'u', "xD\n", 'd'},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    curr_file.format = c.before;
    file_info(&curr_file, 0, &curr_file.saved_chars, &curr_file.saved_lines, &curr_file.saved_checksum);
    menu((std::string("f") + c.keys + "\n").c_str());
    EXPECT_EQ(curr_file.format, c.after);
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen[1].row0, "Select text file format - Unix or DOS/Win :");
    EXPECT_EQ(box(1), c.before == 'd' ? "> Text file format is DOS/Win" : "> Text file format is Unix");
    EXPECT_EQ(box(seen.size() - 2), c.after == 'd' ? "> Text file format is DOS/Win" : "> Text file format is Unix");
    // A new format is an unsaved change of the file, and going back undoes it.
    EXPECT_EQ(curr_file_has_changed(), c.before != c.after ? 1 : 0);
  }
  curr_file.format = 'u';
  file_info(&curr_file, 0, &curr_file.saved_chars, &curr_file.saved_lines, &curr_file.saved_checksum);
  menu("fd\n\n");
  EXPECT_EQ(curr_file_has_changed(), 1);
  menu("fu\n\n");
  EXPECT_EQ(curr_file_has_changed(), 0);
}

TEST_F(OptionsMenu, SaveWritesTheOptionsFile) {
  options.tabstop = 8;
  menu("s\n");
  EXPECT_EQ(box(1), "> Options saved to ~/.ku.opt - loaded by KU at next start");
  std::ifstream in(home_ + "/.ku.opt", std::ios::binary);
  std::string bytes{std::istreambuf_iterator<char>(in), {}};
  unsigned char image[OPTIONS_IMAGE_SIZE];
  options_to_image(options, image);
  EXPECT_EQ(bytes, std::string(reinterpret_cast<char*>(image), sizeof image));
  EXPECT_EQ(bytes[7], 8);

  // The message gives way at the next key.
  menu("sz\n");
  EXPECT_EQ(box(2), "first line");

  setenv("HOME", (home_ + "/missing/dir").c_str(), 1);
  menu("s\n");
  EXPECT_EQ(box(1), "> Could not save options to ~/.ku.opt");
  unsetenv("HOME");
  menu("s\n");
  EXPECT_EQ(box(1), "> Could not save options to ~/.ku.opt");
}

}  // namespace
