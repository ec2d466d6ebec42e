// Text files: read_file turns a file into line nodes (line ends, TAB
// expansion, rejected bytes, long lines split), write_file writes a range of
// lines back through a temporary file, and the change tests over the summaries.
#include "files/textfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "files/openfiles.h"
#include "files/safewrite.h"
#include "options/options.h"
#include "store/memory.h"
#include "term/status.h"
#include "term/terminal.h"

int read_split_lines = 0;
char read_bad_char_msg[64];
const char* read_refusal = "";

namespace {

// A file is read in pieces of what fgets with a 385-byte buffer returns: the
// bytes through the next LF, at most KU_READ_LINE_MAX of them.  The input is
// taken in large blocks; a piece is cut out of the block in place.
constexpr size_t READ_BLOCK = 1 << 17;
char read_block[READ_BLOCK];

// TAB expansion of a piece happens here rather than in `temp`: expansion can
// add up to 253 characters (a TAB is only expanded below column 254 - tab
// stop), which a 388-byte record cannot hold.
char expand_buf[1024];
static_assert(KU_READ_LINE_MAX + 254 < static_cast<int>(sizeof expand_buf));

constexpr int PROGRESS_MASK = 0x7FFFF;  // a progress message every 524288 lines

// The bytes a text file may not hold: the control bytes other than TAB, LF,
// FF and CR (the zero byte included), DEL and 255.
inline unsigned rejected(unsigned char c) {
  return (unsigned{c < 32} & unsigned{c != '\t'} & unsigned{c != '\n'} & unsigned{c != '\f'} & unsigned{c != '\r'}) |
         unsigned{c == 127} | unsigned{c == 255};
}

// Position of the first rejected byte of the piece, or -1; *has_tab tells
// whether the piece holds a TAB.  The common case runs branch-free.
int scan_piece(const unsigned char* p, int n, bool* has_tab) {
  unsigned bad = 0, tab = 0;
  for (int i = 0; i < n; i++) {
    bad |= rejected(p[i]);
    tab |= unsigned{p[i] == '\t'};
  }
  *has_tab = tab != 0;
  if (!bad) return -1;
  for (int i = 0; i < n; i++)
    if (rejected(p[i])) return i;
  return -1;
}

// Whether n bytes hold neither a rejected byte nor a TAB: then no piece cut
// from them needs the per-piece scan.  Byte-wide, so that it runs on whole
// vector registers.
bool plain_text(const unsigned char* p, size_t n) {
  unsigned char odd = 0;
  for (size_t i = 0; i < n; i++) {
    unsigned char c = p[i];
    odd |= static_cast<unsigned char>(((c < 32) & (c != '\n') & (c != '\f') & (c != '\r')) | (c == 127) | (c == 255));
  }
  return odd == 0;
}

// Nodes read from a file are carved from the line arena: one system
// allocation per block of lines rather than per line.
LineNode* new_line_node(const char* text, int len, long request) {
  LineNode* node = static_cast<LineNode*>(request > line_node_size(len) ? ku_alloc(static_cast<size_t>(request))
                                                                        : ku_alloc_line(len));
  node->next = nullptr;
  node->prev = nullptr;
  node->length = len;
  if (len > 0) std::memcpy(node->text, text, static_cast<size_t>(len));
  return node;
}

void show_bad_char(int piece, unsigned char value) {
  std::snprintf(read_bad_char_msg, sizeof read_bad_char_msg, "%s %d %s %x", "Bad char at line ", piece, "value is ",
                static_cast<unsigned>(value));
  if (!ku_win) return;  // no screen (tests, batch use): nobody to wait for
  write_status_line(read_bad_char_msg);
  ti_force_screen_update();
  // The key comes straight from the terminal: a macro neither records nor supplies it.
  (void)ti_getch();
}

void show_progress(int lines) {
  if (!ku_win) return;
  char msg[64];
  std::snprintf(msg, sizeof msg, "%s %d", "Reading file, now at line", lines);
  mv_writestr(0, 0, 0, ku_masthead);
  mv_writestr(10, physical_lines / 2 - 2, 0, msg);
  ti_force_screen_update();
}

// Output is gathered here and handed to the stream in large writes.
constexpr size_t WRITE_BLOCK = 1 << 16;
char write_block[WRITE_BLOCK];

struct BlockWriter {
  FILE* stream;
  size_t used = 0;
  bool failed = false;

  void flush() {
    if (used && !failed && std::fwrite(write_block, 1, used, stream) != used) failed = true;
    used = 0;
  }
  void put(const char* p, size_t n) {
    if (used + n > WRITE_BLOCK) flush();
    if (n > WRITE_BLOCK) {
      if (!failed && std::fwrite(p, 1, n, stream) != n) failed = true;
      return;
    }
    std::memcpy(write_block + used, p, n);
    used += n;
  }
};

const char* refusal_for(mode_t mode) { return S_ISDIR(mode) ? "Is a directory" : "Not a regular file"; }

bool summary_differs(const ListHead& head) {
  int32_t chars, lines;
  uint32_t checksum;
  file_info(&head, 0, &chars, &lines, &checksum);
  return chars != head.saved_chars || lines != head.saved_lines || checksum != head.saved_checksum;
}

}  // namespace

uint32_t line_checksum(const char* text, int n) {
  if (n <= 0) return 0;
  // The sum of the line's 4-byte words, taken 8 bytes at a time: the 64-bit
  // sum's low half is the sum of the first words of each pair (what carries
  // out of it is dropped with the high half), and the second words are summed
  // on their own.  Whatever the byte order, the result is that of adding the
  // words one by one.
  uint64_t pairs = 0, seconds = 0;
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t w;
    std::memcpy(&w, text + i, 8);
    pairs += w;
    seconds += w >> 32;
  }
  uint32_t sum = static_cast<uint32_t>(pairs) + static_cast<uint32_t>(seconds);
  if (i + 4 <= n) {
    uint32_t w;
    std::memcpy(&w, text + i, 4);
    sum += w;
    i += 4;
  }
  // The last bytes count one by one, as signed values.
  for (; i < n; i++) sum += static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(text[i])));
  return sum;
}

void report_split_lines() {
  if (read_split_lines <= 0 || !ku_win) return;
  char msg[48];
  std::snprintf(msg, sizeof msg, "%d long line(s) split", read_split_lines);
  write_ku_msg(msg);
}

int open_text_file(const char* path) {
  read_refusal = "";
  if (!path || !*path) return -1;
  // Looked at before it is opened: opening a named pipe waits for a writer,
  // and opening a device can do things of its own.
  struct stat st;
  if (stat(path, &st) == 0 && !S_ISREG(st.st_mode)) {
    read_refusal = refusal_for(st.st_mode);
    return -1;
  }
  int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return -1;
  // The name may have been given to something else since the first look:
  // what counts is the file actually opened.
  bool known = fstat(fd, &st) == 0;
  if (!known || !S_ISREG(st.st_mode)) {
    read_refusal = known ? refusal_for(st.st_mode) : "";
    close(fd);
    return -1;
  }
  int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) (void)fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return fd;
}

void format_read_refusal(const char* name, char* out, size_t size) {
  if (size == 0) return;
  constexpr int message_room = 40;
  const char* why = *read_refusal ? read_refusal : "Not a regular file";
  int room = message_room - static_cast<int>(std::strlen(why)) - 2;
  char cut[64];
  truncate_str_left(name ? name : "", cut, room < 3 ? 3 : room);
  std::snprintf(out, size, "%s: %s", why, cut);
}

int read_file(const char* path, ListHead* list, int32_t* chars, int32_t* lines, uint32_t* checksum, char* format) {
  char fmt = 'u';
  uint32_t text_chars = 0, sum = 0;
  int32_t count = 0;
  *format = fmt;
  *chars = 0;
  *lines = 0;
  *checksum = 0;
  read_split_lines = 0;
  read_bad_char_msg[0] = 0;

  int fd = open_text_file(path);
  if (fd < 0) return KU_FILE_CANNOT_OPEN;
  FILE* f = fdopen(fd, "rb");
  if (!f) {
    close(fd);
    return KU_FILE_CANNOT_OPEN;
  }

  int result = KU_FILE_OK;
  size_t have = 0, pos = 0;  // bytes in read_block, start of the next piece
  bool at_eof = false;
  bool plain = false;        // read_block[pos, have) is plain text (see plain_text)
  bool in_split = false;     // the previous piece was cut short of its LF
  int piece_no = 0;
  const int tabstop = options.tabstop;
  const bool expand = options.input_xlate != 0;

  for (;;) {
    // Keep more than one piece's worth in the block, so that whether another
    // piece follows is known when a piece is taken.
    if (have - pos <= static_cast<size_t>(KU_READ_LINE_MAX) && !at_eof) {
      std::memmove(read_block, read_block + pos, have - pos);
      have -= pos;
      pos = 0;
      while (have <= static_cast<size_t>(KU_READ_LINE_MAX) && !at_eof) {
        size_t n = std::fread(read_block + have, 1, READ_BLOCK - have, f);
        have += n;
        if (n == 0) at_eof = true;
      }
      if (std::ferror(f)) {
        // A file that could be read only in part must not look like the whole.
        result = KU_FILE_CANNOT_OPEN;
        break;
      }
      plain = plain_text(reinterpret_cast<const unsigned char*>(read_block), have);
    }
    size_t avail = have - pos;
    if (avail == 0) break;

    const char* p = read_block + pos;
    size_t limit = avail < static_cast<size_t>(KU_READ_LINE_MAX) ? avail : KU_READ_LINE_MAX;
    const char* lf = static_cast<const char*>(std::memchr(p, '\n', limit));
    int plen = static_cast<int>(lf ? lf - p + 1 : limit);
    pos += static_cast<size_t>(plen);
    bool more = pos < have;
    piece_no++;

    bool has_tab = false;
    int bad = plain ? -1 : scan_piece(reinterpret_cast<const unsigned char*>(p), plen, &has_tab);
    if (bad >= 0) {
      show_bad_char(piece_no, static_cast<unsigned char>(p[bad]));
      result = KU_FILE_NOT_TEXT;
      break;
    }

    int len = plen;
    if (lf) {
      len--;
      if (len > 0 && p[len - 1] == '\r') {
        len--;
        fmt = 'd';
      }
      in_split = false;
    } else if (more) {
      // Cut at KU_READ_LINE_MAX: the rest of the physical line follows as
      // further lines.  A CR here is a character of the line and is kept.
      if (!in_split) read_split_lines++;
      in_split = true;
    } else {
      // The last line has no LF.  A final CR is the rest of a CR LF line end in
      // a DOS/Windows file (written back as CR LF); in a Unix file it is text.
      if (len > 0 && p[len - 1] == '\r' && fmt == 'd') len--;
      in_split = false;
    }

    const char* text = p;
    if (expand && has_tab) {
      std::memcpy(expand_buf, p, static_cast<size_t>(len));
      int n = unpack(expand_buf, len, tabstop);
      // A line expansion would make longer than the line store holds keeps its
      // TABs as they are, so that no character is lost.
      if (n <= KU_READ_LINE_MAX) {
        text = expand_buf;
        len = n;
      }
    }

    send_node(list, new_line_node(text, len, line_node_size(len)));
    text_chars += static_cast<uint32_t>(len);
    sum += line_checksum(text, len);
    count++;
    if ((count & PROGRESS_MASK) == 0) show_progress(count);
  }
  std::fclose(f);

  if (result == KU_FILE_OK && count == 0) {
    // An empty file holds one empty line.
    send_node(list, new_line_node(nullptr, 0, 96));
    count = 1;
  }
  *format = fmt;
  *chars = static_cast<int32_t>(text_chars + static_cast<uint32_t>(count) * (fmt == 'd' ? 2u : 1u));
  *lines = count;
  *checksum = sum;
  if (result == KU_FILE_OK) report_split_lines();
  return result;
}

int write_file(const char* path, int overwrite_ok, char format, LineNode* first, LineNode* last, int32_t* chars,
               int32_t* lines, uint32_t* checksum) {
  int code;
  FILE* f = write_open(path, overwrite_ok, &code);
  if (!f) return KU_FILE_CANNOT_OPEN;

  const char* eol = format == 'd' ? "\r\n" : "\n";
  const size_t eol_len = format == 'd' ? 2 : 1;
  const bool compress = options.output_xlate != 0;
  const int tabstop = options.tabstop;
  uint32_t c = 0, sum = 0;
  int32_t n = 0;
  BlockWriter out{f};

  for (LineNode* line = first; line && !out.failed; line = line == last ? nullptr : next_line(line)) {
    int len = line->length > 0 ? line->length : 0;
    // The summary is of the lines as held in memory.
    c += static_cast<uint32_t>(len) + static_cast<uint32_t>(eol_len);
    n++;
    sum += line_checksum(line->text, len);
    const char* text = line->text;
    if (compress && len < static_cast<int>(sizeof temp.text)) {
      std::memcpy(temp.text, line->text, static_cast<size_t>(len));
      len = pack(temp.text, len, tabstop);
      text = temp.text;
    }
    out.put(text, static_cast<size_t>(len));
    out.put(eol, eol_len);
  }
  out.flush();
  if (out.failed) {
    write_abort(f);
    return KU_FILE_CANNOT_OPEN;
  }
  if (write_close(f, path) != 0) return KU_FILE_CANNOT_OPEN;
  // Only a completed write gives the lines a new saved state.
  *chars = static_cast<int32_t>(c);
  *lines = n;
  *checksum = sum;
  return KU_FILE_OK;
}

int curr_file_has_changed() { return summary_differs(curr_file) ? 1 : 0; }

int unsaved_changes(int* count) {
  if (curr_file_ix >= 0) save_context(curr_file_ix);
  int changed = 0;
  const Link* l = open_file_list.count > 0 ? open_file_list.first : nullptr;
  for (int32_t i = 0; l && i < open_file_list.count; i++, l = l->next)
    if (summary_differs(static_cast<const FileNode*>(l)->head)) changed++;
  if (count) *count = changed;
  return changed > 0 ? 1 : 0;
}
