// Read states: the start-up macro, macro recording and replay, the decoded
// key reader, the wait for ENTER, and the judgement that the terminal input
// has gone for good.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "input_fixture.h"
#include "macros/macros.h"

namespace kuinput {
namespace {

using ReadStateTest = InputTest;

TEST_F(ReadStateTest, StartupMacroComesBeforeTheKeyboard) {
  init_macro[0] = 27;
  init_macro[1] = 'q';
  init_macro[2] = 'r';
  init_macro_keys = 3;
  init_macro_ix = 0;
  type({'x'});
  EXPECT_EQ(read_char(), 'q');
  EXPECT_EQ(ku_mode, COMMAND_MODE);
  ku_mode = last_ku_mode;  // as the dispatcher leaves it after a command
  EXPECT_EQ(read_char(), 'r');
  EXPECT_EQ(ku_mode, INSERT_MODE);
  EXPECT_EQ(keyboard_reads, 0);
  EXPECT_EQ(init_macro_keys, 0);
  EXPECT_EQ(read_raw_char(), 'x');
  EXPECT_EQ(keyboard_reads, 1);
}

TEST_F(ReadStateTest, RecordingKeepsAtMost511Keys) {
  auto m = std::make_unique<MacroRecord>();
  std::memset(m.get(), 0, sizeof *m);
  curr_macro = m.get();
  read_state = 1;
  for (int i = 0; i < 600; i++) keyboard.push_back(1000 + i);
  for (int i = 0; i < 600; i++) ASSERT_EQ(read_raw_char(), 1000 + i);
  EXPECT_EQ(m->key_count, 511);
  for (int i = 0; i < 511; i++) ASSERT_EQ(m->keys[i], 1000 + i);
  EXPECT_EQ(m->keys[511], 0);
  EXPECT_EQ(read_state, 1);
}

TEST_F(ReadStateTest, ReplayRunsEveryPassThenHandsBackToTheKeyboard) {
  auto m = std::make_unique<MacroRecord>();
  std::memset(m.get(), 0, sizeof *m);
  const int keys[] = {27, '[', 'A', 'z'};
  for (int k : keys) m->keys[m->key_count++] = k;
  curr_macro = m.get();
  rs_ix = 0;
  rs_reps_left = 2;  // executed with a count of 3
  read_state = 2;
  last_ku_mode = OVERWRITE_MODE;
  ku_mode = COMMAND_MODE;
  type({'k'});
  for (int pass = 0; pass < 3; pass++)
    for (int k : keys) ASSERT_EQ(read_raw_char(), k) << "pass " << pass;
  EXPECT_EQ(keyboard_reads, 0);
  EXPECT_EQ(read_state, 2);
  EXPECT_EQ(read_raw_char(), 'k');
  EXPECT_EQ(keyboard_reads, 1);
  EXPECT_EQ(read_state, 0);
  EXPECT_EQ(curr_macro, nullptr);
  EXPECT_EQ(ku_mode, OVERWRITE_MODE);  // the status line returned to the saved mode
}

// ESC [ typed by hand: the timed read after it found no key.  The record
// keeps that ERR, so the replay decodes the keys exactly as they were typed.
TEST_F(ReadStateTest, RecordedHandTypedPrefixReplaysTheSame) {
  auto m = std::make_unique<MacroRecord>();
  std::memset(m.get(), 0, sizeof *m);
  curr_macro = m.get();
  read_state = 1;
  type({27, '[', ERR, 'x'});
  EXPECT_EQ(read_char(), '[');
  EXPECT_EQ(ku_mode, COMMAND_MODE);
  ku_mode = INSERT_MODE;
  EXPECT_EQ(read_char(), 'x');
  ASSERT_EQ(m->key_count, 4);

  read_state = 2;
  rs_ix = 0;
  EXPECT_EQ(read_char(), '[');
  EXPECT_EQ(ku_mode, COMMAND_MODE);
  ku_mode = INSERT_MODE;
  EXPECT_EQ(read_char(), 'x');
  EXPECT_EQ(ku_mode, INSERT_MODE);
}

TEST_F(ReadStateTest, ReplayedKeysAreDecodedAsTyped) {
  auto m = std::make_unique<MacroRecord>();
  std::memset(m.get(), 0, sizeof *m);
  const int keys[] = {27, '[', '1', ';', '2', 'D', 'a'};
  for (int k : keys) m->keys[m->key_count++] = k;
  curr_macro = m.get();
  read_state = 2;
  EXPECT_EQ(read_char(), '(');
  EXPECT_EQ(ku_mode, COMMAND_MODE);
  ku_mode = INSERT_MODE;
  EXPECT_EQ(read_char(), 'a');
  EXPECT_EQ(ku_mode, INSERT_MODE);
}

TEST_F(ReadStateTest, EmptyMacroEndsTheReplayAtOnce) {
  auto m = std::make_unique<MacroRecord>();
  std::memset(m.get(), 0, sizeof *m);
  curr_macro = m.get();
  rs_reps_left = 5;
  read_state = 2;
  type({'y'});
  EXPECT_EQ(read_raw_char(), 'y');
  EXPECT_EQ(read_state, 0);
  EXPECT_EQ(curr_macro, nullptr);
}

TEST_F(ReadStateTest, InvalidStateFallsBackToTheKeyboard) {
  read_state = 7;
  type({'w'});
  EXPECT_EQ(read_raw_char(), 'w');
  EXPECT_EQ(read_state, 0);
  EXPECT_EQ(curr_macro, nullptr);
  EXPECT_EQ(std::strncmp(ku_msg_buf, "Read_Char: Invalid Read_state", 29), 0) << ku_msg_buf;
}

TEST_F(ReadStateTest, ReadCharSetsCommandModeForNonText) {
  struct Case {
    int raw;
    int result;
    int mode;
  };
  const Case cases[] = {
      {ERR, 255, COMMAND_MODE}, {200, 200, COMMAND_MODE}, {0, 0, COMMAND_MODE},
      {'a', 'a', INSERT_MODE},  {'\t', '\t', INSERT_MODE}, {'\n', '\n', INSERT_MODE},
      {'~', '~', INSERT_MODE},  {127, '#', COMMAND_MODE},
  };
  for (const Case& c : cases) {
    ku_mode = INSERT_MODE;
    type({c.raw});
    EXPECT_EQ(read_char(), c.result) << c.raw;
    EXPECT_EQ(ku_mode, c.mode) << c.raw;
  }
}

TEST_F(ReadStateTest, WaitForEnterBeepsForEveryOtherKey) {
  type({'x', KEY_F(5), 27, 'q', '\n'});
  EXPECT_EQ(wait_for_enter(), '\n');
  EXPECT_EQ(bells, 3);
  EXPECT_TRUE(keyboard.empty());

  bells = 0;
  type({27, 'O', 'M'});  // keypad ENTER as an undecoded sequence
  EXPECT_EQ(wait_for_enter(), '\n');
  type({KEY_ENTER});
  EXPECT_EQ(wait_for_enter(), '\n');
  EXPECT_EQ(bells, 0);
}

TEST(TerminalInputLost, JudgesTheDescriptor) {
  int p[2];
  ASSERT_EQ(pipe(p), 0);
  // An open, empty pipe: a read that failed now and then is no loss...
  EXPECT_FALSE(terminal_input_lost(p[0], 0, 1));
  EXPECT_FALSE(terminal_input_lost(p[0], EINTR, 100));
  // ...but a read failing at once over and over is.
  EXPECT_TRUE(terminal_input_lost(p[0], 0, 16));
  // A hang-up shows in the read's error or on the descriptor.
  EXPECT_TRUE(terminal_input_lost(p[0], EIO, 1));
  close(p[1]);
  EXPECT_TRUE(terminal_input_lost(p[0], 0, 1));
  close(p[0]);
  EXPECT_TRUE(terminal_input_lost(p[0], 0, 1));  // no longer open

  int null_fd = open("/dev/null", O_RDONLY);
  ASSERT_GE(null_fd, 0);
  EXPECT_FALSE(terminal_input_lost(null_fd, 0, 1));  // end of file: readable...
  EXPECT_TRUE(terminal_input_lost(null_fd, 0, 16));  // ...yet never a key
  close(null_fd);
}

}  // namespace
}  // namespace kuinput
