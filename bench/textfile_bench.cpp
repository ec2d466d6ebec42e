// Reads a text file with read_file and writes it back with write_file,
// reporting wall time, peak memory and the memory each line costs above its
// text.  Usage: textfile_bench FILE [OUT]  (OUT defaults to FILE.out).
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "files/textfile.h"
#include "options/options.h"
#include "store/lists.h"

namespace {

long peak_rss_kb() {
  struct rusage ru;
  getrusage(RUSAGE_SELF, &ru);
  return ru.ru_maxrss;
}

// Wall time and processor time (user + system) of one step: on a shared
// machine the processor time is the steadier figure.
struct Clock {
  std::chrono::steady_clock::time_point wall;
  double user, sys;
};

Clock now() {
  struct rusage ru;
  getrusage(RUSAGE_SELF, &ru);
  return {std::chrono::steady_clock::now(), static_cast<double>(ru.ru_utime.tv_sec) + ru.ru_utime.tv_usec / 1e6,
          static_cast<double>(ru.ru_stime.tv_sec) + ru.ru_stime.tv_usec / 1e6};
}

void report(const char* what, const Clock& t0, const Clock& t1) {
  std::printf("%-16s %.3f s wall, %.3f s cpu (user %.3f, sys %.3f)\n", what,
              std::chrono::duration<double>(t1.wall - t0.wall).count(), (t1.user - t0.user) + (t1.sys - t0.sys),
              t1.user - t0.user, t1.sys - t0.sys);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE [OUT]\n", argv[0]);
    return 2;
  }
  std::string out = argc > 2 ? argv[2] : std::string(argv[1]) + ".out";
  // The editor's defaults: tab stop 4, TABs expanded on reading, not compressed on writing.
  options.tabstop = 4;
  options.input_xlate = 1;
  options.output_xlate = 0;

  ListHead list;
  init_list(&list);
  int32_t chars, lines;
  uint32_t checksum;
  char format;
  long rss_before = peak_rss_kb();

  Clock t0 = now();
  int r = read_file(argv[1], &list, &chars, &lines, &checksum, &format);
  Clock read_end = now();
  long rss_read = peak_rss_kb();
  if (r != 0) {
    std::fprintf(stderr, "read_file failed: %d\n", r);
    return 1;
  }
  list.format = format;

  long long text = 0;
  for (LineNode* l = first_line(list); l; l = next_line(l)) text += l->length;

  int32_t wchars, wlines;
  uint32_t wsum;
  std::printf("lines            %d\n", lines);
  std::printf("text bytes       %lld (%.1f per line)\n", text, static_cast<double>(text) / lines);
  report("read_file", t0, read_end);
  t0 = now();
  int w = write_file(out.c_str(), 1, format, first_line(list), last_line(list), &wchars, &wlines, &wsum);
  report("write_file", t0, now());
  if (w != 0) {
    std::fprintf(stderr, "write_file failed: %d\n", w);
    return 1;
  }

  t0 = now();
  purge_list(&list);
  report("purge_list", t0, now());

  double used = static_cast<double>(rss_read - rss_before) * 1024.0;
  std::printf("peak RSS         %.1f MB (%.1f MB before reading)\n", rss_read / 1024.0, rss_before / 1024.0);
  std::printf("memory per line  %.1f bytes above the text\n", (used - static_cast<double>(text)) / lines);
  std::printf("summary equal    %s\n", wchars == chars && wlines == lines && wsum == checksum ? "yes" : "NO");
  return 0;
}
