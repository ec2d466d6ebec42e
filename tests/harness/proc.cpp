// Reading /proc/PID/{stat,status,io,syscall}, and the table of system calls
// that count as waiting for input, for x86_64 and aarch64.
#include "proc.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kutest::detail {

namespace {

// Reads a small /proc file whole; empty on failure.
std::string slurp(pid_t pid, const char* name) {
  std::string path = "/proc/" + std::to_string(pid) + "/" + name;
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  std::string out;
  char buf[4096];
  for (;;) {
    ssize_t n = read(fd, buf, sizeof buf);
    if (n > 0) {
      out.append(buf, static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    break;
  }
  close(fd);
  return out;
}

// The number after "key:" in a "key:\tvalue" file, read in `base`.
bool field(const std::string& text, const char* key, int base, uint64_t* out) {
  size_t at = 0;
  size_t klen = std::strlen(key);
  while ((at = text.find(key, at)) != std::string::npos) {
    if ((at == 0 || text[at - 1] == '\n') && text.compare(at + klen, 1, ":") == 0) {
      *out = std::strtoull(text.c_str() + at + klen + 1, nullptr, base);
      return true;
    }
    at += klen;
  }
  return false;
}

enum class Wait { none, read, untimed_int, null_pointer };

struct SyscallRule {
  long nr;
  Wait kind;
  int arg;  // the fd (read) or timeout argument
  const char* name;
};

#if defined(__x86_64__)
const SyscallRule syscall_rules[] = {
    {0, Wait::read, 0, "read"},           {19, Wait::read, 0, "readv"},
    {7, Wait::untimed_int, 2, "poll"},    {271, Wait::null_pointer, 2, "ppoll"},
    {23, Wait::null_pointer, 4, "select"}, {270, Wait::null_pointer, 4, "pselect6"},
    {232, Wait::untimed_int, 3, "epoll_wait"}, {281, Wait::untimed_int, 3, "epoll_pwait"},
    {441, Wait::null_pointer, 3, "epoll_pwait2"},
};
#elif defined(__aarch64__)
const SyscallRule syscall_rules[] = {
    {63, Wait::read, 0, "read"},          {65, Wait::read, 0, "readv"},
    {73, Wait::null_pointer, 2, "ppoll"}, {72, Wait::null_pointer, 4, "pselect6"},
    {22, Wait::untimed_int, 3, "epoll_pwait"}, {441, Wait::null_pointer, 3, "epoll_pwait2"},
};
#else
#error "the screen-test harness knows the system calls of x86_64 and aarch64 only"
#endif

const SyscallRule* rule_for(long nr) {
  for (const SyscallRule& r : syscall_rules)
    if (r.nr == nr) return &r;
  return nullptr;
}

bool fd_is_terminal(pid_t pid, uint64_t fd, const std::string& tty_path) {
  if (fd == 0) return true;
  std::string link = "/proc/" + std::to_string(pid) + "/fd/" + std::to_string(fd);
  char target[256];
  ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
  if (n <= 0) return false;
  target[n] = '\0';
  return tty_path == target || std::strcmp(target, "/dev/tty") == 0;
}

}  // namespace

bool ProcState::same_as(const ProcState& o) const {
  return ok && o.ok && state == o.state && syscall == o.syscall &&
         std::memcmp(args, o.args, sizeof args) == 0 && vcs == o.vcs && nvcs == o.nvcs &&
         rchar == o.rchar;
}

ProcState read_proc(pid_t pid) {
  ProcState p;
  std::string stat = slurp(pid, "stat");
  size_t paren = stat.rfind(')');
  if (paren == std::string::npos || paren + 2 >= stat.size()) return p;
  p.state = stat[paren + 2];

  std::string status = slurp(pid, "status");
  std::string io = slurp(pid, "io");
  if (!field(status, "voluntary_ctxt_switches", 10, &p.vcs) ||
      !field(status, "nonvoluntary_ctxt_switches", 10, &p.nvcs) ||
      !field(status, "SigBlk", 16, &p.sig_blocked) || !field(status, "SigIgn", 16, &p.sig_ignored) ||
      !field(status, "SigCgt", 16, &p.sig_caught) || !field(io, "rchar", 10, &p.rchar))
    return p;

  std::string sc = slurp(pid, "syscall");
  if (sc.empty()) return p;
  if (sc.compare(0, 7, "running") != 0) {
    char* end = nullptr;
    p.syscall = std::strtol(sc.c_str(), &end, 10);
    for (uint64_t& a : p.args) a = std::strtoull(end, &end, 16);
  }
  p.ok = true;
  return p;
}

bool untimed_input_wait(const ProcState& p, pid_t pid, const std::string& tty_path) {
  const SyscallRule* r = rule_for(p.syscall);
  if (r == nullptr) return false;
  uint64_t a = p.args[r->arg];
  switch (r->kind) {
    case Wait::read: return fd_is_terminal(pid, a, tty_path);
    case Wait::untimed_int: return static_cast<int32_t>(a & 0xffffffffu) < 0;
    case Wait::null_pointer: return a == 0;
    case Wait::none: break;
  }
  return false;
}

std::string describe(const ProcState& p) {
  if (!p.ok) return "process state unreadable";
  std::string s = std::string("state ") + p.state + ", ";
  if (p.syscall == -2) return s + "running";
  if (p.syscall == -1) return s + "not in a system call";
  const SyscallRule* r = rule_for(p.syscall);
  s += r ? r->name : ("syscall " + std::to_string(p.syscall));
  char args[160];
  std::snprintf(args, sizeof args, "(0x%llx, 0x%llx, 0x%llx, 0x%llx, 0x%llx)",
                static_cast<unsigned long long>(p.args[0]), static_cast<unsigned long long>(p.args[1]),
                static_cast<unsigned long long>(p.args[2]), static_cast<unsigned long long>(p.args[3]),
                static_cast<unsigned long long>(p.args[4]));
  return s + args;
}

}  // namespace kutest::detail
