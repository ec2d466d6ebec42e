// Key notation of the screen-test harness: turns "<Esc>x<F5>" style text
// into the writes to make, taking key sequences from the terminfo entry of
// the terminal being emulated. Internal to the harness library.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kutest::detail {

// One write to the terminal. After a lone ESC the harness waits for the
// program to go idle, so that it reads the ESC on its own.
struct KeyWrite {
  std::string bytes;
  bool settle_after = false;
};

// Splits notation into writes for terminal `term`. On a bad <name> returns
// nothing and sets *error.
std::vector<KeyWrite> parse_keys(std::string_view notation, const std::string& term,
                                 std::string* error);

// The bytes of one key name: terminfo first, else the xterm-style sequence
// when fallback is true. Empty for an unknown name (or no terminfo entry).
std::optional<std::string> key_bytes(const std::string& term, std::string_view name, bool fallback);

// A string capability of terminfo entry `term`; empty when the entry or the
// capability is missing. Defined in terminfo.cpp.
std::optional<std::string> terminfo_string(const std::string& term, const std::string& cap);

}  // namespace kutest::detail
