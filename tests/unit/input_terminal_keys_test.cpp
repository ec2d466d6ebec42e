// Key codes that ncurses assigns from a terminal's description beyond the
// standard ones (keypad operators, modified arrows): decoded from the key's
// own bytes on an xterm-256color screen.
#include <curses.h>

#include "input_fixture.h"
#include "term_fixture.h"

namespace kuinput {
namespace {

class TerminalKeysTest : public kuterm::TermTest {
 protected:
  ScriptedInput input_;
};

TEST_F(TerminalKeysTest, DescribedKeysDecodeAsTheirBytes) {
  struct Case {
    const char* bytes;
    int mode;  // mode before decoding
    char result;
  };
  const Case cases[] = {
      {"\x1bOk", INSERT_MODE, 'n'},    // kpADD: keypad +
      {"\x1bOm", INSERT_MODE, 'g'},    // kpSUB: keypad -
      {"\x1bOj", INSERT_MODE, 'i'},    // kpMUL: keypad *
      {"\x1bOo", INSERT_MODE, 'z'},    // kpDIV: keypad /
      {"\x1b[1;5A", INSERT_MODE, '-'}, // kUP5: modified up as shifted up
      {"\x1b[1;3D", OVERWRITE_MODE, '('},
      {"\x1b[1;2A", INSERT_MODE, '-'}, // kri, a standard code (KEY_SR)
      {"\x1b[1;2B", INSERT_MODE, '+'}, // kind (KEY_SF)
      {"\x1bOE", INSERT_MODE, ':'},    // kbeg (KEY_BEG)
      {"\x1bOM", OVERWRITE_MODE, '\n'},  // kent (KEY_ENTER) keeps the mode
  };
  for (const Case& c : cases) {
    int code = key_defined(c.bytes);
    ASSERT_GT(code, 255) << "ncurses does not know " << c.bytes + 1;
    ku_mode = last_ku_mode = c.mode;
    EXPECT_EQ(map_keyboard(code), c.result) << c.bytes + 1;
    EXPECT_EQ(ku_mode, c.result == '\n' ? c.mode : COMMAND_MODE) << c.bytes + 1;
  }
  EXPECT_EQ(bells, 0);
}

TEST_F(TerminalKeysTest, DescribedKeysWithoutMeaningBeep) {
  int code = key_defined("\x1b[1;2P");  // shifted F1: KEY_F(13), no command
  ASSERT_GT(code, 255);
  EXPECT_EQ(map_keyboard(code), 'I');
  EXPECT_EQ(ku_mode, COMMAND_MODE);
  EXPECT_EQ(bells, 1);
}

}  // namespace
}  // namespace kuinput
