// Test support for the input layer: a scripted keyboard standing in for the
// terminal (raw_key_source) and bell counters standing in for the terminal
// bell, with the read-state globals reset around every test.
#pragma once

#include <curses.h>

#include <deque>
#include <vector>

#include <gtest/gtest.h>

#include "input/keys.h"
#include "input/readstate.h"
#include "term/status.h"

namespace kuinput {

// Keys the scripted keyboard still holds, and how many it has handed out.
inline std::deque<int> keyboard;
inline int keyboard_reads = 0;
inline int bells = 0;

// Hands out the scripted keys; an exhausted script is a test failure and
// answers ENTER so that loops waiting for it end.
inline int scripted_key(int) {
  keyboard_reads++;
  if (keyboard.empty()) {
    ADD_FAILURE() << "the test read more keys than it scripted";
    return '\n';
  }
  int k = keyboard.front();
  keyboard.pop_front();
  return k;
}

inline void count_bell() { bells++; }

// While alive: the scripted keyboard, counted bells, the keyboard read state
// and insert mode; the previous key source and bells come back afterwards.
class ScriptedInput {
 public:
  ScriptedInput() { reset(); }
  ~ScriptedInput() {
    raw_key_source = saved_source_;
    decode_bell = saved_decode_bell_;
    refuse_bell = saved_refuse_bell_;
    read_state = 0;
    curr_macro = nullptr;
    init_macro_keys = 0;
    init_macro_ix = 0;
  }
  ScriptedInput(const ScriptedInput&) = delete;
  ScriptedInput& operator=(const ScriptedInput&) = delete;

  static void reset() {
    keyboard.clear();
    keyboard_reads = 0;
    bells = 0;
    raw_key_source = scripted_key;
    decode_bell = count_bell;
    refuse_bell = count_bell;
    read_state = 0;
    curr_macro = nullptr;
    rs_ix = 0;
    rs_reps_left = 0;
    init_macro_keys = 0;
    init_macro_ix = 0;
    ku_mode = last_ku_mode = INSERT_MODE;
  }

 private:
  int (*saved_source_)(int) = raw_key_source;
  void (*saved_decode_bell_)() = decode_bell;
  void (*saved_refuse_bell_)() = refuse_bell;
};

inline void type(std::initializer_list<int> keys) { keyboard.insert(keyboard.end(), keys); }
inline void type(const std::vector<int>& keys) { keyboard.insert(keyboard.end(), keys.begin(), keys.end()); }
inline void type_text(const char* s) {
  while (*s) keyboard.push_back(static_cast<unsigned char>(*s++));
}

// A test without a terminal (ku_win null) reading scripted keys.
class InputTest : public ::testing::Test {
 private:
  ScriptedInput input_;
};

}  // namespace kuinput
