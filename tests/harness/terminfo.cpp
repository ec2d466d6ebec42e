// Terminfo look-ups for the harness. Kept alone in this file because
// <term.h> defines capability macros (lines, columns, bell...) that would
// clash with ordinary names elsewhere.
#include <curses.h>
#include <term.h>

#include <fcntl.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <utility>

#include "keys.h"

namespace kutest::detail {

namespace {

// Loads entry `term`, reads `cap` from it and restores the current terminal,
// so that many entries can be consulted in one process.
std::optional<std::string> load(const std::string& term, const std::string& cap) {
  static int devnull = open("/dev/null", O_RDWR | O_CLOEXEC);
  TERMINAL* saved = cur_term;
  int err = 0;
  if (setupterm(term.c_str(), devnull, &err) != OK) {
    set_curterm(saved);
    return std::nullopt;
  }
  TERMINAL* mine = cur_term;
  const char* s = tigetstr(const_cast<char*>(cap.c_str()));
  std::optional<std::string> result;
  if (s != nullptr && s != reinterpret_cast<const char*>(-1)) result = std::string(s);
  set_curterm(saved);
  del_curterm(mine);
  return result;
}

}  // namespace

std::optional<std::string> terminfo_string(const std::string& term, const std::string& cap) {
  static std::mutex mu;
  static std::map<std::pair<std::string, std::string>, std::optional<std::string>> cache;
  std::lock_guard<std::mutex> lock(mu);
  auto key = std::make_pair(term, cap);
  auto it = cache.find(key);
  if (it == cache.end()) it = cache.emplace(key, load(term, cap)).first;
  return it->second;
}

}  // namespace kutest::detail
