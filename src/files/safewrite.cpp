// Safe writing: write_open / write_close put every file the editor writes in
// place only once it is complete, through a temporary file in the target's own
// directory and one rename; and file_info, the count of a line list.
#include "files/safewrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>

#include "files/textfile.h"
#include "input/readstate.h"
#include "term/screen.h"
#include "term/status.h"
#include "term/terminal.h"

int (*overwrite_answer_source)() = read_char;

namespace {

const char* const overwrite_question = "File already exists: Overwrite ? ";

// A write begun by write_open and not yet closed or abandoned.
struct PendingWrite {
  FILE* stream = nullptr;
  std::string temp_name;  // the temporary file receiving the data
  std::string target;     // the file it will replace (symbolic links resolved)
};

// Writes that are open at the same time: the editor has at most one or two.
constexpr int MAX_PENDING = 8;
PendingWrite pending[MAX_PENDING];
int pending_count = 0;

// While a write is open, exceeding the file size limit must make the write
// fail (EFBIG) rather than end the editor with every other file unsaved.
struct sigaction saved_xfsz_action;

void begin_pending() {
  if (pending_count++ == 0) {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGXFSZ, &ignore, &saved_xfsz_action);
  }
}

void end_pending(int ix) {
  pending[ix].stream = nullptr;
  pending[ix].temp_name.clear();
  pending[ix].target.clear();
  if (--pending_count == 0) sigaction(SIGXFSZ, &saved_xfsz_action, nullptr);
}

int find_pending(FILE* stream) {
  if (!stream) return -1;
  for (int i = 0; i < MAX_PENDING; i++)
    if (pending[i].stream == stream) return i;
  return -1;
}

int free_pending_slot() {
  for (int i = 0; i < MAX_PENDING; i++)
    if (!pending[i].stream) return i;
  return -1;
}

std::string dir_part(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Follows a chain of symbolic links from `path` to the name of the file that
// is really written (which need not exist yet).  False on a loop.
bool resolve_target(const char* path, std::string& out) {
  std::string cur = path;
  for (int hop = 0; hop < 40; hop++) {
    struct stat st;
    if (lstat(cur.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
      out = cur;
      return true;
    }
    char link[PATH_MAX];
    ssize_t n = readlink(cur.c_str(), link, sizeof link - 1);
    if (n <= 0) return false;
    link[n] = 0;
    if (link[0] == '/') {
      cur = link;
    } else {
      size_t slash = cur.rfind('/');
      cur = (slash == std::string::npos ? std::string() : cur.substr(0, slash + 1)) + link;
    }
  }
  return false;
}

// The user's answer to the overwrite question: true for y or Y.
bool overwrite_confirmed() {
  // Without a screen there is nobody to ask: keep the existing file.
  if (!ku_win && overwrite_answer_source == read_char) return false;
  if (ku_win) write_status_line(overwrite_question);
  int key = overwrite_answer_source();
  if (ku_win) restore_cursor();
  return key == 'y' || key == 'Y';
}

// Creates the temporary file for `target` without disturbing any existing
// file: the target's name with its last character replaced by '~' when that
// name is free and differs from the target, else a fresh unique name in the
// same directory.  Returns the descriptor (or -1) and the name chosen.
int create_temp(const std::string& target, std::string& name, bool* unique_name) {
  *unique_name = false;
  if (target.back() != '~') {
    name = target;
    name.back() = '~';
    int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  // The name with ".XXXXXX" added must still fit in a directory entry; a
  // long name gets a short one of its own in the same directory.
  std::string templ = target + ".XXXXXX";
  size_t slash = target.rfind('/');
  size_t base_len = slash == std::string::npos ? target.size() : target.size() - slash - 1;
  if (base_len + 7 > NAME_MAX) templ = target.substr(0, target.size() - base_len) + ".ku.XXXXXX";
  int fd = mkstemp(templ.data());
  if (fd >= 0) {
    name = templ;
    *unique_name = true;
  }
  return fd;
}

// Makes sure a completed rename survives a crash; failure here changes
// nothing about the result, the file is already in place.
void sync_directory(const std::string& target) {
  int fd = open(dir_part(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  (void)fsync(fd);
  close(fd);
}

}  // namespace

FILE* write_open(const char* path, int overwrite_ok, int* code) {
  int scratch;
  if (!code) code = &scratch;
  *code = KU_WRITE_CANNOT_OPEN;
  if (!path || !*path || path[std::strlen(path) - 1] == '/') return nullptr;

  std::string target;
  if (!resolve_target(path, target)) return nullptr;
  struct stat st;
  bool exists = stat(target.c_str(), &st) == 0;
  if (exists) {
    // Only a plain file is replaced; a directory or device is not ours to swap.
    if (!S_ISREG(st.st_mode)) return nullptr;
    // A file the user may not write is not replaced behind its back either.
    if (access(target.c_str(), W_OK) != 0) return nullptr;
    if (!overwrite_ok && !overwrite_confirmed()) {
      *code = KU_WRITE_DECLINED;
      return nullptr;
    }
  }

  int slot = free_pending_slot();
  if (slot < 0) return nullptr;

  std::string temp_name;
  bool unique_name;
  int fd = create_temp(target, temp_name, &unique_name);
  if (fd < 0) return nullptr;

  bool ok = true;
  if (exists) {
    // Same owner where we may set it (root), then the target's permission bits.
    if (fchown(fd, st.st_uid, st.st_gid) != 0) { /* not permitted: keep our own */ }
    ok = fchmod(fd, st.st_mode & 07777) == 0;
  } else if (unique_name) {
    // mkstemp made it private; a new file gets the usual mode under the umask.
    mode_t mask = umask(022);
    umask(mask);
    ok = fchmod(fd, 0666 & ~mask) == 0;
  }
  FILE* stream = ok ? fdopen(fd, "wb") : nullptr;
  if (!stream) {
    close(fd);
    unlink(temp_name.c_str());
    return nullptr;
  }

  pending[slot].stream = stream;
  pending[slot].temp_name = temp_name;
  pending[slot].target = target;
  begin_pending();
  *code = KU_WRITE_OK;
  return stream;
}

int write_close(FILE* stream, const char* /*path: the target named to write_open*/) {
  int ix = find_pending(stream);
  if (ix < 0) {
    if (stream) std::fclose(stream);
    return KU_WRITE_CANNOT_OPEN;
  }
  PendingWrite& w = pending[ix];
  // Every step is checked: an error flag left by any earlier write, the final
  // flush, getting the data onto the disk, and the close itself.
  bool ok = !std::ferror(stream);
  if (std::fflush(stream) != 0) ok = false;
  if (fsync(fileno(stream)) != 0 && errno != EINVAL && errno != ENOTSUP) ok = false;
  if (std::fclose(stream) != 0) ok = false;
  // One rename replaces the target atomically: at every moment the name holds
  // either the old file or the complete new one.
  if (ok && std::rename(w.temp_name.c_str(), w.target.c_str()) != 0) ok = false;
  if (ok)
    sync_directory(w.target);
  else
    unlink(w.temp_name.c_str());
  end_pending(ix);
  return ok ? 0 : KU_WRITE_CANNOT_OPEN;
}

void write_abort(FILE* stream) {
  int ix = find_pending(stream);
  if (ix < 0) {
    if (stream) std::fclose(stream);
    return;
  }
  std::fclose(stream);
  unlink(pending[ix].temp_name.c_str());
  end_pending(ix);
}

void file_info(const ListHead* head, int overhead, int32_t* chars, int32_t* lines, uint32_t* checksum) {
  // The line end counted is the one a write of the list produces.
  uint32_t per_line = (head->format == 'u' ? 1u : 2u) + (overhead ? 16u : 0u);
  uint32_t c = 0, sum = 0;
  int32_t n = 0;
  const Link* l = head->count > 0 ? head->first : nullptr;
  for (int32_t i = 0; l && i < head->count; i++, l = l->next) {
    const LineNode* line = static_cast<const LineNode*>(l);
    int len = line->length > 0 ? line->length : 0;
    c += static_cast<uint32_t>(len) + per_line;
    sum += line_checksum(line->text, len);
    n++;
  }
  *chars = static_cast<int32_t>(c);
  *lines = n;
  *checksum = sum;
}
