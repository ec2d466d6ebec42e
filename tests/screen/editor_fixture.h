// Small helpers shared by the screen tests: start the editor on one file,
// look at the status line, and write the file back with the update key.
#pragma once
#include <memory>
#include <string>

#include "harness.h"

namespace kufix {

// The editor started on f.txt holding `text`, in a terminal of the given size.
inline std::unique_ptr<kutest::Screen> editor(const std::string& text, int rows = 24, int cols = 80) {
  kutest::Options o;
  o.rows = rows;
  o.cols = cols;
  o.args = {"f.txt"};
  auto s = std::make_unique<kutest::Screen>(o);
  s->write_file("f.txt", text);
  EXPECT_TRUE(s->start());
  return s;
}

inline bool status_shows(const kutest::Screen& s, const std::string& text) {
  return s.row(0).find(text) != std::string::npos;
}

// Writes the file with the update command and returns it as stored.
inline std::string saved(kutest::Screen& s) {
  s.keys("<F11>");
  EXPECT_TRUE(status_shows(s, "File has been written")) << s.dump();
  return s.read_file("f.txt");
}

}  // namespace kufix
