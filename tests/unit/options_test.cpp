// The options record and its 52-byte big-endian file image.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "options/options.h"

namespace {

namespace fs = std::filesystem;

std::vector<unsigned char> read_bytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

const unsigned char kDefaultImage[52] = {
    0x33, 0x35, 0x67, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x48,
    0x00, 0x00, 0x00, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0x5E, 0x24, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01,
};

// Each test gets its own HOME so that nothing touches the real one.
struct OptionsFile : ::testing::Test {
  fs::path home;
  std::string saved_home;
  bool had_home = false;
  void SetUp() override {
    if (const char* h = std::getenv("HOME")) {
      had_home = true;
      saved_home = h;
    }
    char tmpl[] = "/tmp/ku-opt-XXXXXX";
    home = mkdtemp(tmpl);
    setenv("HOME", home.c_str(), 1);
    set_default_options();
  }
  void TearDown() override {
    fs::remove_all(home);
    if (had_home)
      setenv("HOME", saved_home.c_str(), 1);
    else
      unsetenv("HOME");
  }
  fs::path opt() const { return home / ".ku.opt"; }
};

TEST_F(OptionsFile, DefaultsHold) {
  EXPECT_EQ(std::string(options.version, 3), "35g");
  EXPECT_EQ(options.tabstop, 4);
  EXPECT_EQ(options.input_xlate, 1);
  EXPECT_EQ(options.output_xlate, 0);
  EXPECT_EQ(options.auto_indent, 1);
  EXPECT_EQ(options.text_wrapping, 0);
  EXPECT_EQ(options.left_margin, -1);
  EXPECT_EQ(options.right_margin, 72);
  EXPECT_EQ(options.right_justify, 1);
  EXPECT_EQ(options.bg_color, -1);
  EXPECT_EQ(options.fg_color, -1);
  EXPECT_EQ(options.sol_match_char, '^');
  EXPECT_EQ(options.eol_match_char, '$');
  EXPECT_EQ(options.mouse_support, 1);
  EXPECT_EQ(load_ku_opt_file(), 3);  // no file: defaults stay
  EXPECT_EQ(options.tabstop, 4);
}

TEST_F(OptionsFile, SavedDefaultsAreTheExactImage) {
  ASSERT_EQ(save_ku_opt_file(), 0);
  auto bytes = read_bytes(opt());
  ASSERT_EQ(bytes.size(), 52u);
  EXPECT_EQ(0, std::memcmp(bytes.data(), kDefaultImage, 52));
}

TEST_F(OptionsFile, SaveLoadSaveRoundTrips) {
  options.tabstop = 8;
  options.left_margin = 10;
  options.right_margin = 300;
  options.bg_color = 4;
  options.fg_color = 7;
  options.sol_match_char = '<';
  options.mouse_support = 0;
  options.reserved = -123456;
  ASSERT_EQ(save_ku_opt_file(), 0);
  auto first = read_bytes(opt());
  set_default_options();
  ASSERT_EQ(load_ku_opt_file(), 0);
  EXPECT_EQ(options.tabstop, 8);
  EXPECT_EQ(options.left_margin, 10);
  EXPECT_EQ(options.right_margin, 300);
  EXPECT_EQ(options.bg_color, 4);
  EXPECT_EQ(options.sol_match_char, '<');
  EXPECT_EQ(options.reserved, -123456);
  ASSERT_EQ(save_ku_opt_file(), 0);
  EXPECT_EQ(read_bytes(opt()), first);
}

TEST_F(OptionsFile, ShortFileReplacesOnlyWhatItCovers) {
  const unsigned char eight[8] = {'9', '9', 'z', 0, 0, 0, 0, 2};
  {
    std::ofstream out(opt(), std::ios::binary);
    out.write(reinterpret_cast<const char*>(eight), 8);
  }
  options.right_margin = 60;
  ASSERT_EQ(load_ku_opt_file(), 0);
  EXPECT_EQ(std::string(options.version, 3), "99z");
  EXPECT_EQ(options.tabstop, 2);
  EXPECT_EQ(options.right_margin, 60);
  EXPECT_EQ(options.input_xlate, 1);
}

TEST_F(OptionsFile, HomeUnsetOrTooLongCannotBeOpened) {
  unsetenv("HOME");
  EXPECT_EQ(save_ku_opt_file(), 3);
  EXPECT_EQ(load_ku_opt_file(), 3);
  std::string longhome = "/" + std::string(300, 'h');
  setenv("HOME", longhome.c_str(), 1);
  EXPECT_EQ(save_ku_opt_file(), 3);
  EXPECT_EQ(load_ku_opt_file(), 3);
  std::string fits = "/" + std::string(262, 'h');  // 263 characters + "/.ku.opt" fills the buffer
  setenv("HOME", fits.c_str(), 1);
  char path[OPT_PATH_SIZE];
  EXPECT_TRUE(ku_opt_path(path));
  EXPECT_EQ(std::strlen(path), 271u);
}

}  // namespace
