// Emergency save: copies of the changed open files, written when the
// terminal is lost or on SIGHUP / SIGTERM, beside each file (or in the
// working directory); the SIGHUP and SIGTERM handlers that trigger it.
#include "files/emergency.h"

#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>

#include "files/openfiles.h"
#include "files/textfile.h"
#include "term/screen.h"

// Everything here may run inside a signal handler: no allocation, no stdio,
// no locks; only plain loops over the editor's lists and the system calls
// open(at), write, fsync and close.

namespace {

volatile sig_atomic_t save_state = 0;  // 0 not yet saved, 1 saving, 2 saved
int work_dir_fd = AT_FDCWD;            // the working directory at start-up
int home_dir_fd = -1;                  // HOME at start-up, the last resort; -1 none
bool have_tty_modes = false;
struct termios tty_modes;              // the terminal's modes before the editor changed them

constexpr int NAME_ROOM = 512;  // a 255-byte name, ".save.", digits, NUL

size_t text_len(const char* s) {
  size_t n = 0;
  while (s[n]) n++;
  return n;
}

// base + ".save", or base + ".save." + variant; false when it does not fit.
bool save_name(char* out, const char* base, int variant) {
  size_t n = text_len(base);
  if (n + 16 >= static_cast<size_t>(NAME_ROOM)) return false;
  for (size_t i = 0; i < n; i++) out[i] = base[i];
  const char* ext = ".save";
  for (size_t i = 0; ext[i]; i++) out[n++] = ext[i];
  if (variant > 0) {
    out[n++] = '.';
    char digits[12];
    int d = 0;
    for (int v = variant; v > 0; v /= 10) digits[d++] = static_cast<char>('0' + v % 10);
    while (d > 0) out[n++] = digits[--d];
  }
  out[n] = 0;
  return true;
}

// Creates the first free name of base.save, base.save.1, ... (never an
// existing file, never through a symbolic link); -1 when none can be made.
int create_copy(int dir_fd, const char* base) {
  char name[NAME_ROOM];
  for (int v = 0; v <= KU_EMERGENCY_MAX_VARIANT; v++) {
    if (!save_name(name, base, v)) return -1;
    int fd = openat(dir_fd, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
    if (errno == EINTR) {
      v--;
      continue;
    }
    if (errno != EEXIST) return -1;
  }
  return -1;
}

// The last path component of a name.
const char* base_name(const char* path) {
  const char* b = path;
  for (const char* p = path; *p; p++)
    if (*p == '/' && p[1]) b = p + 1;
  return b;
}

struct Output {
  explicit Output(int f) : fd(f) {}
  int fd;
  bool failed = false;
  size_t used = 0;
  char buf[8192];

  void raw(const char* p, size_t n) {
    while (n > 0 && !failed) {
      ssize_t w = write(fd, p, n);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        failed = true;
        return;
      }
      p += w;
      n -= static_cast<size_t>(w);
    }
  }
  void flush() {
    raw(buf, used);
    used = 0;
  }
  void put(const char* p, size_t n) {
    if (used + n > sizeof buf) flush();
    if (n > sizeof buf) {
      raw(p, n);
      return;
    }
    for (size_t i = 0; i < n; i++) buf[used + i] = p[i];
    used += n;
  }
};

// The text of a line as it stands: the unsaved line buffer stands in for the
// current line of the current file.
struct LineText {
  const char* text;
  int length;
};

LineText text_of(const LineNode* line, bool current) {
  if (current && line == curr_line && line_buf.length > 0) {
    int n = line_buf.length;
    if (n > static_cast<int>(sizeof line_buf.text)) n = static_cast<int>(sizeof line_buf.text);
    return {line_buf.text, n};
  }
  return {line->text, line->length > 0 ? line->length : 0};
}

// Whether the lines differ from what was last read or written: the summary
// (characters, lines, checksum) of the text as it stands against the saved one.
bool has_changed(const ListHead* head, bool current) {
  uint32_t per_line = head->format == 'd' ? 2u : 1u;
  uint32_t chars = 0, sum = 0;
  int32_t n = 0;
  const Link* l = head->count > 0 ? head->first : nullptr;
  for (int32_t i = 0; l && i < head->count; i++, l = l->next) {
    LineText t = text_of(static_cast<const LineNode*>(l), current);
    chars += static_cast<uint32_t>(t.length) + per_line;
    sum += line_checksum(t.text, t.length);
    n++;
  }
  return static_cast<int32_t>(chars) != head->saved_chars || n != head->saved_lines || sum != head->saved_checksum;
}

bool write_copy(int fd, const ListHead* head, bool current) {
  Output out(fd);
  const char* eol = head->format == 'd' ? "\r\n" : "\n";
  size_t eol_len = head->format == 'd' ? 2 : 1;
  const Link* l = head->count > 0 ? head->first : nullptr;
  for (int32_t i = 0; l && i < head->count && !out.failed; i++, l = l->next) {
    LineText t = text_of(static_cast<const LineNode*>(l), current);
    out.put(t.text, static_cast<size_t>(t.length));
    out.put(eol, eol_len);
  }
  out.flush();
  // A copy cut short (a full disk, say) is kept: part of the text is better
  // than none, and the original is untouched either way.
  bool ok = !out.failed && fsync(fd) == 0;
  while (close(fd) != 0 && errno == EINTR) {
  }
  return ok;
}

// One file: beside its own name, else under its last component in the
// working directory; an unnamed file as "ku.save" in the working directory.
// Where those cannot be written (a read-only directory), the same names in
// the home directory.
bool save_one(int dir_fd, const ListHead* head, const char* name, bool named, bool current) {
  if (!has_changed(head, current)) return false;
  int fd = -1;
  if (named && name[0]) fd = create_copy(dir_fd, name);
  const int places[2] = {dir_fd, home_dir_fd};
  for (int place : places) {
    if (fd >= 0 || place == -1) continue;
    if (named && name[0]) fd = create_copy(place, base_name(name));
    if (fd < 0) fd = create_copy(place, "ku");
  }
  if (fd < 0) return false;
  write_copy(fd, head, current);
  return true;
}

void block_stop_signals(sigset_t* old) {
  sigset_t s;
  sigemptyset(&s);
  sigaddset(&s, SIGHUP);
  sigaddset(&s, SIGTERM);
  sigprocmask(SIG_BLOCK, &s, old);
}

void on_stop_signal(int sig) {
  int saved_errno = errno;
  emergency_save_all();
  if (have_tty_modes) tcsetattr(STDIN_FILENO, TCSANOW, &tty_modes);
  errno = saved_errno;
  _exit(KU_EXIT_SIGNAL_BASE + sig);
}

}  // namespace

int emergency_save_files(int dir_fd) {
  int saved = 0;
  const Link* l = open_file_list.count > 0 ? open_file_list.first : nullptr;
  for (int32_t i = 0; l && i < open_file_list.count; i++, l = l->next) {
    const auto* f = static_cast<const FileNode*>(l);
    // The current file's live state is in the globals; its entry is stale.
    bool current = f == curr_file_des;
    const ListHead* head = current ? &curr_file : &f->head;
    const char* name = current ? curr_filename : f->name;
    int conn = current ? curr_conn : f->conn;
    if (save_one(dir_fd, head, name, conn != 0, current)) saved++;
  }
  return saved;
}

void emergency_save_all() {
  // The stop signals stay blocked from here on: a hang-up arriving while the
  // copies are written must not end the process half way, and once they are
  // written the process is ending anyway.
  block_stop_signals(nullptr);
  if (save_state != 0) return;
  save_state = 1;
  emergency_save_files(work_dir_fd);
  save_state = 2;
}

void install_emergency_handlers() {
  // Held as paths only: a directory the editor may not list can still take
  // new files, and a later chdir does not move the copies.
  int fd = open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) work_dir_fd = fd;
  // HOME is looked up now: a signal handler cannot search the environment.
  const char* home = getenv("HOME");
  if (home && home[0] == '/') {
    int hfd = open(home, O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (hfd >= 0) {
      if (home_dir_fd >= 0) close(home_dir_fd);
      home_dir_fd = hfd;
    }
  }
  if (isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &tty_modes) == 0) have_tty_modes = true;
  struct sigaction sa = {};
  sa.sa_handler = on_stop_signal;
  sigemptyset(&sa.sa_mask);
  sigaddset(&sa.sa_mask, SIGHUP);
  sigaddset(&sa.sa_mask, SIGTERM);
  sa.sa_flags = 0;
  sigaction(SIGHUP, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
}

void emergency_block_signals() { block_stop_signals(nullptr); }
