// Odd environments seen from the terminal: names that are directories,
// named pipes or devices (refused with a message, never waited on), hostile
// but valid names, a read-only working directory, a file replaced by a
// directory before an update, and a HOME that is unset, empty, missing or
// holds a named pipe as the options file.  In each the editor keeps running
// and no text is lost.
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "disk.h"
#include "harness.h"

namespace {

using kudisk::entries;
using kudisk::set_immutable;

namespace fs = std::filesystem;
using kutest::Options;
using kutest::Screen;

bool top_shows(const Screen& s, const std::string& text) { return s.row(0).find(text) != std::string::npos; }

// A message of start-up may already have been drawn over when the first
// screen is read: what was drawn counts too.
bool was_shown(const Screen& s, const std::string& text) {
  return s.contains(text) || s.output().find(text) != std::string::npos;
}

// How a name is drawn: one cell a byte, control and high bytes as '~'.
std::string drawn(const std::string& name) {
  std::string out;
  for (unsigned char c : name) out.push_back(c < 32 || c >= 127 ? '~' : static_cast<char>(c));
  return out;
}

// Keeps a directory from taking new names while it lives: permission bits
// for a normal user, the immutable attribute for root (who ignores the
// bits).  Declared after the Screen, so the directory is writable again
// before the harness removes it.
class ReadOnlyDir {
 public:
  explicit ReadOnlyDir(std::string d) : dir_(std::move(d)) {
    locked_ = geteuid() != 0 ? chmod(dir_.c_str(), 0555) == 0 : set_immutable(dir_, true);
  }
  ~ReadOnlyDir() { unlock(); }
  bool locked() const { return locked_; }
  void unlock() {
    if (!locked_) return;
    if (geteuid() != 0)
      chmod(dir_.c_str(), 0755);
    else
      set_immutable(dir_, false);
    locked_ = false;
  }

 private:
  std::string dir_;
  bool locked_ = false;
};

const char* const skip_root = "running as root on a file system without the immutable attribute";

// --- names that hold no text -------------------------------------------

struct SpecialCase {
  const char* label;
  const char* name;                   // as given on the command line
  std::function<void(Screen&)> make;  // makes it in the working directory
  const char* message;
  bool through_dialog;  // also typed into the open-file dialog (a directory is entered there instead)
};

void nothing(Screen&) {}

const SpecialCase special_cases[] = {
    {"directory", "sub", [](Screen& s) { fs::create_directory(s.path("sub")); }, "Is a directory: sub", false},
    {"fifo", "pipe", [](Screen& s) { mkfifo(s.path("pipe").c_str(), 0644); }, "Not a regular file: pipe", true},
    {"dev_null", "/dev/null", nothing, "Not a regular file: /dev/null", true},
    {"dev_zero", "/dev/zero", nothing, "Not a regular file: /dev/zero", true},
    {"dev_tty", "/dev/tty", nothing, "Not a regular file: /dev/tty", true},
    {"link_to_directory", "link",
     [](Screen& s) {
       fs::create_directory(s.path("sub"));
       fs::create_directory_symlink("sub", s.path("link"));
     },
     "Is a directory: link", false},
    {"link_to_fifo", "link",
     [](Screen& s) {
       mkfifo(s.path("pipe").c_str(), 0644);
       fs::create_symlink("pipe", s.path("link"));
     },
     "Not a regular file: link", true},
};

class OddEnvSpecialName : public ::testing::TestWithParam<SpecialCase> {};

TEST_P(OddEnvSpecialName, IsRefusedWithAMessageAndEditingGoesOn) {
  const SpecialCase& c = GetParam();
  const std::string name = c.name;
  Options o;
  o.args = {name};
  Screen t(o);
  c.make(t);
  // The editor must not wait on a pipe or a terminal, nor read /dev/zero
  // for ever: start would time out.
  ASSERT_TRUE(t.start());
  ASSERT_TRUE(t.running());
  EXPECT_TRUE(was_shown(t, c.message)) << t.dump();
  // An unnamed new file is edited instead, and works.
  t.keys("typed");
  EXPECT_SCREEN_ROW(t, 2, "typed");
  EXPECT_EQ(t.row(0).find("Unnamed File"), 0u) << t.dump();

  if (c.through_dialog) {
    t.keys("<Esc>ef" + name + "<CR>");
    ASSERT_TRUE(t.running());
    EXPECT_TRUE(top_shows(t, c.message)) << t.dump();
    EXPECT_EQ(t.row(0).find("Unnamed File"), 0u) << t.dump();
    EXPECT_SCREEN_ROW(t, 2, "typed");
  }
  // Nothing was made of it.
  if (name[0] != '/') {
    struct stat st;
    ASSERT_EQ(lstat(t.path(name).c_str(), &st), 0);
    EXPECT_FALSE(S_ISREG(st.st_mode));
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, OddEnvSpecialName, ::testing::ValuesIn(special_cases),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(OddEnv, RefusedNameAmongOthersKeepsItsMessage) {
  Options o;
  o.args = {"a.txt", "pipe", "b.txt"};
  Screen s(o);
  s.write_file("a.txt", "alpha\n");
  s.write_file("b.txt", "beta\n");
  ASSERT_EQ(mkfifo(s.path("pipe").c_str(), 0644), 0);
  ASSERT_TRUE(s.start());
  EXPECT_TRUE(was_shown(s, "Not a regular file: pipe")) << s.dump();
  EXPECT_FALSE(s.contains("files opened")) << s.dump();
  EXPECT_SCREEN_ROW(s, 2, "alpha");
  s.keys("<Esc>n");
  EXPECT_SCREEN_ROW(s, 2, "beta");
  s.keys("<Esc>n");
  EXPECT_SCREEN_ROW(s, 2, "alpha");
}

TEST(OddEnv, LinksToNothingAndLoopsOfLinks) {
  // A link to nothing is a new file: writing it creates what it names.
  Options o;
  o.args = {"dangling"};
  Screen s(o);
  fs::create_symlink("target.txt", s.path("dangling"));
  ASSERT_TRUE(s.start());
  EXPECT_TRUE(was_shown(s, "New File: dangling")) << s.dump();
  s.keys("made<F11>");
  EXPECT_TRUE(top_shows(s, "File has been written")) << s.dump();
  EXPECT_EQ(s.read_file("target.txt"), "made\n");
  EXPECT_TRUE(fs::is_symlink(s.path("dangling")));

  // A loop cannot be looked at: it may not be taken for a new file.
  Options l;
  l.args = {"loop"};
  Screen t(l);
  fs::create_symlink("loop", t.path("loop"));
  ASSERT_TRUE(t.start());
  EXPECT_TRUE(was_shown(t, "Could not open requested file")) << t.dump();
  EXPECT_FALSE(was_shown(t, "New File")) << t.dump();
  t.keys("x<F11>");
  EXPECT_TRUE(top_shows(t, "Select/Type Filename to Write")) << t.dump();
}

// --- hostile but valid names --------------------------------------------

class OddEnvHostileName : public ::testing::TestWithParam<std::string> {};

TEST_P(OddEnvHostileName, IsShownCellForCellAndWrittenUnderItsOwnName) {
  const std::string& name = GetParam();
  Options o;
  o.args = {name};
  Screen s(o);
  s.write_file(name, "abc\n");
  ASSERT_TRUE(s.start());
  EXPECT_SCREEN_ROW(s, 2, "abc");
  s.keys("x");
  // The file-name field holds the name's last characters, one cell a byte.
  std::string shown = drawn(name);
  if (shown.size() > 22) shown = "..." + shown.substr(shown.size() - 19);
  EXPECT_EQ(s.row(0).substr(0, shown.size()), shown) << s.dump();
  s.keys("<F11>");
  EXPECT_TRUE(top_shows(s, "File has been written")) << s.dump();
  EXPECT_EQ(s.read_file(name), "xabc\n");
  EXPECT_EQ(entries(s.dir()), std::set<std::string>{name});
}

INSTANTIATE_TEST_SUITE_P(Names, OddEnvHostileName,
                         ::testing::Values(std::string("with blanks.txt"), std::string("line\nend"),
                                           std::string("-x"), std::string("--"), std::string("high\x80\xa9\xfe.txt"),
                                           std::string(255, 'n')));

TEST(OddEnv, NameTooLongForAnEntryBecomesTheStandInName) {
  Options o;
  o.args = {std::string(300, 'n')};
  Screen s(o);
  ASSERT_TRUE(s.start());
  EXPECT_TRUE(s.running());
  EXPECT_TRUE(was_shown(s, "New File: Filename-too-large.txt")) << s.dump();
  s.keys("kept<F11>");
  EXPECT_EQ(s.read_file("Filename-too-large.txt"), "kept\n");
}

// --- places that cannot be written --------------------------------------

TEST(OddEnv, ReadOnlyWorkingDirectoryKeepsTheTextAndTheCopyGoesHome) {
  Options o;
  o.args = {"old.txt"};
  Screen s(o);
  s.write_file("old.txt", "old\n");
  ASSERT_TRUE(s.start());
  ReadOnlyDir ro(s.dir());
  if (!ro.locked()) GTEST_SKIP() << skip_root;
  s.keys("new ");
  s.keys("<F11>");
  EXPECT_TRUE(top_shows(s, "Failed to write file")) << s.dump();
  // Save cannot write either: the file stays open, changed.
  s.keys("<Esc>qS");
  ASSERT_TRUE(s.running());
  EXPECT_TRUE(top_shows(s, "Failed to write file")) << s.dump();
  EXPECT_SCREEN_ROW(s, 2, "new old");
  EXPECT_EQ(s.row(0).find("old.txt"), 0u) << s.dump();
  // Told to stop, the editor leaves its copy in the home directory.
  ASSERT_TRUE(s.signal(SIGTERM));
  ASSERT_TRUE(s.wait_exit());
  EXPECT_EQ(s.exit_status(), 128 + SIGTERM);
  ro.unlock();
  EXPECT_EQ(s.read_file("old.txt"), "old\n");
  EXPECT_EQ(entries(s.dir()), std::set<std::string>{"old.txt"});
  EXPECT_EQ(s.read_file("~/old.txt.save"), "new old\n");
}

TEST(OddEnv, NewFileInAReadOnlyDirectoryIsWrittenOnceItCanBe) {
  Screen s;
  ASSERT_TRUE(s.start());
  ReadOnlyDir ro(s.dir());
  if (!ro.locked()) GTEST_SKIP() << skip_root;
  s.keys("hello<F11>new.txt<CR>");
  EXPECT_TRUE(top_shows(s, "Failed to write file")) << s.dump();
  EXPECT_EQ(s.row(0).find("Unnamed File"), 0u) << s.dump();
  EXPECT_SCREEN_ROW(s, 2, "hello");
  ro.unlock();
  s.keys("<F11>new.txt<CR>");
  EXPECT_TRUE(top_shows(s, "File has been written")) << s.dump();
  EXPECT_EQ(s.read_file("new.txt"), "hello\n");
}

struct ReplacedCase {
  const char* label;
  std::function<void(const std::string&)> replace;
};

class OddEnvReplacedBeforeUpdate : public ::testing::TestWithParam<ReplacedCase> {};

TEST_P(OddEnvReplacedBeforeUpdate, UpdateIsRefusedAndTheTextStays) {
  Options o;
  o.args = {"f.txt"};
  Screen s(o);
  s.write_file("f.txt", "abc\n");
  ASSERT_TRUE(s.start());
  s.keys("x");
  fs::remove(s.path("f.txt"));
  GetParam().replace(s.path("f.txt"));
  s.keys("<F11>");
  ASSERT_TRUE(s.running());
  EXPECT_TRUE(top_shows(s, "Failed to write file")) << s.dump();
  EXPECT_SCREEN_ROW(s, 2, "xabc");
  // Once the name is free again, the same text is written.
  fs::remove(s.path("f.txt"));
  s.keys("<F11>");
  EXPECT_TRUE(top_shows(s, "File has been written")) << s.dump();
  EXPECT_EQ(s.read_file("f.txt"), "xabc\n");
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, OddEnvReplacedBeforeUpdate,
    ::testing::Values(ReplacedCase{"directory", [](const std::string& p) { fs::create_directory(p); }},
                      ReplacedCase{"fifo", [](const std::string& p) { mkfifo(p.c_str(), 0644); }}),
    [](const auto& info) { return std::string(info.param.label); });

// --- HOME ---------------------------------------------------------------

struct HomeCase {
  const char* label;
  bool unset;
  std::function<std::string(const fs::path& scratch)> value;  // HOME to give (unless unset)
};

const HomeCase home_cases[] = {
    {"unset", true, nullptr},
    {"empty", false, [](const fs::path&) { return std::string(); }},
    {"missing", false, [](const fs::path& d) { return (d / "no/such/home").string(); }},
    {"a_device", false, [](const fs::path&) { return std::string("/dev/null"); }},
    {"options_file_is_a_fifo", false,
     [](const fs::path& d) {
       mkfifo((d / ".ku.opt").c_str(), 0644);
       return d.string();
     }},
    {"options_file_is_a_directory", false,
     [](const fs::path& d) {
       fs::create_directory(d / ".ku.opt");
       return d.string();
     }},
};

class OddEnvHome : public ::testing::TestWithParam<HomeCase> {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/ku_oddenv_home_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    scratch_ = tmpl;
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(scratch_, ec);
  }
  fs::path scratch_;
};

TEST_P(OddEnvHome, EditorStartsEditsAndSavesCopies) {
  const HomeCase& c = GetParam();
  Options o;
  o.args = {"f.txt"};
  if (c.unset) {
    // The harness always sets HOME: env takes it away on the way.
    o.program = "/usr/bin/env";
    o.args = {"-u", "HOME", kutest::ku_binary(), "f.txt"};
  } else {
    o.env = {{"HOME", c.value(scratch_)}};
  }
  Screen s(o);
  s.write_file("f.txt", "abc\n");
  ASSERT_TRUE(s.start());
  ASSERT_TRUE(s.running());
  EXPECT_SCREEN_ROW(s, 2, "abc");
  s.keys("x<F11>");
  EXPECT_TRUE(top_shows(s, "File has been written")) << s.dump();
  EXPECT_EQ(s.read_file("f.txt"), "xabc\n");
  // Changed again, then told to stop: the copy goes beside the file.
  s.keys("!");
  ASSERT_TRUE(s.signal(SIGTERM));
  ASSERT_TRUE(s.wait_exit());
  EXPECT_EQ(s.exit_status(), 128 + SIGTERM);
  EXPECT_EQ(s.read_file("f.txt.save"), "x!abc\n");
  // The options file, whatever it was, is as it was.
  if (fs::exists(scratch_ / ".ku.opt")) {
    EXPECT_FALSE(fs::is_regular_file(scratch_ / ".ku.opt"));
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, OddEnvHome, ::testing::ValuesIn(home_cases),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
