// Odd environments at the file level: names that are directories, named
// pipes, devices or links to them (refused for reading and writing, never
// waited on), hostile but valid names (blanks, line ends, a leading "-", high
// bytes, 255 bytes), and the options file under a missing, empty, odd or
// read-only HOME.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "files/safewrite.h"
#include "files/textfile.h"
#include "input/readstate.h"
#include "options/options.h"
#include "store/lists.h"
#include "disk.h"
#include "store/memory.h"

namespace {

using kudisk::entries;
using kudisk::set_immutable;
using kudisk::slurp;
using kudisk::spill;


namespace fs = std::filesystem;

// Runs f in a child that is killed after a few seconds, and returns its
// exit status (-1 when it had to be killed: f blocked).  A call that could
// wait on a named pipe is tried here first, so that a fault fails the test
// instead of hanging it.
int in_child_with_deadline(const std::function<int()>& f) {
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    alarm(10);
    _exit(f());
  }
  int st = 0;
  waitpid(pid, &st, 0);
  return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

class OddEnvTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_options_ = options;
    options.input_xlate = 0;
    options.output_xlate = 0;
    overwrite_answer_source = [] { return static_cast<int>('n'); };
    dir_ = kudisk::temp_dir("ku_oddenv_");
    ASSERT_FALSE(dir_.empty());
    init_list(&list_);
    list_.format = 'u';
  }
  void TearDown() override {
    if (locked_) unlock();
    purge_list(&list_);
    overwrite_answer_source = read_char;
    options = saved_options_;
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  fs::path file(const std::string& name) const { return dir_ / name; }

  // Makes directory d refuse new names, as a read-only directory does; false
  // (the test then skips) when running as root where the immutable attribute
  // is not supported, since root writes into any directory.
  bool lock(const fs::path& d) {
    locked_dir_ = d;
    if (geteuid() != 0) {
      locked_ = chmod(d.c_str(), 0555) == 0;
    } else {
      locked_ = set_immutable(d, true);
    }
    return locked_;
  }
  void unlock() {
    if (geteuid() != 0)
      chmod(locked_dir_.c_str(), 0755);
    else
      set_immutable(locked_dir_, false);
    locked_ = false;
  }

  void lines(const std::vector<std::string>& v) {
    purge_list(&list_);
    init_list(&list_);
    list_.format = 'u';
    for (const std::string& s : v) {
      auto* n = static_cast<LineNode*>(ku_alloc(static_cast<size_t>(line_node_size(static_cast<long>(s.size())))));
      n->length = static_cast<int32_t>(s.size());
      std::memcpy(n->text, s.data(), s.size());
      send_node(&list_, n);
    }
  }
  int write(const fs::path& p) {
    int32_t c, n;
    uint32_t sum;
    return write_file(p.c_str(), 1, 'u', first_line(list_), last_line(list_), &c, &n, &sum);
  }
  int read(const fs::path& p) {
    purge_list(&list_);
    init_list(&list_);
    int32_t c, n;
    uint32_t sum;
    char fmt;
    return read_file(p.c_str(), &list_, &c, &n, &sum, &fmt);
  }
  std::vector<std::string> held() const {
    std::vector<std::string> v;
    const Link* l = list_.count > 0 ? list_.first : nullptr;
    for (int32_t i = 0; l && i < list_.count; i++, l = l->next) {
      const auto* line = static_cast<const LineNode*>(l);
      v.emplace_back(line->text, static_cast<size_t>(line->length));
    }
    return v;
  }

  fs::path dir_;
  ListHead list_;
  Options saved_options_;
  bool locked_ = false;
  fs::path locked_dir_;
};

// Each kind of name that is there but holds no text to read.
struct SpecialCase {
  const char* label;
  std::function<std::string(const fs::path& dir)> make;  // returns the path
  const char* refusal;
};

const SpecialCase special_cases[] = {
    {"directory", [](const fs::path& d) { fs::create_directory(d / "sub"); return (d / "sub").string(); },
     "Is a directory"},
    {"fifo", [](const fs::path& d) { mkfifo((d / "pipe").c_str(), 0644); return (d / "pipe").string(); },
     "Not a regular file"},
    {"dev_null", [](const fs::path&) { return std::string("/dev/null"); }, "Not a regular file"},
    {"dev_zero", [](const fs::path&) { return std::string("/dev/zero"); }, "Not a regular file"},
    {"dev_tty", [](const fs::path&) { return std::string("/dev/tty"); }, "Not a regular file"},
    {"link_to_directory",
     [](const fs::path& d) {
       fs::create_directory(d / "sub");
       fs::create_directory_symlink("sub", d / "link");
       return (d / "link").string();
     },
     "Is a directory"},
    {"link_to_fifo",
     [](const fs::path& d) {
       mkfifo((d / "pipe").c_str(), 0644);
       fs::create_symlink("pipe", d / "link");
       return (d / "link").string();
     },
     "Not a regular file"},
};

class OddEnvSpecial : public OddEnvTest, public ::testing::WithParamInterface<SpecialCase> {};

TEST_P(OddEnvSpecial, IsRefusedForReadingAndWritingWithoutWaiting) {
  const SpecialCase& c = GetParam();
  std::string path = c.make(dir_);
  struct stat before;
  ASSERT_EQ(stat(path.c_str(), &before), 0);

  // Neither reading nor writing may wait on it (a pipe with no writer, a
  // terminal with no input) or read it for ever (/dev/zero).
  ASSERT_EQ(in_child_with_deadline([&] { return read(path); }), KU_FILE_CANNOT_OPEN) << "reading blocked";
  lines({"text"});
  ASSERT_EQ(in_child_with_deadline([&] { return write(path); }), KU_FILE_CANNOT_OPEN) << "writing blocked";

  EXPECT_EQ(read(path), KU_FILE_CANNOT_OPEN);
  EXPECT_STREQ(read_refusal, c.refusal);
  EXPECT_EQ(list_.count, 0);
  EXPECT_EQ(open_text_file(path.c_str()), -1);

  char msg[64];
  format_read_refusal("pipe", msg, sizeof msg);
  EXPECT_EQ(std::string(msg), std::string(c.refusal) + ": pipe");

  // Whatever it was, it still is.
  struct stat after;
  ASSERT_EQ(stat(path.c_str(), &after), 0);
  EXPECT_EQ(after.st_mode & S_IFMT, before.st_mode & S_IFMT);
  EXPECT_EQ(after.st_ino, before.st_ino);
  // No temporary file was left behind.
  std::set<std::string> kept = entries(dir_);
  for (const std::string& e : kept) EXPECT_EQ(e.find('~'), std::string::npos) << e;
}

INSTANTIATE_TEST_SUITE_P(Kinds, OddEnvSpecial, ::testing::ValuesIn(special_cases),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(OddEnvTest, RefusalMessageFitsTheMessageArea) {
  fs::create_directory(file("sub"));
  ASSERT_EQ(read(file("sub")), KU_FILE_CANNOT_OPEN);
  char msg[64];
  format_read_refusal(std::string(200, 'd').append("/last").c_str(), msg, sizeof msg);
  EXPECT_EQ(std::strlen(msg), 40u);
  EXPECT_EQ(std::string(msg), "Is a directory: ..." + std::string(16, 'd') + "/last");
  // A name that simply is not there is no refusal.
  EXPECT_EQ(read(file("missing")), KU_FILE_CANNOT_OPEN);
  EXPECT_STREQ(read_refusal, "");
}

TEST_F(OddEnvTest, PlainFileThroughALinkIsRead) {
  spill(file("real.txt"), "one\ntwo\n");
  fs::create_symlink("real.txt", file("link"));
  ASSERT_EQ(read(file("link")), KU_FILE_OK);
  EXPECT_EQ(held(), (std::vector<std::string>{"one", "two"}));
  EXPECT_STREQ(read_refusal, "");
}

// Names that are legal in a directory entry, each written and read back
// under exactly that name.
class OddEnvNames : public OddEnvTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(OddEnvNames, AreWrittenAndReadUnderExactlyThatName) {
  const std::string& name = GetParam();
  lines({"first", "second"});
  ASSERT_EQ(write(file(name)), KU_FILE_OK);
  EXPECT_EQ(entries(dir_), std::set<std::string>{name});
  EXPECT_EQ(slurp(file(name)), "first\nsecond\n");
  ASSERT_EQ(read(file(name)), KU_FILE_OK);
  EXPECT_EQ(held(), (std::vector<std::string>{"first", "second"}));
  // Replacing it again (the temporary name beside it must fit too).
  lines({"third"});
  ASSERT_EQ(write(file(name)), KU_FILE_OK);
  EXPECT_EQ(slurp(file(name)), "third\n");
  EXPECT_EQ(entries(dir_), std::set<std::string>{name});
}

INSTANTIATE_TEST_SUITE_P(Names, OddEnvNames,
                         ::testing::Values(std::string("with blanks in it.txt"), std::string("line\nend"),
                                           std::string("-x"), std::string("--"), std::string("-l"),
                                           std::string("high\x80\xa9\xfe.txt"), std::string(255, 'n'),
                                           std::string(254, 'n') + "~"));

TEST_F(OddEnvTest, LongestNameIsReplacedEvenWhenItsTildeNameIsTaken) {
  // The temporary name is then a fresh one; NAME + ".XXXXXX" would not fit.
  std::string name(255, 'n');
  std::string tilde = name;
  tilde.back() = '~';
  spill(file(name), "old\n");
  spill(file(tilde), "someone else's\n");
  lines({"new"});
  ASSERT_EQ(write(file(name)), KU_FILE_OK);
  EXPECT_EQ(slurp(file(name)), "new\n");
  EXPECT_EQ(slurp(file(tilde)), "someone else's\n");
  EXPECT_EQ(entries(dir_), (std::set<std::string>{name, tilde}));
}

TEST_F(OddEnvTest, OverlongNamesFailCleanly) {
  lines({"text"});
  // A component longer than a directory entry allows, and a path longer
  // than the system allows.
  EXPECT_EQ(write(file(std::string(256, 'n'))), KU_FILE_CANNOT_OPEN);
  std::string deep = dir_.string();
  while (deep.size() < 5000) deep += "/" + std::string(200, 'd');
  EXPECT_EQ(write(deep + "/f.txt"), KU_FILE_CANNOT_OPEN);
  EXPECT_EQ(read(deep + "/f.txt"), KU_FILE_CANNOT_OPEN);
  EXPECT_TRUE(entries(dir_).empty());
}

TEST_F(OddEnvTest, ReadOnlyDirectoryRefusesNewAndExistingFilesAndKeepsThem) {
  fs::create_directory(file("ro"));
  spill(file("ro/old.txt"), "keep me\n");
  if (!lock(file("ro"))) GTEST_SKIP() << "running as root on a file system without the immutable attribute";
  lines({"replacement"});
  EXPECT_EQ(write(file("ro/new.txt")), KU_FILE_CANNOT_OPEN);
  EXPECT_EQ(write(file("ro/old.txt")), KU_FILE_CANNOT_OPEN);
  unlock();
  EXPECT_EQ(slurp(file("ro/old.txt")), "keep me\n");
  EXPECT_EQ(entries(file("ro")), std::set<std::string>{"old.txt"});
  // The text is still there to be written once the directory allows it.
  EXPECT_EQ(write(file("ro/new.txt")), KU_FILE_OK);
  EXPECT_EQ(slurp(file("ro/new.txt")), "replacement\n");
}

// The options file under each odd HOME: loading leaves the defaults and
// says 3, saving says 3, and nothing is created anywhere.
class OddEnvHome : public OddEnvTest {
 protected:
  void SetUp() override {
    OddEnvTest::SetUp();
    if (const char* h = std::getenv("HOME")) {
      had_home_ = true;
      saved_home_ = h;
    }
    set_default_options();
  }
  void TearDown() override {
    if (had_home_)
      setenv("HOME", saved_home_.c_str(), 1);
    else
      unsetenv("HOME");
    OddEnvTest::TearDown();
  }
  // Load and save as a child first (they must not block), then here.
  void expect_load_and_save_fail() {
    ASSERT_EQ(in_child_with_deadline([] { return load_ku_opt_file(); }), 3) << "loading blocked or succeeded";
    ASSERT_EQ(in_child_with_deadline([] { return save_ku_opt_file(); }), 3) << "saving blocked or succeeded";
    options.tabstop = 9;
    EXPECT_EQ(load_ku_opt_file(), 3);
    EXPECT_EQ(options.tabstop, 9);
    EXPECT_EQ(save_ku_opt_file(), 3);
  }
  bool had_home_ = false;
  std::string saved_home_;
};

TEST_F(OddEnvHome, UnsetOrEmpty) {
  unsetenv("HOME");
  expect_load_and_save_fail();
  // An empty HOME is no directory: in particular not the root directory.
  bool root_had_one = fs::exists("/.ku.opt");
  setenv("HOME", "", 1);
  expect_load_and_save_fail();
  if (!root_had_one) {
    EXPECT_FALSE(fs::exists("/.ku.opt"));
  }
}

TEST_F(OddEnvHome, MissingDirectoryOrAFile) {
  setenv("HOME", file("nowhere").c_str(), 1);
  expect_load_and_save_fail();
  EXPECT_FALSE(fs::exists(file("nowhere")));
  spill(file("plain"), "x");
  setenv("HOME", file("plain").c_str(), 1);
  expect_load_and_save_fail();
  EXPECT_EQ(slurp(file("plain")), "x");
}

TEST_F(OddEnvHome, OptionsFileThatIsAPipeOrADirectory) {
  setenv("HOME", dir_.c_str(), 1);
  ASSERT_EQ(mkfifo(file(".ku.opt").c_str(), 0644), 0);
  expect_load_and_save_fail();
  EXPECT_TRUE(fs::is_fifo(file(".ku.opt")));
  fs::remove(file(".ku.opt"));
  fs::create_directory(file(".ku.opt"));
  expect_load_and_save_fail();
  EXPECT_TRUE(fs::is_directory(file(".ku.opt")));
  EXPECT_EQ(entries(dir_), std::set<std::string>{".ku.opt"});
}

TEST_F(OddEnvHome, ReadOnlyHomeKeepsTheSettingsInForce) {
  setenv("HOME", dir_.c_str(), 1);
  options.tabstop = 8;
  ASSERT_EQ(save_ku_opt_file(), 0);
  if (!lock(dir_)) GTEST_SKIP() << "running as root on a file system without the immutable attribute";
  options.tabstop = 2;
  EXPECT_EQ(save_ku_opt_file(), 3);
  EXPECT_EQ(options.tabstop, 2);
  unlock();
  // The saved file is the earlier one, whole.
  EXPECT_EQ(fs::file_size(file(".ku.opt")), OPTIONS_IMAGE_SIZE);
  EXPECT_EQ(load_ku_opt_file(), 0);
  EXPECT_EQ(options.tabstop, 8);
  EXPECT_EQ(entries(dir_), std::set<std::string>{".ku.opt"});
}

TEST_F(OddEnvHome, OptionsFileThroughALinkIsSavedThroughIt) {
  // Settings kept elsewhere and linked into HOME stay linked.
  setenv("HOME", dir_.c_str(), 1);
  fs::create_directory(file("dotfiles"));
  spill(file("dotfiles/ku.opt"), "");
  fs::create_symlink("dotfiles/ku.opt", file(".ku.opt"));
  options.tabstop = 6;
  ASSERT_EQ(save_ku_opt_file(), 0);
  EXPECT_TRUE(fs::is_symlink(file(".ku.opt")));
  EXPECT_EQ(fs::file_size(file("dotfiles/ku.opt")), OPTIONS_IMAGE_SIZE);
  set_default_options();
  ASSERT_EQ(load_ku_opt_file(), 0);
  EXPECT_EQ(options.tabstop, 6);
}

}  // namespace
