// The options record and the options file.  The file is the 52-byte record
// image, big-endian, written and read field by field at fixed offsets.
#include "options/options.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "files/safewrite.h"
#include "files/textfile.h"
#include "term/status.h"

Options options;

void set_default_options() {
  std::memset(&options, 0, sizeof options);
  size_t n = std::strlen(ku_masthead);
  options.version[0] = ku_masthead[n - 4];
  options.version[1] = ku_masthead[n - 2];
  options.version[2] = ku_masthead[n - 1];
  options.version[3] = 0;
  options.tabstop = 4;
  options.right_margin = 72;
  options.input_xlate = 1;
  options.output_xlate = 0;
  options.auto_indent = 1;
  options.text_wrapping = 0;
  options.reserved = 0;
  options.left_margin = -1;
  options.right_justify = 1;
  options.bg_color = -1;
  options.fg_color = -1;
  options.sol_match_char = '^';
  options.eol_match_char = '$';
  options.mouse_support = 1;
}

namespace {

void put32(unsigned char* p, int v) {
  uint32_t u = static_cast<uint32_t>(v);
  p[0] = static_cast<unsigned char>(u >> 24);
  p[1] = static_cast<unsigned char>(u >> 16);
  p[2] = static_cast<unsigned char>(u >> 8);
  p[3] = static_cast<unsigned char>(u);
}

void put16(unsigned char* p, short v) {
  uint16_t u = static_cast<uint16_t>(v);
  p[0] = static_cast<unsigned char>(u >> 8);
  p[1] = static_cast<unsigned char>(u);
}

int get32(const unsigned char* p) {
  return static_cast<int>(static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
                          static_cast<uint32_t>(p[2]) << 8 | static_cast<uint32_t>(p[3]));
}

short get16(const unsigned char* p) { return static_cast<short>(static_cast<uint16_t>(p[0] << 8 | p[1])); }

}  // namespace

void options_to_image(const Options& o, unsigned char image[OPTIONS_IMAGE_SIZE]) {
  std::memset(image, 0, OPTIONS_IMAGE_SIZE);
  std::memcpy(image, o.version, 3);
  put32(image + 4, o.tabstop);
  put32(image + 8, o.input_xlate);
  put32(image + 12, o.output_xlate);
  put32(image + 16, o.auto_indent);
  put32(image + 20, o.text_wrapping);
  put32(image + 24, o.reserved);
  put32(image + 28, o.left_margin);
  put32(image + 32, o.right_margin);
  put32(image + 36, o.right_justify);
  put16(image + 40, o.bg_color);
  put16(image + 42, o.fg_color);
  image[44] = static_cast<unsigned char>(o.sol_match_char);
  image[45] = static_cast<unsigned char>(o.eol_match_char);
  put32(image + 48, o.mouse_support);
}

void options_from_image(Options& o, const unsigned char* image, size_t n) {
  // A short file replaces only the fields it covers completely; the image
  // is copied over the current record's image so partial fields keep their
  // old bytes, as reading the record in one block would.
  unsigned char full[OPTIONS_IMAGE_SIZE];
  options_to_image(o, full);
  if (n > OPTIONS_IMAGE_SIZE) n = OPTIONS_IMAGE_SIZE;
  std::memcpy(full, image, n);
  std::memcpy(o.version, full, 4);
  o.tabstop = get32(full + 4);
  o.input_xlate = get32(full + 8);
  o.output_xlate = get32(full + 12);
  o.auto_indent = get32(full + 16);
  o.text_wrapping = get32(full + 20);
  o.reserved = get32(full + 24);
  o.left_margin = get32(full + 28);
  o.right_margin = get32(full + 32);
  o.right_justify = get32(full + 36);
  o.bg_color = get16(full + 40);
  o.fg_color = get16(full + 42);
  o.sol_match_char = static_cast<char>(full[44]);
  o.eol_match_char = static_cast<char>(full[45]);
  o.mouse_support = get32(full + 48);
}

bool ku_opt_path(char path[OPT_PATH_SIZE]) {
  // An empty HOME names no directory; taken literally it would put the file
  // at the root of the file system.
  const char* home = std::getenv("HOME");
  if (!home || !*home) return false;
  int n = std::snprintf(path, OPT_PATH_SIZE, "%s/.ku.opt", home);
  return n > 0 && static_cast<size_t>(n) < OPT_PATH_SIZE;
}

int save_ku_opt_file() {
  char path[OPT_PATH_SIZE];
  if (!ku_opt_path(path)) return 3;
  unsigned char image[OPTIONS_IMAGE_SIZE];
  options_to_image(options, image);
  // Through a temporary file like every other write: a failed save leaves
  // the old settings, and a name that is no plain file (a named pipe, a
  // directory) is refused instead of waited on.
  int code = 0;
  FILE* f = write_open(path, 1, &code);
  if (!f) return 3;
  if (std::fwrite(image, 1, OPTIONS_IMAGE_SIZE, f) != OPTIONS_IMAGE_SIZE) {
    write_abort(f);
    return 3;
  }
  return write_close(f, path) == 0 ? 0 : 3;
}

int load_ku_opt_file() {
  char path[OPT_PATH_SIZE];
  if (!ku_opt_path(path)) return 3;
  // Start-up reads this before anything else: it must not wait on a named
  // pipe or read a device for ever.
  int fd = open_text_file(path);
  if (fd < 0) return 3;
  unsigned char image[OPTIONS_IMAGE_SIZE];
  size_t n = 0;
  while (n < OPTIONS_IMAGE_SIZE) {
    ssize_t got = read(fd, image + n, OPTIONS_IMAGE_SIZE - n);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    n += static_cast<size_t>(got);
  }
  close(fd);
  options_from_image(options, image, n);
  return 0;
}
