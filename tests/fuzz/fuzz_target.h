// What the three libFuzzer targets share: a temporary directory of this
// process for the files they write, and the verdict on a check's answer.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace kufuzz {

inline const std::string& fuzz_dir() {
  static char t[] = "/tmp/ku-fuzz-XXXXXX";
  static std::string d = [] {
    if (!mkdtemp(t)) std::abort();
    std::atexit([] { rmdir(t); });
    return std::string(t);
  }();
  return d;
}

// An empty answer is a pass; anything else is a finding, reported and turned
// into a crash so that libFuzzer keeps the input.
inline int verdict(const std::string& err) {
  if (!err.empty()) {
    std::fprintf(stderr, "ku_fuzz: %s\n", err.c_str());
    std::abort();
  }
  return 0;
}

}  // namespace kufuzz
