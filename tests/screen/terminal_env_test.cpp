// The terminal type the editor is started with: without a usable TERM (unset,
// empty, unknown, or a terminal that cannot place the cursor) it says so on
// stderr and exits with a failure status before touching the terminal; a
// terminal without colours works.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "editor_fixture.h"
#include "harness.h"

extern char** environ;

namespace {

struct RunResult {
  int status = -1;  // exit code, or -signal
  std::string out, err;
};

std::string drain(int fd) {
  std::string s;
  char buf[4096];
  ssize_t n;
  while ((n = read(fd, buf, sizeof buf)) > 0) s.append(buf, static_cast<size_t>(n));
  return s;
}

// Runs the editor on a file name with TERM as given (nullopt: unset), input
// from /dev/null and output and errors into pipes.
RunResult run_with_term(const std::optional<std::string>& term) {
  std::vector<std::string> env_s;
  for (char** e = environ; *e; ++e) {
    std::string entry = *e;
    std::string name = entry.substr(0, entry.find('='));
    if (name != "TERM" && name != "HOME" && name != "LINES" && name != "COLUMNS" && name != "TERMCAP") env_s.push_back(entry);
  }
  env_s.push_back("HOME=/nonexistent-dir-for-ku-test");
  if (term) env_s.push_back("TERM=" + *term);
  std::vector<char*> envp;
  for (auto& s : env_s) envp.push_back(s.data());
  envp.push_back(nullptr);

  int out[2], err[2];
  RunResult r;
  if (pipe(out) != 0 || pipe(err) != 0) {
    ADD_FAILURE() << "pipe";
    return r;
  }
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&fa, out[1], 1);
  posix_spawn_file_actions_adddup2(&fa, err[1], 2);
  posix_spawn_file_actions_addclose(&fa, out[0]);
  posix_spawn_file_actions_addclose(&fa, err[0]);
  std::string bin = kutest::ku_binary();
  std::string file = "/nonexistent-dir-for-ku-test/f.txt";
  char* argv[] = {bin.data(), file.data(), nullptr};
  pid_t pid = -1;
  int rc = posix_spawn(&pid, bin.c_str(), &fa, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&fa);
  close(out[1]);
  close(err[1]);
  if (rc != 0) {
    ADD_FAILURE() << "posix_spawn: " << std::strerror(rc);
    close(out[0]);
    close(err[0]);
    return r;
  }
  // The editor writes little; reading one pipe to its end before the other
  // cannot block on a full pipe.
  r.out = drain(out[0]);
  r.err = drain(err[0]);
  close(out[0]);
  close(err[0]);
  int st = 0;
  waitpid(pid, &st, 0);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -WTERMSIG(st);
  return r;
}

struct BadTerm {
  const char* label;
  std::optional<std::string> term;
  const char* message;
};

class TerminalEnv : public ::testing::TestWithParam<BadTerm> {};

TEST_P(TerminalEnv, RefusedWithAMessageBeforeTheTerminalIsTouched) {
  const BadTerm& c = GetParam();
  RunResult r = run_with_term(c.term);
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(r.err, std::string(c.message) + "\n");
  EXPECT_EQ(r.out, "");  // no screen set-up sequences were sent
}

INSTANTIATE_TEST_SUITE_P(
    Term, TerminalEnv,
    ::testing::Values(
        BadTerm{"Unset", std::nullopt, "KU: TERM is not set; set it to the type of your terminal (for example xterm)"},
        BadTerm{"Empty", "", "KU: TERM is empty; set it to the type of your terminal (for example xterm)"},
        BadTerm{"Unknown", "nosuchterm", "KU: unknown terminal type \"nosuchterm\" (TERM)"},
        BadTerm{"Hostile", "no\033[2Jterm", "KU: unknown terminal type \"no?[2Jterm\" (TERM)"},
        BadTerm{"Dumb", "dumb",
                "KU: terminal type \"dumb\" cannot move the cursor; a full-screen terminal is needed"}),
    [](const ::testing::TestParamInfo<BadTerm>& i) { return std::string(i.param.label); });

// A terminal without colours (vt100): the editor starts, edits, resizes and
// saves as on any other.
TEST(TerminalEnvColours, Vt100WithoutColoursWorks) {
  kutest::Options o;
  o.term = "vt100";
  o.args = {"f.txt"};
  kutest::Screen s(o);
  s.write_file("f.txt", "abc\ndef\n");
  ASSERT_TRUE(s.start());
  EXPECT_TRUE(kufix::status_shows(s, "ESC-h for Help")) << s.dump();
  EXPECT_SCREEN_ROW(s, 1, std::string(80, '-'));
  EXPECT_SCREEN_ROW(s, 2, "abc");
  s.keys("<Down><End>xy");
  EXPECT_TRUE(kufix::status_shows(s, "f.txt")) << s.dump();
  s.keys("<Esc>h");
  EXPECT_TRUE(s.contains("KU Help Panel")) << s.dump();
  s.keys("<CR><CR>");
  EXPECT_SCREEN_ROW(s, 3, "defxy");
  ASSERT_TRUE(s.resize(30, 100));
  EXPECT_SCREEN_ROW(s, 3, "defxy");
  EXPECT_EQ(kufix::saved(s), "abc\ndefxy\n");
}

}  // namespace
