// What the harness reads about the child from /proc to decide that it is
// idle: scheduler state, current system call, context switches, bytes read
// and signal dispositions. Internal to the harness library.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

namespace kutest::detail {

struct ProcState {
  bool ok = false;       // /proc could be read
  char state = '?';      // R, S, D, T, Z...
  long syscall = -2;     // -2 running or unknown, -1 blocked outside a call
  uint64_t args[6] = {};
  uint64_t vcs = 0;      // voluntary context switches: times it blocked
  uint64_t nvcs = 0;
  uint64_t rchar = 0;    // bytes returned by its read calls, all files
  uint64_t sig_blocked = 0, sig_ignored = 0, sig_caught = 0;

  // The same moment of the process: nothing happened in between.
  bool same_as(const ProcState& o) const;
};

ProcState read_proc(pid_t pid);

// True when the process sleeps without a timeout waiting for input: a read
// of its terminal (fd 0, or another descriptor on `tty_path` or /dev/tty),
// or poll/ppoll/select/pselect/epoll with no timeout.
bool untimed_input_wait(const ProcState& p, pid_t pid, const std::string& tty_path);

// "S in read(0)" style text for failure messages.
std::string describe(const ProcState& p);

// True when signal `sig` is in the given mask of /proc/PID/status.
inline bool has_signal(uint64_t mask, int sig) { return (mask >> (sig - 1)) & 1; }

}  // namespace kutest::detail
