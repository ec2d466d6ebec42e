// Random-key soak: runs the ku binary in a pseudo-terminal on files of mixed
// content and types random keys drawn from the whole key map, watching for
// crashes (signals, sanitizer reports), hangs (a key left unanswered), leaks
// (LeakSanitizer at a clean exit) and a terminal left unrestored at exit.
//
// Every run is seeded; a failure prints the seed and the exact key sequence
// in the harness's key notation, so it can be replayed in a screen test.
//
// No key sequence may touch files outside the run's temporary directories.
// Where the system allows it the editor runs in a private mount namespace in
// which every file system is read-only except its HOME and working directory;
// otherwise every file dialog is cancelled as soon as it shows. Typed text
// never holds '/', so names typed at prompts stay relative.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <signal.h>
#include <random>
#include <string>
#include <vector>

#include "harness.h"

namespace {

using Clock = std::chrono::steady_clock;

// The editor's command characters (the command table), and the menu letters
// the menus answer to.
const char kCommands[] = "IOabdefghijlmnopqrstUvwxz,.^$;][{}#DW<>B\\F~-+()CXVHML`k:cu_A";
const char kMenuLetters[] = "CAKDPWRSXFIEQUTLJ0123456789YNVGHMOB";
const char* const kNamedKeys[] = {
    "Tab", "CR", "BS", "Del", "Ins", "Home", "End", "PgUp", "PgDn", "Up", "Down", "Left", "Right",
    "S-Up", "S-Down", "S-Left", "S-Right", "S-Tab", "KEnter", "K5", "KDiv", "KMul", "KMinus",
    "KPlus", "F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9", "F10", "F11", "F12"};

// The mount-namespace wrapper: binds HOME and the working directory onto
// themselves, makes every other mount read-only, proves it, then runs ku.
// Any step failing stops before the editor starts.
const char kSandboxScript[] =
    "set -e\n"
    "H=\"$HOME\"; D=\"$(pwd -P)\"\n"
    "mount --bind \"$H\" \"$H\"\n"
    "mount --bind \"$D\" \"$D\"\n"
    "for m in $(awk '{print $2}' /proc/self/mounts | sort -u); do\n"
    "  case \"$m\" in \"$H\"|\"$D\"|/proc|/proc/*|/sys|/sys/*|/dev/pts) ;;\n"
    "  *) mount -o remount,bind,ro \"$m\" 2>/dev/null || true ;; esac\n"
    "done\n"
    "for p in /.ku_soak_probe /tmp/.ku_soak_probe_$$ /dev/shm/.ku_soak_probe_$$ \"$(dirname \"$D\")/.ku_soak_probe_$$\"; do\n"
    "  if touch \"$p\" 2>/dev/null; then rm -f \"$p\"; echo 'ku_soak: sandbox not read-only' >&2; exit 99; fi\n"
    "done\n"
    "exec \"$@\"\n";

struct Config {
  uint64_t seed = 1;
  long seeds = 1;
  long keys = 1500;
  double minutes = 0;  // 0: no time limit
  int hang_ms = 5000;
  bool verbose = false;
};

// Collects what the harness reports as test failures (a wait that timed
// out, a write that failed), so the soak can judge them itself.
class Failures {
 public:
  Failures() : intercept_(::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ALL_THREADS, &results_) {}
  // The messages reported since the last take.
  std::string take() {
    std::string r;
    for (; seen_ < results_.size(); seen_++) {
      const char* m = results_.GetTestPartResult(seen_).message();
      r += std::string(m ? m : "").substr(0, 4000) + "\n";
    }
    return r;
  }

 private:
  ::testing::TestPartResultArray results_;
  ::testing::ScopedFakeTestPartResultReporter intercept_;
  int seen_ = 0;
};

// Escapes one byte into key notation.
std::string byte_key(unsigned char b) {
  if (b == '<') return "<lt>";
  if (b < 0x20 || b >= 0x7f) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "<0x%02X>", b);
    return buf;
  }
  return std::string(1, static_cast<char>(b));
}

// Deterministic content of the files of one run.
struct Files {
  std::vector<std::pair<std::string, std::string>> list;
};

Files make_files(std::mt19937_64& rng) {
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  auto text_line = [&](int len) {
    std::string s;
    for (int i = 0; i < len; i++) {
      int k = pick(0, 40);
      if (k == 0) s += '\t';
      else if (k == 1) s += static_cast<char>(pick(128, 254));
      else if (k < 8) s += ' ';
      else s += static_cast<char>(pick(0, 3) == 0 ? pick('A', 'Z') : pick('a', 'z'));
    }
    return s;
  };
  Files f;
  std::string mixed;
  int n = pick(20, 80);
  for (int i = 0; i < n; i++) {
    int kind = pick(0, 9);
    int len = kind == 0 ? 0 : kind == 1 ? pick(370, 520) : kind == 2 ? pick(80, 200) : pick(0, 70);
    mixed += text_line(len) + "\n";
  }
  f.list.push_back({"mixed.txt", mixed});
  std::string dos;
  for (int i = 0, m = pick(5, 30); i < m; i++) dos += text_line(pick(0, i % 7 == 0 ? 390 : 60)) + "\r\n";
  f.list.push_back({"dos.txt", dos});
  f.list.push_back({"empty.txt", ""});
  f.list.push_back({"one.txt", text_line(pick(1, 40))});
  std::string ctl = "plain\n";
  for (int i = 0; i < 4; i++) ctl += static_cast<char>(pick(1, 31)), ctl += "x\n";
  f.list.push_back({"ctl.txt", ctl});
  return f;
}

// Generates the keys of one run.
class KeyGen {
 public:
  explicit KeyGen(uint64_t seed) : rng_(seed) {}
  std::mt19937_64& rng() { return rng_; }
  int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

  // One key or short sequence, in key notation.
  std::string next() {
    int k = pick(0, 99);
    if (k < 30) return text();
    if (k < 40) return std::string("<") + kNamedKeys[pick(0, std::size(kNamedKeys) - 1)] + ">";
    if (k < 47) return control();
    if (k < 70) return "<Esc>" + command_char();
    if (k < 76) {
      // A count of 32000 before the again or execute command can replay a
      // macro that waits on panels for longer than any run lasts.
      std::string n = count(), c = command_char();
      // Likewise before a panel (help, status, about): each of its 32000
      // showings waits for ENTER.
      if (n.back() == '*' && (c == "a" || c == "x" || c == "h" || c == "s" || c == "A")) c = "l";
      return n + c;
    }
    if (k < 88) return byte_key(static_cast<unsigned char>(kMenuLetters[pick(0, sizeof kMenuLetters - 2)]));
    if (k < 91) return "<Esc>" + std::string("<") + kNamedKeys[pick(0, std::size(kNamedKeys) - 1)] + ">";
    if (k < 93) return byte_key(static_cast<unsigned char>(pick(128, 255)));
    if (k < 95) return "<Esc>[" + byte_key(static_cast<unsigned char>(pick(0x20, 0x7e)));
    if (k < 97) return "<Esc>O" + byte_key(static_cast<unsigned char>(pick(0x20, 0x7e)));
    if (k < 98) return "<Esc><Esc>";
    return command_string();
  }

 private:
  // Printable text, never '/', sometimes a short word.
  std::string text() {
    std::string s;
    int n = pick(0, 4) == 0 ? pick(2, 12) : 1;
    for (int i = 0; i < n; i++) {
      unsigned char c = static_cast<unsigned char>(pick(0x20, 0x7e));
      if (c == '/') c = '_';
      s += byte_key(c);
    }
    return s;
  }
  std::string control() {
    int c = pick(0, 31);
    if (c == 27) c = 0;  // ESC is generated with its commands
    return byte_key(static_cast<unsigned char>(c == 0 && pick(0, 1) ? 0x7f : c));
  }
  std::string command_char() { return byte_key(static_cast<unsigned char>(kCommands[pick(0, sizeof kCommands - 2)])); }
  std::string count() {
    std::string s = "<Esc>";
    if (pick(0, 150) == 0) return s + "*";
    int d = pick(1, 2);
    for (int i = 0; i < d; i++) s += static_cast<char>('0' + pick(0, 9));
    return s;
  }
  // Strings typed at find, replace and name prompts (no '/').
  std::string command_string() {
    std::string s;
    int n = pick(1, 6);
    for (int i = 0; i < n; i++) {
      unsigned char c = static_cast<unsigned char>(pick(0, 3) == 0 ? pick(0x20, 0x7e) : pick('a', 'e'));
      if (c == '/') c = '.';
      s += byte_key(c);
    }
    return s + "<CR>";
  }

  std::mt19937_64 rng_;
};

struct RunResult {
  long keys_sent = 0;
  long restarts = 0;
  long unquit = 0;  // runs ended by a signal instead of the quit menu
  std::vector<std::string> failures;
};


std::string sanitizer_report(const std::string& out) {
  for (const char* marker : {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:",
                             "AddressSanitizer:DEADLYSIGNAL", "SUMMARY: UndefinedBehaviorSanitizer"}) {
    size_t at = out.find(marker);
    if (at != std::string::npos) {
      size_t from = out.rfind('\n', at);
      from = from == std::string::npos ? 0 : from + 1;
      return out.substr(from, 6000);
    }
  }
  return "";
}

// Whether an information page (a panel, the tag or macro list) waits for
// ENTER: a count before its command shows it that many times over.
bool info_page_shown(const kutest::Screen& s) {
  std::string foot = s.row(s.height() - 1);
  if (foot.rfind("ENTER (return to editing)", 0) == 0 || foot.rfind("more... press ENTER to view", 0) == 0)
    return true;
  // The options menu and its sub-menus are left with ENTER too; a count
  // before "o" stacks many of them.
  std::string top = s.row(0);
  return top.rfind("Tabs  Indent  Wrap", 0) == 0 || top.rfind("Input  Output  Tabstop", 0) == 0 ||
         top.rfind("Enable  Disable  Left", 0) == 0 || top.rfind("Palette  Working", 0) == 0 ||
         top.rfind("Start-of-line  End-of-line", 0) == 0 || top.rfind("Select text file format", 0) == 0 ||
         top.find("? (Enable/Disable) : ") != std::string::npos;
}

bool dialog_shown(const kutest::Screen& s) {
  return s.row(0).find(" - Select") != std::string::npos && s.contains("Page ");
}

class Soak {
 public:
  Soak(const Config& cfg, bool sandbox) : cfg_(cfg), sandbox_(sandbox) {}

  RunResult run(uint64_t seed) {
    RunResult res;
    KeyGen gen(seed);
    Files files = make_files(gen.rng());
    int size_kind = gen.pick(0, 2);
    kutest::Options o;
    o.rows = size_kind == 0 ? 24 : size_kind == 1 ? 30 : 20;
    o.cols = size_kind == 2 ? 132 : 80;
    o.timeout = std::chrono::milliseconds(cfg_.hang_ms);
    std::vector<std::string> names;
    for (auto& [name, bytes] : files.list) names.push_back(name);
    sent_.clear();
    long k = 0;
    while (k < cfg_.keys && res.failures.empty()) {
      // One editor process; when it exits on its own (the quit menu), the
      // next starts where it stopped.
      kutest::Screen s(make_options(o, names));
      for (auto& [name, bytes] : files.list)
        if (!s.file_exists(name)) s.write_file(name, bytes);
      Failures fails;
      if (!start(s, fails, res)) break;
      long first_key = k;
      int cancels = 0;
      while (k < cfg_.keys) {
        if (!sandbox_ && dialog_shown(s) && cancels++ < 20) {
          if (!send(s, "<Esc>q", fails, res)) break;
          continue;
        }
        cancels = 0;
        std::string key = gen.next();
        k++;
        res.keys_sent++;
        if (!send(s, key, fails, res)) break;
        if (!s.running()) break;
      }
      if (!res.failures.empty()) {
        kill_if_running(s);
        break;
      }
      if (res.failures.empty() && k == first_key && !s.running()) {
        res.failures.push_back("the editor exited before taking a key\n" + s.dump());
        break;
      }
      bool checked = true;
      if (s.running()) {
        checked = quit(s, fails, res);
      } else {
        res.restarts++;
        sent_.push_back("#!(the editor exited; a new one starts on the files as they are)");
      }
      if (checked) check_exit(s, res);
      // The files of the finished process go to the next one.
      for (auto& [name, bytes] : files.list)
        bytes = s.file_exists(name) ? s.read_file(name) : std::string();
    }
    return res;
  }

  const std::vector<std::string>& sent() const { return sent_; }

 private:
  // The editor's options: with the sandbox, the wrapper runs ku (it finds
  // the directories in HOME and its working directory).
  kutest::Options make_options(kutest::Options o, const std::vector<std::string>& names) const {
    o.args = names;
    if (sandbox_) {
      o.args = {"-m", "--", "/bin/sh", "-c", kSandboxScript, "sh", kutest::ku_binary()};
      o.args.insert(o.args.end(), names.begin(), names.end());
      o.program = "/usr/bin/unshare";
    }
    o.env = {{"ASAN_OPTIONS", "detect_leaks=1:abort_on_error=0:exitcode=86"},
             {"UBSAN_OPTIONS", "print_stacktrace=1:halt_on_error=1"}};
    return o;
  }

  bool start(kutest::Screen& s, Failures& fails, RunResult& res) {
    if (!s.start()) {
      res.failures.push_back("the editor did not start:\n" + fails.take());
      return false;
    }
    if (!s.running() && s.exit_status() == 99) {
      res.failures.push_back("the sandbox could not be set up:\n" + s.output());
      return false;
    }
    return true;
  }

  // Sends one key (sequence) and waits for the editor to answer it. A key
  // unanswered for one timeout gets a second chance (the machine may be
  // loaded); unanswered after both is a hang.
  bool send(kutest::Screen& s, const std::string& key, Failures& fails, RunResult& res) {
    sent_.push_back(key);
    fails.take();
    bool ok = s.keys(key, false) && s.settle();
    if (!ok && s.running()) {
      fails.take();
      ok = s.settle();
      if (!ok) {
        res.failures.push_back("hang: no answer within " + std::to_string(2 * cfg_.hang_ms) + " ms\n" +
                               fails.take());
        return false;
      }
      if (cfg_.verbose) std::printf("  slow answer to key %zu\n", sent_.size());
    }
    if (!ok && s.running()) {
      res.failures.push_back("harness failure:\n" + fails.take());
      return false;
    }
    fails.take();
    std::string rep = sanitizer_report(s.output());
    if (!rep.empty()) {
      s.wait_exit(std::chrono::milliseconds(20000));
      res.failures.push_back("sanitizer report:\n" + sanitizer_report(s.output()));
      return false;
    }
    return true;
  }

  // Leaves whatever the editor is in (dialog, menu, prompt, panel) and takes
  // the quit menu's Abs/All entry, confirming the loss of changes.
  // False when the editor had to be killed (no exit to check).
  bool quit(kutest::Screen& s, Failures& fails, RunResult& res) {
    sent_.push_back("#!(clean exit:)");
    for (int attempt = 0; attempt < 80 && s.running() && res.failures.empty(); attempt++) {
      const char* seq[] = {"<CR>", "<Esc>q", "a", "y", "y", "y"};
      // A count before the command shows a dialog or page that many times
      // over: ESC-q until the dialogs are gone, ENTER until the pages are
      // (a count of 99 before the help command on a small terminal takes 198).
      for (int n = 0; n < 400 && s.running() && res.failures.empty() && dialog_shown(s); n++)
        send(s, "<Esc>q", fails, res);
      for (int n = 0; n < 400 && s.running() && res.failures.empty() && info_page_shown(s); n++)
        send(s, "<CR>", fails, res);
      for (const char* k : seq) {
        if (!s.running() || !res.failures.empty()) break;
        if (dialog_shown(s)) break;
        send(s, k, fails, res);
      }
    }
    if (res.failures.empty() && s.running()) {
      
      // Not counted as a failure: a long macro replay can keep answering
      // the quit keys itself. The run's leak check is lost; it is reported.
      if (!s.wait_exit(std::chrono::milliseconds(2 * cfg_.hang_ms))) {
        res.unquit++;
        std::printf("  note: the editor did not leave through the quit menu (no leak check)\n%s", s.dump().c_str());
        kill_if_running(s);
        return false;
      }
    }
    kill_if_running(s);
    return true;
  }

  void kill_if_running(kutest::Screen& s) {
    if (s.running()) {
      ::kill(s.pid(), SIGKILL);
      s.wait_exit(std::chrono::milliseconds(10000));
    }
  }

  // After an exit: a sanitizer report (leaks included), the exit status and
  // the terminal's restoration.
  void check_exit(kutest::Screen& s, RunResult& res) {
    if (!res.failures.empty()) return;
    s.wait_exit(std::chrono::milliseconds(20000));
    const std::string& out = s.output();
    std::string rep = sanitizer_report(out);
    if (!rep.empty()) {
      res.failures.push_back("sanitizer report at exit:\n" + rep);
      return;
    }
    int st = s.exit_status();
    if (st != 0) {
      res.failures.push_back("exit status " + std::to_string(st) + (st < 0 ? " (signal)" : "") + "\n" +
                             s.dump());
      return;
    }
    // xterm: the alternate screen is left (rmcup) after it was last entered,
    // and the cursor is visible again.
    size_t enter = out.rfind("\x1b[?1049h");
    size_t leave = out.rfind("\x1b[?1049l");
    if (enter != std::string::npos && (leave == std::string::npos || leave < enter))
      res.failures.push_back("terminal not restored: the alternate screen was not left\n" + s.dump());
    else if (!s.cursor_visible())
      res.failures.push_back("terminal not restored: the cursor was left invisible\n" + s.dump());
  }

  Config cfg_;
  bool sandbox_;
  std::vector<std::string> sent_;
};

// Whether a private mount namespace with a read-only file system can be had.
bool sandbox_available() {
  char dir[] = "/tmp/ku-soak-probe-XXXXXX";
  if (!mkdtemp(dir)) return false;
  std::string script = std::string(dir) + "/s.sh";
  FILE* f = std::fopen(script.c_str(), "w");
  if (!f) return false;
  std::fputs(kSandboxScript, f);
  std::fclose(f);
  std::string cmd = std::string("cd ") + dir + " && HOME=" + dir + " /usr/bin/unshare -m -- /bin/sh " + script +
                    " /bin/true >/dev/null 2>&1";
  bool ok = access("/usr/bin/unshare", X_OK) == 0 && std::system(cmd.c_str()) == 0;
  std::remove(script.c_str());
  rmdir(dir);
  return ok;
}

// The keys of a run in key notation, with the driver's notes on lines of
// their own.
void print_keys(const std::vector<std::string>& sent) {
  std::printf("  keys sent:\n");
  std::string line = "    ";
  for (auto& key : sent) {
    if (key.rfind("#!", 0) == 0) {
      std::printf("%s\n    %s\n", line.c_str(), key.c_str() + 2);
      line = "    ";
      continue;
    }
    line += key;
    if (line.size() > 100) {
      std::printf("%s\n", line.c_str());
      line = "    ";
    }
  }
  std::printf("%s\n", line.c_str());
}

void usage() {
  std::fprintf(stderr,
               "usage: ku_soak [--seed N] [--seeds K] [--keys M] [--minutes T] [--hang-ms MS] [--verbose]\n"
               "  runs seeds N, N+1, ... (K of them, or as many as fit in T minutes), M keys each\n");
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  Config cfg;
  bool seeds_given = false;
  for (int i = 1; i < argc; i++) {
    std::string a = argv[i];
    auto val = [&]() -> const char* {
      if (i + 1 >= argc) {
        usage();
        std::exit(2);
      }
      return argv[++i];
    };
    if (a == "--seed") cfg.seed = std::strtoull(val(), nullptr, 10);
    else if (a == "--seeds") cfg.seeds = std::atol(val()), seeds_given = true;
    else if (a == "--keys") cfg.keys = std::atol(val());
    else if (a == "--minutes") cfg.minutes = std::atof(val());
    else if (a == "--hang-ms") cfg.hang_ms = std::atoi(val());
    else if (a == "--verbose") cfg.verbose = true;
    else {
      usage();
      return 2;
    }
  }
  if (cfg.minutes > 0 && !seeds_given) cfg.seeds = -1;
  if (kutest::ku_binary().empty()) {
    std::fprintf(stderr, "ku_soak: no ku binary (KU_BINARY)\n");
    return 2;
  }
  bool sandbox = getuid() == 0 && sandbox_available();
  std::printf("ku_soak: %s; seeds from %" PRIu64 ", %ld keys each%s\n",
              sandbox ? "editor in a read-only mount namespace" : "no sandbox: file dialogs are cancelled",
              cfg.seed, cfg.keys, cfg.minutes > 0 ? ", time-limited" : "");
  std::fflush(stdout);
  auto t0 = Clock::now();
  long total_keys = 0, runs = 0, failed = 0, restarts = 0, unquit = 0;
  for (long n = 0; cfg.seeds < 0 || n < cfg.seeds; n++) {
    if (cfg.minutes > 0 && Clock::now() - t0 > std::chrono::duration<double, std::ratio<60>>(cfg.minutes)) break;
    uint64_t seed = cfg.seed + static_cast<uint64_t>(n);
    Soak soak(cfg, sandbox);
    auto ts = Clock::now();
    RunResult r = soak.run(seed);
    runs++;
    total_keys += r.keys_sent;
    restarts += r.restarts;
    double secs = std::chrono::duration<double>(Clock::now() - ts).count();
    unquit += r.unquit;
    std::printf("seed %" PRIu64 ": %ld keys, %ld restarts, %.1f s: %s\n", seed, r.keys_sent, r.restarts, secs,
                r.failures.empty() ? "ok" : "FAILED");
    if (!r.failures.empty()) {
      failed++;
      for (auto& f : r.failures) std::printf("  %s\n", f.c_str());
      std::printf("  reproduce: ku_soak --seed %" PRIu64 " --seeds 1 --keys %ld\n", seed, cfg.keys);
      print_keys(soak.sent());
    } else if (r.unquit > 0 && cfg.verbose) {
      print_keys(soak.sent());
    }
    std::fflush(stdout);
  }
  double mins = std::chrono::duration<double, std::ratio<60>>(Clock::now() - t0).count();
  std::printf("ku_soak: %ld seeds, %ld keys sent, %ld editor restarts, %ld not quit cleanly, %.1f minutes\n", runs,
              total_keys, restarts, unquit, mins);
  std::printf("%ld passed, %ld failed\n", runs - failed, failed);
  return failed == 0 ? 0 : 1;
}
