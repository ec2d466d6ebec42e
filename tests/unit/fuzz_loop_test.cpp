// Hostile input for the file readers, as a seeded loop: random bytes and
// mutations of sound inputs (text with Unix and DOS line ends, long lines,
// TABs, high bytes; a valid options image; a valid macro image) go to
// read_file, load_ku_opt_file and the macro file reader. None may crash, read
// out of bounds or hang, and every refusal must carry its message. The same
// checks are the bodies of the libFuzzer targets in tests/fuzz.
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../fuzz/fuzz_inputs.h"
#include "input/keys.h"

namespace {

using Bytes = std::vector<uint8_t>;

class FuzzLoop : public ::testing::Test {
 protected:
  void SetUp() override {
    char t[] = "/tmp/ku-fuzzloop-XXXXXX";
    ASSERT_NE(mkdtemp(t), nullptr);
    dir_ = t;
    const char* h = std::getenv("HOME");
    saved_home_ = h ? h : "";
    had_home_ = h != nullptr;
  }
  void TearDown() override {
    if (had_home_)
      setenv("HOME", saved_home_.c_str(), 1);
    else
      unsetenv("HOME");
    set_default_options();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

  // A mutation of a sound input: byte changes, insertions, deletions,
  // truncation, repeats of a slice; sometimes bytes wholly at random.
  Bytes mutate(Bytes b) {
    if (pick(0, 9) == 0) {
      Bytes r(static_cast<size_t>(pick(0, 600)));
      for (auto& c : r) c = static_cast<uint8_t>(pick(0, 255));
      return r;
    }
    for (int i = 0, n = pick(1, 8); i < n; i++) {
      size_t at = b.empty() ? 0 : static_cast<size_t>(pick(0, static_cast<int>(b.size()) - 1));
      switch (pick(0, 5)) {
        case 0:
          if (!b.empty()) b[at] = static_cast<uint8_t>(pick(0, 255));
          break;
        case 1:
          if (!b.empty()) b[at] ^= static_cast<uint8_t>(1 << pick(0, 7));
          break;
        case 2: b.insert(b.begin() + static_cast<long>(at), static_cast<uint8_t>(pick(0, 255))); break;
        case 3:
          if (!b.empty()) b.erase(b.begin() + static_cast<long>(at));
          break;
        case 4: b.resize(static_cast<size_t>(pick(0, static_cast<int>(b.size())))); break;
        case 5: {
          size_t len = static_cast<size_t>(pick(0, 400));
          Bytes slice(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(std::min(b.size(), at + len)));
          for (int k = 0, r = pick(1, 3); k < r; k++) b.insert(b.begin() + static_cast<long>(at), slice.begin(), slice.end());
          break;
        }
      }
    }
    return b;
  }

  std::mt19937 rng_{20240611};
  std::string dir_;
  std::string saved_home_;
  bool had_home_ = false;
};

Bytes text_of(const std::string& s) { return Bytes(s.begin(), s.end()); }

std::vector<Bytes> text_seeds() {
  std::string long_line(400, 'x');
  std::string high;
  for (int c = 128; c < 255; c++) high += static_cast<char>(c);
  return {
      text_of("\x01plain text\nsecond line\n"),
      text_of("\x00dos line\r\nanother\r\n\r\nlast"),
      text_of(std::string("\x03") + long_line + "\n" + long_line + long_line + "\nend\n"),
      text_of("\x09\ttab\tstops\t\n\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\tx\n"),
      text_of("\x02" + high + "\n" + high + high + high + "\r\n"),
      text_of(""),
  };
}

Bytes options_seed() {
  set_default_options();
  Bytes b(OPTIONS_IMAGE_SIZE);
  options_to_image(options, b.data());
  return b;
}

Bytes macro_seed() {
  MacroRecord m{};
  std::strcpy(m.name, "seed");
  int keys[] = {27, 'l', 'a', 'b', 0x10d /* F5 */, 'x', '\n', 27, '[', '1', ';', '2', 'A', 27, 'O', 'M', 0x1b, 300, -1};
  for (int k : keys) m.keys[m.key_count++] = k;
  macro_stamp(&m);
  Bytes b(MACRO_IMAGE_SIZE);
  macro_to_image(&m, b.data());
  return b;
}

TEST_F(FuzzLoop, TextFilesOfHostileBytes) {
  std::vector<Bytes> seeds = text_seeds();
  for (auto& s : seeds) EXPECT_EQ(kufuzz::check_text_file(s.data(), s.size(), dir_), "");
  for (int i = 0; i < 3000; i++) {
    Bytes in = mutate(seeds[static_cast<size_t>(pick(0, static_cast<int>(seeds.size()) - 1))]);
    std::string err = kufuzz::check_text_file(in.data(), in.size(), dir_);
    ASSERT_EQ(err, "") << "input " << i << " of " << in.size() << " bytes";
  }
}

TEST_F(FuzzLoop, OptionsFilesOfHostileBytes) {
  Bytes seed = options_seed();
  EXPECT_EQ(kufuzz::check_options_file(seed.data(), seed.size(), dir_), "");
  for (int i = 0; i < 3000; i++) {
    Bytes in = mutate(seed);
    if (in.size() > 100) in.resize(static_cast<size_t>(pick(0, 100)));
    std::string err = kufuzz::check_options_file(in.data(), in.size(), dir_);
    ASSERT_EQ(err, "") << "input " << i << " of " << in.size() << " bytes";
  }
}

// Macro files holding the resize key code (0632): a replay hands it to the
// decoder as it is, on its own or inside an escape sequence, and decoding
// ends. Found by the fuzzer as a hang of the checks, which had sent it
// through the keyboard path (which waits there for a usable terminal size).
TEST_F(FuzzLoop, MacroFilesHoldingTheResizeKey) {
  const std::vector<std::vector<int>> cases = {
      {0632},
      {'a', 0632, 'b'},
      {27, '[', 0632, 'A'},
      {27, 0632},
      {27, 'l', 'a', 'b', 0x10d, 'x', '\n', 167, 337707216, 1627389952, ';', '2', 'A', 27, 'O', 'M', 27, 300, 0632},
  };
  for (const auto& keys : cases) {
    MacroRecord m{};
    std::strcpy(m.name, "resize");
    for (int k : keys) m.keys[m.key_count++] = k;
    macro_stamp(&m);
    Bytes b(MACRO_IMAGE_SIZE);
    macro_to_image(&m, b.data());
    EXPECT_EQ(kufuzz::check_macro_file(b.data(), b.size()), "") << keys.size() << " keys";
  }
}

TEST_F(FuzzLoop, MacroFilesOfHostileBytes) {
  Bytes seed = macro_seed();
  EXPECT_EQ(kufuzz::check_macro_file(seed.data(), seed.size()), "");
  MacroRecord m{};
  ASSERT_EQ(macro_from_image(seed.data(), seed.size(), &m), 0);
  for (int i = 0; i < 4000; i++) {
    Bytes in = pick(0, 1) ? mutate(seed) : seed;
    // Changes inside the fields that are checked, with the size kept, reach
    // the key decoding more often.
    if (in.size() == seed.size() || pick(0, 3) == 0) {
      in.resize(MACRO_IMAGE_SIZE);
      for (int k = 0, n = pick(0, 40); k < n; k++) in[static_cast<size_t>(pick(MACRO_IMAGE_KEY_COUNT, MACRO_IMAGE_SIZE - 1))] = static_cast<uint8_t>(pick(0, 255));
    }
    std::string err = kufuzz::check_macro_file(in.data(), in.size());
    ASSERT_EQ(err, "") << "input " << i << " of " << in.size() << " bytes";
  }
}

}  // namespace
