// Reading and writing text files over real files in a temporary directory:
// line ends, long lines, rejected bytes, TAB translation, the file summary and
// the change tests built on it.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "files/openfiles.h"
#include "files/safewrite.h"
#include "files/textfile.h"
#include "options/options.h"
#include "store/lists.h"
#include "store/memory.h"

namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void spill(const fs::path& p, const std::string& bytes) {
  // A new file rather than a truncated one: ext4 flushes a file rewritten
  // after truncation to disk at once, which makes tests slow.
  std::error_code ec;
  fs::remove(p, ec);
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> texts(const ListHead& h) {
  std::vector<std::string> v;
  for (LineNode* l = first_line(h); l; l = next_line(l)) v.emplace_back(l->text, static_cast<size_t>(l->length));
  return v;
}

LineNode* make_line(const std::string& s) {
  LineNode* n = static_cast<LineNode*>(ku_alloc(static_cast<size_t>(line_node_size(static_cast<long>(s.size())))));
  n->length = static_cast<int32_t>(s.size());
  std::memcpy(n->text, s.data(), s.size());
  return n;
}

struct Summary {
  int32_t chars = -1, lines = -1;
  uint32_t checksum = 0;
  char format = '?';
  bool operator==(const Summary&) const = default;
};

class TextFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_options_ = options;
    options.tabstop = 4;
    options.input_xlate = 0;
    options.output_xlate = 0;
    const char* base = std::getenv("TMPDIR");
    std::string t = std::string(base && *base ? base : "/tmp") + "/ku_textfile_XXXXXX";
    std::vector<char> buf(t.begin(), t.end());
    buf.push_back(0);
    ASSERT_NE(mkdtemp(buf.data()), nullptr);
    dir_ = buf.data();
    init_list(&list_);
  }
  void TearDown() override {
    purge_list(&list_);
    options = saved_options_;
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  fs::path file(const std::string& name) const { return dir_ / name; }

  int read(const std::string& name, Summary* s) {
    purge_list(&list_);
    init_list(&list_);
    int r = read_file(file(name).c_str(), &list_, &s->chars, &s->lines, &s->checksum, &s->format);
    list_.format = s->format;
    return r;
  }

  int write(const std::string& name, char format, Summary* s) {
    s->format = format;
    return write_file(file(name).c_str(), 1, format, first_line(list_), last_line(list_), &s->chars, &s->lines,
                      &s->checksum);
  }

  Summary info() const {
    Summary s;
    file_info(&list_, 0, &s.chars, &s.lines, &s.checksum);
    s.format = list_.format;
    return s;
  }

  Options saved_options_;
  fs::path dir_;
  ListHead list_{};
};

// One file as read and as written back.
struct RoundTrip {
  const char* name;
  std::string bytes;
  std::vector<std::string> lines;
  char format;
  std::string written;
  int split;
};

TEST_F(TextFileTest, LineEndsAndLongLinesRoundTrip) {
  const std::string x384(384, 'x'), x383(383, 'x'), x1000(1000, 'y');
  const std::vector<RoundTrip> cases = {
      {"CR LF", "a\r\nbc\r\n", {"a", "bc"}, 'd', "a\r\nbc\r\n", 0},
      {"mixed ends become DOS", "a\nb\r\nc\n", {"a", "b", "c"}, 'd', "a\r\nb\r\nc\r\n", 0},
      {"last line without LF", "a\nlast", {"a", "last"}, 'u', "a\nlast\n", 0},
      {"empty file", "", {""}, 'u', "\n", 0},
      {"single line end", "\n", {""}, 'u', "\n", 0},
      {"383 characters fit", x383 + "\n", {x383}, 'u', x383 + "\n", 0},
      {"384 characters: text, then an empty line", x384 + "\n", {x384, ""}, 'u', x384 + "\n\n", 1},
      {"384 characters at the end of the file", x384, {x384}, 'u', x384 + "\n", 0},
      {"1000 characters in pieces of 384",
       x1000 + "\nz\n",
       {x1000.substr(0, 384), x1000.substr(384, 384), x1000.substr(768), "z"},
       'u',
       x1000.substr(0, 384) + "\n" + x1000.substr(384, 384) + "\n" + x1000.substr(768) + "\nz\n",
       1},
      {"two long lines", x1000 + "\n" + x1000 + "\n", {}, 'u', "", 2},
      {"high bytes, FF and CR inside a line", "\x80\xfe\x0c\rq\xa0\n", {"\x80\xfe\x0c\rq\xa0"}, 'u',
       "\x80\xfe\x0c\rq\xa0\n", 0},
      {"final CR of a Unix file is text", "a\nb\r", {"a", "b\r"}, 'u', "a\nb\r\n", 0},
      {"final CR of a DOS file ends the line", "a\r\nb\r", {"a", "b"}, 'd', "a\r\nb\r\n", 0},
      {"CR where a long line is cut is kept", x383 + "\r\n", {x383 + "\r", ""}, 'u', x383 + "\r\n\n", 1},
  };
  for (const RoundTrip& c : cases) {
    SCOPED_TRACE(c.name);
    spill(file("in"), c.bytes);
    Summary r;
    ASSERT_EQ(read("in", &r), KU_FILE_OK);
    if (!c.lines.empty()) {
      EXPECT_EQ(texts(list_), c.lines);
    }
    for (const std::string& t : texts(list_)) EXPECT_LE(t.size(), 384u);
    EXPECT_EQ(r.format, c.format);
    EXPECT_EQ(read_split_lines, c.split);
    EXPECT_EQ(r, info()) << "summary while reading differs from the list's count";

    Summary w;
    ASSERT_EQ(write("out", r.format, &w), KU_FILE_OK);
    EXPECT_EQ(w, r) << "written summary differs from the one read";
    if (!c.written.empty()) {
      EXPECT_EQ(slurp(file("out")), c.written);
    }

    // What was written reads back as the same lines, except where a line of
    // 384 characters gains a line end (read back as a further empty line) or
    // a line ends in CR (written as CR LF, a DOS line end).
    std::vector<std::string> before = texts(list_);
    bool stable = true;
    for (const std::string& t : before) stable = stable && t.size() < 384 && !t.ends_with('\r');
    if (!stable) continue;
    Summary again;
    ASSERT_EQ(read("out", &again), KU_FILE_OK);
    EXPECT_EQ(texts(list_), before);
  }
}

TEST_F(TextFileTest, EmptyFileIsOneEmptyUnixLine) {
  spill(file("e"), "");
  Summary r;
  ASSERT_EQ(read("e", &r), KU_FILE_OK);
  EXPECT_EQ(r, (Summary{1, 1, 0, 'u'}));
  ASSERT_EQ(list_.count, 1);
  EXPECT_EQ(first_line(list_)->length, 0);
}

TEST_F(TextFileTest, MissingFileCannotBeOpened) {
  Summary r;
  EXPECT_EQ(read("absent", &r), KU_FILE_CANNOT_OPEN);
  EXPECT_EQ(list_.count, 0);
  // A directory opens but cannot be read: it must not pass for an empty file.
  fs::create_directory(file("sub"));
  EXPECT_EQ(read("sub", &r), KU_FILE_CANNOT_OPEN);
}

// Every byte value inside a line: accepted ones read, the others reject the
// file naming the piece and the value.
TEST_F(TextFileTest, EveryByteValueAcceptedOrRejected) {
  for (int v = 0; v < 256; v++) {
    SCOPED_TRACE(v);
    bool accepted = v == 9 || v == 10 || v == 12 || v == 13 || (v >= 32 && v <= 126) || (v >= 128 && v <= 254);
    std::string line = "ab";
    line += static_cast<char>(v);
    line += "c\n";
    spill(file("b"), "one\ntwo\n" + line);
    Summary r;
    int result = read("b", &r);
    if (accepted) {
      EXPECT_EQ(result, KU_FILE_OK);
      EXPECT_STREQ(read_bad_char_msg, "");
    } else {
      EXPECT_EQ(result, KU_FILE_NOT_TEXT);
      char want[64];
      std::snprintf(want, sizeof want, "Bad char at line  3 value is  %x", v);
      EXPECT_STREQ(read_bad_char_msg, want);
    }
  }
}

TEST_F(TextFileTest, RejectedByteIsReportedByPieceNumber) {
  struct Case {
    std::string bytes;
    const char* msg;
  } cases[] = {
      {"a\nb\nc\x7f\n", "Bad char at line  3 value is  7f"},
      {"\x1b[1m\n", "Bad char at line  1 value is  1b"},
      // The second piece of a 400-character line is line 2.
      {std::string(390, 'q') + "\xff" + std::string(9, 'q') + "\n", "Bad char at line  2 value is  ff"},
      {std::string("ok\nnul\0here\n", 12), "Bad char at line  2 value is  0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.msg);
    spill(file("bad"), c.bytes);
    Summary r;
    EXPECT_EQ(read("bad", &r), KU_FILE_NOT_TEXT);
    EXPECT_STREQ(read_bad_char_msg, c.msg);
  }
}

TEST_F(TextFileTest, TabExpansionOnReading) {
  struct Case {
    int xlate, tabstop;
    std::string in, stored;
  } cases[] = {
      {1, 4, "a\tb\n", "a   b"},
      {1, 8, "a\tb\n", "a       b"},
      {1, 4, "\t\tx\n", "        x"},
      {1, 8, "abcdefgh\tx\n", "abcdefgh        x"},
      {0, 4, "a\tb\n", "a\tb"},
      // A TAB at or beyond column 250 stays a TAB.
      {1, 4, std::string(250, 'x') + "\ty\n", std::string(250, 'x') + "\ty"},
      // Expansion that would exceed 384 characters keeps the piece's TABs.
      {1, 4, std::string(100, '\t') + std::string(200, 'z') + "\n", std::string(100, '\t') + std::string(200, 'z')},
      // Exactly 384 after expansion is still expanded.
      {1, 4, "\t" + std::string(380, 'z') + "\n", std::string(4, ' ') + std::string(380, 'z')},
      {1, 4, "\t" + std::string(381, 'z') + "\n", "\t" + std::string(381, 'z')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored.substr(0, 20));
    options.input_xlate = c.xlate;
    options.tabstop = c.tabstop;
    spill(file("t"), c.in);
    Summary r;
    ASSERT_EQ(read("t", &r), KU_FILE_OK);
    ASSERT_EQ(list_.count, 1);
    EXPECT_EQ(texts(list_)[0], c.stored);
    EXPECT_EQ(r, info());
    // Unexpanded lines are written back exactly as they were.
    Summary w;
    ASSERT_EQ(write("t2", 'u', &w), KU_FILE_OK);
    EXPECT_EQ(slurp(file("t2")), c.stored + "\n");
  }
}

TEST_F(TextFileTest, TabCompressionOnWriting) {
  struct Case {
    int tabstop;
    std::string stored, written;
  } cases[] = {
      {4, "a       b", "a\t\tb"},
      {8, "a       b", "a\tb"},
      {4, "ab  ", "ab"},
      {4, "abc d", "abc\td"},
      {4, std::string(384, 'k'), std::string(384, 'k')},
  };
  options.output_xlate = 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored.substr(0, 20));
    options.tabstop = c.tabstop;
    purge_list(&list_);
    init_list(&list_);
    list_.format = 'u';
    send_node(&list_, make_line(c.stored));
    Summary w;
    ASSERT_EQ(write("c", 'u', &w), KU_FILE_OK);
    EXPECT_EQ(slurp(file("c")), c.written + "\n");
    // The summary is of the line as held, blanks and all.
    EXPECT_EQ(w, info());
    EXPECT_EQ(w.chars, static_cast<int32_t>(c.stored.size()) + 1);
  }
}

TEST_F(TextFileTest, WritesTheRangeAsked) {
  list_.format = 'u';
  for (const char* s : {"one", "two", "three", "four"}) send_node(&list_, make_line(s));
  LineNode* second = next_line(first_line(list_));
  Summary w;
  ASSERT_EQ(write_file(file("r").c_str(), 1, 'u', second, next_line(second), &w.chars, &w.lines, &w.checksum),
            KU_FILE_OK);
  EXPECT_EQ(slurp(file("r")), "two\nthree\n");
  EXPECT_EQ(w.lines, 2);
  EXPECT_EQ(w.chars, 10);
  EXPECT_EQ(w.checksum, line_checksum("two", 3) + line_checksum("three", 5));
}

TEST_F(TextFileTest, LineChecksum) {
  uint32_t word;
  std::memcpy(&word, "abcd", 4);
  EXPECT_EQ(line_checksum("", 0), 0u);
  EXPECT_EQ(line_checksum("abcd", 4), word);
  // Bytes after the last whole word count as signed values.
  EXPECT_EQ(line_checksum("abcd\xff\x01", 6), word - 1u + 1u);
  EXPECT_EQ(line_checksum("\x80", 1), static_cast<uint32_t>(-128));
}

// The checksum is the sum of the text's 4-byte words plus its last 0-3 bytes
// as signed values, whatever the length and alignment of the text: saved
// summaries from before must still match.  Bytes 0xFF make every word add a
// carry, so lost or misplaced carries show.
TEST_F(TextFileTest, LineChecksumMatchesWordByWordSum) {
  auto reference = [](const char* t, int n) {
    uint32_t sum = 0;
    int i = 0;
    for (; i + 4 <= n; i += 4) {
      uint32_t w;
      std::memcpy(&w, t + i, 4);
      sum += w;
    }
    for (; i < n; i++) sum += static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(t[i])));
    return sum;
  };
  std::vector<std::string> fills = {std::string(400, '\xff'), std::string(400, 'a'), std::string(400, '\x80')};
  std::string mixed;
  for (int i = 0; i < 400; i++) mixed += static_cast<char>((i * 73 + 41) & 0xff);
  fills.push_back(mixed);
  for (const std::string& fill : fills)
    for (int start = 0; start < 8; start++)
      for (int n : {0, 1, 3, 4, 5, 7, 8, 9, 12, 15, 16, 17, 31, 79, 80, 81, 382, 384}) {
        SCOPED_TRACE(testing::Message() << "fill " << static_cast<int>(fill[0]) << " start " << start << " n " << n);
        EXPECT_EQ(line_checksum(fill.data() + start, n), reference(fill.data() + start, n));
      }
}

// The current file's change test and the count over all open files.
class ChangeTest : public TextFileTest {
 protected:
  void SetUp() override {
    TextFileTest::SetUp();
    saved_head_ = curr_file;
    init_list(&curr_file);
    init_list(&open_file_list);
    saved_ix_ = curr_file_ix;
    curr_file_ix = -1;
  }
  void TearDown() override {
    // The current file's entry holds a copy of curr_file: its lines go once.
    for (Link* l = open_file_list.count > 0 ? open_file_list.first : nullptr; l;) {
      Link* next = l->next;
      FileNode* f = static_cast<FileNode*>(l);
      if (f->head.count > 0 && f->head.first != curr_file.first) purge_list(&f->head);
      std::free(f);
      l = next;
    }
    init_list(&open_file_list);
    purge_list(&curr_file);
    curr_file = saved_head_;
    curr_file_ix = saved_ix_;
    TextFileTest::TearDown();
  }
  void read_current(const std::string& bytes) {
    spill(file("cur"), bytes);
    ASSERT_EQ(read_file(file("cur").c_str(), &curr_file, &curr_file.saved_chars, &curr_file.saved_lines,
                        &curr_file.saved_checksum, &curr_file.format),
              KU_FILE_OK);
  }
  ListHead saved_head_;
  int saved_ix_ = -1;
};

TEST_F(ChangeTest, CurrentFileChangesAndChangesBack) {
  read_current("alpha\r\nbeta\r\n");
  EXPECT_EQ(curr_file_has_changed(), 0);
  LineNode* l = first_line(curr_file);
  l->text[0] = 'A';
  EXPECT_EQ(curr_file_has_changed(), 1);
  l->text[0] = 'a';
  EXPECT_EQ(curr_file_has_changed(), 0);
  l->length--;
  EXPECT_EQ(curr_file_has_changed(), 1);
  l->length++;
  // Writing the whole file with its saved fields makes it unchanged again.
  l->text[1] = 'L';
  ASSERT_EQ(curr_file_has_changed(), 1);
  ASSERT_EQ(write_file(file("cur").c_str(), 1, curr_file.format, first_line(curr_file), last_line(curr_file),
                       &curr_file.saved_chars, &curr_file.saved_lines, &curr_file.saved_checksum),
            KU_FILE_OK);
  EXPECT_EQ(curr_file_has_changed(), 0);
  EXPECT_EQ(slurp(file("cur")), "aLpha\r\nbeta\r\n");
}

TEST_F(ChangeTest, UnsavedChangesCountsEveryOpenFile) {
  // Two open files: the current one (entry 0) and a parked one (entry 1).
  FileNode* cur = static_cast<FileNode*>(ku_calloc(sizeof(FileNode)));
  FileNode* other = static_cast<FileNode*>(ku_calloc(sizeof(FileNode)));
  send_node(&open_file_list, cur);
  send_node(&open_file_list, other);
  spill(file("other"), "x\ny\n");
  ASSERT_EQ(read_file(file("other").c_str(), &other->head, &other->head.saved_chars, &other->head.saved_lines,
                      &other->head.saved_checksum, &other->head.format),
            KU_FILE_OK);
  read_current("one\n");
  curr_file_ix = 0;

  int n = -1;
  EXPECT_EQ(unsaved_changes(&n), 0);
  EXPECT_EQ(n, 0);
  // The current file is judged by its present lines, never switched away from.
  first_line(curr_file)->text[0] = 'O';
  EXPECT_EQ(unsaved_changes(&n), 1);
  EXPECT_EQ(n, 1);
  first_line(other->head)->text[0] = 'X';
  EXPECT_EQ(unsaved_changes(&n), 1);
  EXPECT_EQ(n, 2);
}

}  // namespace
