// Safe writing over real files in a temporary directory: the overwrite
// question, the temporary name, symbolic links, permission bits, and writes
// that fail part-way (file size limit, no descriptors, unwritable directory,
// failed rename), after each of which the original file must be intact.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
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

mode_t mode_of(const fs::path& p) {
  struct stat st;
  return stat(p.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// Runs f in a forked child and returns its exit status (128 + signal when
// it was killed), so that resource limits stay out of the test process.
int in_child(const std::function<int()>& f) {
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) _exit(f());
  int st = 0;
  waitpid(pid, &st, 0);
  return WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
}

int answer_key = 0;
int times_asked = 0;
int scripted_answer() {
  times_asked++;
  return answer_key;
}

class SafeWriteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_options_ = options;
    options.tabstop = 4;
    options.input_xlate = 0;
    options.output_xlate = 0;
    overwrite_answer_source = scripted_answer;
    times_asked = 0;
    answer_key = 0;
    dir_ = kudisk::temp_dir("ku_safewrite_");
    ASSERT_FALSE(dir_.empty());
    init_list(&list_);
    list_.format = 'u';
  }
  void TearDown() override {
    for (const fs::path& p : immutable_) set_immutable(p, false);
    purge_list(&list_);
    overwrite_answer_source = read_char;
    options = saved_options_;
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  fs::path file(const std::string& name) const { return dir_ / name; }

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

  int write(const fs::path& p, int overwrite_ok = 1) {
    return write_file(p.c_str(), overwrite_ok, 'u', first_line(list_), last_line(list_), &chars_, &nlines_, &sum_);
  }

  bool immutable(const fs::path& p) {
    if (!set_immutable(p, true)) return false;
    immutable_.push_back(p);
    return true;
  }

  Options saved_options_;
  fs::path dir_;
  ListHead list_{};
  int32_t chars_ = -7, nlines_ = -7;
  uint32_t sum_ = 7;
  std::vector<fs::path> immutable_;
};

TEST_F(SafeWriteTest, OverwriteQuestion) {
  struct Case {
    int key;
    bool replaced;
  } cases[] = {{'n', false}, {'N', false}, {'x', false}, {27, false}, {'y', true}, {'Y', true}};
  lines({"new text"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    spill(file("notes.txt"), "old text\n");
    answer_key = c.key;
    times_asked = 0;
    EXPECT_EQ(write(file("notes.txt"), 0), c.replaced ? KU_FILE_OK : KU_FILE_CANNOT_OPEN);
    EXPECT_EQ(times_asked, 1);
    EXPECT_EQ(slurp(file("notes.txt")), c.replaced ? "new text\n" : "old text\n");
    EXPECT_EQ(entries(dir_), std::set<std::string>{"notes.txt"});
  }
  // write_open's own reason code for a refusal.
  answer_key = 'n';
  int code = -1;
  EXPECT_EQ(write_open(file("notes.txt").c_str(), 0, &code), nullptr);
  EXPECT_EQ(code, KU_WRITE_DECLINED);
}

TEST_F(SafeWriteTest, NewFileAsksNothingAndGetsTheUsualMode) {
  lines({"a", "b"});
  answer_key = 'n';
  ASSERT_EQ(write(file("fresh.txt"), 0), KU_FILE_OK);
  EXPECT_EQ(times_asked, 0);
  EXPECT_EQ(slurp(file("fresh.txt")), "a\nb\n");
  mode_t mask = umask(022);
  umask(mask);
  EXPECT_EQ(mode_of(file("fresh.txt")), 0666 & ~mask);
  EXPECT_EQ(entries(dir_), std::set<std::string>{"fresh.txt"});
}

TEST_F(SafeWriteTest, TemporaryNameReplacesTheLastCharacter) {
  spill(file("notes.txt"), "old\n");
  int code = -1;
  FILE* f = write_open(file("notes.txt").c_str(), 1, &code);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(code, KU_WRITE_OK);
  EXPECT_EQ(entries(dir_), (std::set<std::string>{"notes.txt", "notes.tx~"}));
  std::fputs("new\n", f);
  // Until the write is complete the target holds the old file.
  EXPECT_EQ(slurp(file("notes.txt")), "old\n");
  ASSERT_EQ(write_close(f, file("notes.txt").c_str()), 0);
  EXPECT_EQ(slurp(file("notes.txt")), "new\n");
  EXPECT_EQ(entries(dir_), std::set<std::string>{"notes.txt"});
}

// Names where the temporary name rule would hit an existing file: the other
// file survives and the write still succeeds.
TEST_F(SafeWriteTest, TemporaryNameNeverClobbers) {
  struct Case {
    const char* target;
    std::vector<const char*> bystanders;
  } cases[] = {
      {"notes.txt", {"notes.tx~"}},  // the usual temporary name is taken
      {"backup~", {}},               // the rule would give the target itself
      {"a~", {"a"}},
      {"x", {"~"}},
  };
  lines({"fresh"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    fs::remove_all(dir_);
    fs::create_directory(dir_);
    spill(file(c.target), "original\n");
    std::set<std::string> before{c.target};
    for (const char* b : c.bystanders) {
      spill(file(b), std::string("precious ") + b);
      before.insert(b);
    }
    int code = -1;
    FILE* f = write_open(file(c.target).c_str(), 1, &code);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(entries(dir_).size(), before.size() + 1) << "the temporary file is a new name";
    std::fputs("fresh\n", f);
    EXPECT_EQ(slurp(file(c.target)), "original\n");
    ASSERT_EQ(write_close(f, file(c.target).c_str()), 0);
    EXPECT_EQ(slurp(file(c.target)), "fresh\n");
    for (const char* b : c.bystanders) EXPECT_EQ(slurp(file(b)), std::string("precious ") + b);
    EXPECT_EQ(entries(dir_), before);
    // And through write_file as well.
    EXPECT_EQ(write(file(c.target)), KU_FILE_OK);
    EXPECT_EQ(entries(dir_), before);
  }
}

TEST_F(SafeWriteTest, SymbolicLinkIsWrittenThrough) {
  fs::create_directory(file("real"));
  spill(file("real/file.txt"), "old\n");
  chmod(file("real/file.txt").c_str(), 0640);
  fs::create_symlink("real/file.txt", file("link"));
  fs::create_symlink("link", file("link2"));  // a chain of two
  const std::set<std::string> top{"real", "link", "link2"};

  lines({"through the link"});
  int code = -1;
  FILE* f = write_open(file("link2").c_str(), 1, &code);
  ASSERT_NE(f, nullptr);
  // The temporary file lies beside the real file, not beside the link.
  EXPECT_EQ(entries(dir_), top);
  EXPECT_EQ(entries(file("real")).size(), 2u);
  write_abort(f);
  EXPECT_EQ(entries(file("real")), std::set<std::string>{"file.txt"});

  ASSERT_EQ(write(file("link2")), KU_FILE_OK);
  EXPECT_TRUE(fs::is_symlink(file("link")));
  EXPECT_TRUE(fs::is_symlink(file("link2")));
  EXPECT_EQ(fs::read_symlink(file("link")), "real/file.txt");
  EXPECT_EQ(slurp(file("real/file.txt")), "through the link\n");
  EXPECT_EQ(mode_of(file("real/file.txt")), 0640u);
  EXPECT_EQ(entries(dir_), top);
  EXPECT_EQ(entries(file("real")), std::set<std::string>{"file.txt"});

  // A link to a file not there yet creates that file.
  fs::create_symlink("real/new.txt", file("dangling"));
  ASSERT_EQ(write(file("dangling"), 0), KU_FILE_OK);
  EXPECT_EQ(times_asked, 0);
  EXPECT_TRUE(fs::is_symlink(file("dangling")));
  EXPECT_EQ(slurp(file("real/new.txt")), "through the link\n");

  // A loop of links is refused.
  fs::create_symlink("loop_b", file("loop_a"));
  fs::create_symlink("loop_a", file("loop_b"));
  EXPECT_EQ(write(file("loop_a")), KU_FILE_CANNOT_OPEN);
}

TEST_F(SafeWriteTest, PermissionBitsAreKept) {
  lines({"x"});
  for (mode_t m : {0600, 0640, 0604, 0755, 0700, 02755}) {
    SCOPED_TRACE(m);
    spill(file("p"), "old\n");
    ASSERT_EQ(chmod(file("p").c_str(), m), 0);
    ASSERT_EQ(write(file("p")), KU_FILE_OK);
    EXPECT_EQ(mode_of(file("p")), m);
    EXPECT_EQ(slurp(file("p")), "x\n");
  }
}

// The file size limit is reached part-way: the write fails, the original is
// intact and no temporary file is left.  Run in a child process so that the
// limit does not reach the test runner.
TEST_F(SafeWriteTest, FileSizeLimitDuringTheWrite) {
  const std::string original(5000, 'o');
  struct Case {
    const char* name;
    bool ignore_signal;  // write_open must survive SIGXFSZ either way
    size_t line_len, line_count;
    rlim_t limit;
  } cases[] = {
      {"large file, signal ignored", true, 80, 4000, 65536},
      {"large file, default signal action", false, 80, 4000, 65536},
      {"small file failing at the final flush", true, 30, 100, 1000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    spill(file("big.txt"), original);
    lines(std::vector<std::string>(c.line_count, std::string(c.line_len, 'n')));
    chars_ = -7;
    int status = in_child([&] {
      if (c.ignore_signal) std::signal(SIGXFSZ, SIG_IGN);
      struct rlimit rl{c.limit, c.limit};
      if (setrlimit(RLIMIT_FSIZE, &rl) != 0) return 99;
      int r = write(file("big.txt"));
      return r == KU_FILE_CANNOT_OPEN && chars_ == -7 ? 3 : 50 + r;
    });
    EXPECT_EQ(status, 3);
    EXPECT_EQ(slurp(file("big.txt")), original);
    EXPECT_EQ(entries(dir_), std::set<std::string>{"big.txt"});
  }
}

TEST_F(SafeWriteTest, FailureAtTheFinalFlushOfWriteClose) {
  spill(file("t.txt"), "keep me\n");
  int status = in_child([&] {
    struct rlimit rl{100, 100};
    if (setrlimit(RLIMIT_FSIZE, &rl) != 0) return 99;
    int code;
    FILE* f = write_open(file("t.txt").c_str(), 1, &code);
    if (!f) return 98;
    std::string data(1000, 'z');
    // The data fits the stream's buffer: the failure shows at the flush.
    if (std::fwrite(data.data(), 1, data.size(), f) != data.size()) return 97;
    return write_close(f, file("t.txt").c_str()) != 0 ? 3 : 0;
  });
  EXPECT_EQ(status, 3);
  EXPECT_EQ(slurp(file("t.txt")), "keep me\n");
  EXPECT_EQ(entries(dir_), std::set<std::string>{"t.txt"});
}

TEST_F(SafeWriteTest, NoTemporaryFileCanBeCreated) {
  spill(file("t.txt"), "keep me\n");
  lines({"replacement"});
  // Out of file descriptors.
  int status = in_child([&] {
    struct rlimit rl{0, 0};
    if (setrlimit(RLIMIT_NOFILE, &rl) != 0) return 99;
    return write(file("t.txt"));
  });
  EXPECT_EQ(status, KU_FILE_CANNOT_OPEN);
  EXPECT_EQ(slurp(file("t.txt")), "keep me\n");

  // A path below something that is not a directory.
  EXPECT_EQ(write(file("t.txt/inner")), KU_FILE_CANNOT_OPEN);
  // A directory as the target.
  fs::create_directory(file("sub"));
  EXPECT_EQ(write(file("sub")), KU_FILE_CANNOT_OPEN);
  EXPECT_EQ(write(file("sub") / ""), KU_FILE_CANNOT_OPEN);
  EXPECT_TRUE(fs::is_directory(file("sub")));
  // Nor is a named pipe replaced by a plain file.
  ASSERT_EQ(mkfifo(file("pipe").c_str(), 0644), 0);
  EXPECT_EQ(write(file("pipe")), KU_FILE_CANNOT_OPEN);
  EXPECT_TRUE(fs::is_fifo(file("pipe")));
  EXPECT_EQ(slurp(file("t.txt")), "keep me\n");
  EXPECT_EQ(entries(dir_), (std::set<std::string>{"t.txt", "sub", "pipe"}));
}

TEST_F(SafeWriteTest, DirectoryWithoutWritePermission) {
  fs::create_directory(file("ro"));
  spill(file("ro/t.txt"), "keep me\n");
  if (geteuid() != 0) {
    ASSERT_EQ(chmod(file("ro").c_str(), 0555), 0);
  } else if (!immutable(file("ro"))) {
    // Root writes into any directory; only the immutable attribute stops it.
    GTEST_SKIP() << "running as root on a file system without the immutable attribute";
  }
  lines({"replacement"});
  EXPECT_EQ(write(file("ro/t.txt")), KU_FILE_CANNOT_OPEN);
  if (geteuid() != 0) chmod(file("ro").c_str(), 0755);
  EXPECT_EQ(slurp(file("ro/t.txt")), "keep me\n");
  EXPECT_EQ(entries(file("ro")), std::set<std::string>{"t.txt"});
}

TEST_F(SafeWriteTest, FailedRenameKeepsTheTarget) {
  spill(file("t.txt"), "keep me\n");
  int code;
  FILE* f = write_open(file("t.txt").c_str(), 1, &code);
  ASSERT_NE(f, nullptr);
  std::fputs("replacement\n", f);
  // Once the target is immutable, nothing can rename over it.
  if (!immutable(file("t.txt"))) {
    write_abort(f);
    GTEST_SKIP() << "file system without the immutable attribute";
  }
  EXPECT_NE(write_close(f, file("t.txt").c_str()), 0);
  EXPECT_EQ(slurp(file("t.txt")), "keep me\n");
  EXPECT_EQ(entries(dir_), std::set<std::string>{"t.txt"});
}

TEST_F(SafeWriteTest, AbandonedWriteLeavesNoTrace) {
  spill(file("t.txt"), "keep me\n");
  int code;
  FILE* f = write_open(file("t.txt").c_str(), 1, &code);
  ASSERT_NE(f, nullptr);
  std::fputs("half", f);
  write_abort(f);
  EXPECT_EQ(slurp(file("t.txt")), "keep me\n");
  EXPECT_EQ(entries(dir_), std::set<std::string>{"t.txt"});
}

TEST_F(SafeWriteTest, FileInfoCountsTheList) {
  struct Case {
    std::vector<std::string> lines;
    char format;
    int overhead;
    int32_t chars, nlines;
  } cases[] = {
      {{""}, 'u', 0, 1, 1},
      {{""}, 'u', 1, 17, 1},
      {{""}, 'd', 0, 2, 1},
      {{"abc", "defgh"}, 'u', 0, 10, 2},
      {{"abc", "defgh"}, 'd', 0, 12, 2},
      {{"abc", "defgh"}, 'd', 1, 44, 2},
      {{}, 'u', 0, 0, 0},
  };
  for (const Case& c : cases) {
    lines(c.lines);
    list_.format = c.format;
    int32_t ch = -1, n = -1;
    uint32_t sum = 1;
    file_info(&list_, c.overhead, &ch, &n, &sum);
    uint32_t want = 0;
    for (const std::string& s : c.lines) want += line_checksum(s.data(), static_cast<int>(s.size()));
    EXPECT_EQ(ch, c.chars);
    EXPECT_EQ(n, c.nlines);
    EXPECT_EQ(sum, want);
  }
}

}  // namespace
