// The wrapping arithmetic: lays the words of one paragraph out between the
// margins, keeps first-line, hanging and list-item indentation, justifies
// every line but the last, and follows the cursor's character.  Pure: it
// works on copies of the lines and touches no editor state.
#include <algorithm>

#include "edit/motion.h"
#include "edit/wrap.h"

namespace {

using std::string;

// A word of the paragraph: its line and where it lies there.  `blank` is
// the one blank a cursor standing after the word keeps with it.
struct Word {
  int line;
  int start;
  int len;
  bool blank = false;
  int width() const { return len + (blank ? 1 : 0); }
};

// One line being laid out: its lead (indentation or list prefix) and words.
struct OutLine {
  string lead;
  bool prefix = false;
  std::vector<int> words;
};

// Leading blanks; 0 for a line of blanks only.
int indent_of(const string& s) {
  size_t p = s.find_first_not_of(' ');
  return p == string::npos ? 0 : static_cast<int>(p);
}

bool has_words(const string& s) { return s.find_first_not_of(' ') != string::npos; }

void collect_words(const std::vector<string>& para, size_t first_from, std::vector<Word>& words) {
  for (size_t i = 0; i < para.size(); i++) {
    const string& t = para[i];
    size_t p = i == 0 ? first_from : 0;
    while (p < t.size()) {
      p = t.find_first_not_of(' ', p);
      if (p == string::npos) break;
      size_t q = t.find(' ', p);
      if (q == string::npos) q = t.size();
      words.push_back({static_cast<int>(i), static_cast<int>(p), static_cast<int>(q - p)});
      p = q;
    }
  }
}

}  // namespace

const char* wrap_margin_problem(int left_margin, int right_margin) {
  if (right_margin < 1 || right_margin > MAX_LINE_LENGTH) return "Right margin must be 1 to 382";
  if (left_margin >= 0 && left_margin >= right_margin) return "Left margin must be below right margin";
  return nullptr;
}

bool list_item_adjust(const string& line, string& out, size_t& pos, int body_indent) {
  size_t a = line.find_first_not_of(' ');
  if (a == string::npos) return false;
  size_t b = line.find(' ', a);
  if (b == string::npos) return false;
  size_t c = line.find_first_not_of(' ', b);
  if (c == string::npos || static_cast<int>(c) != body_indent) return false;
  out = line.substr(0, c);
  pos = c;
  return true;
}

WrapResult wrap_text(const std::vector<string>& para, const WrapSettings& s, const WrapPos* cursor) {
  WrapResult r;
  const int n = static_cast<int>(para.size());
  const int rm = s.right_margin;
  if (n == 0) return r;

  // The cursor as it is used: beyond the text it stands at the end of the
  // line, inside the leading blanks of a line with words on the first word.
  WrapPos cur;
  if (cursor) {
    cur.line = std::clamp(cursor->line, 0, n - 1);
    const string& t = para[static_cast<size_t>(cur.line)];
    int len = static_cast<int>(t.size());
    cur.col = std::clamp(cursor->col, 0, len);
    if (cur.col < len && has_words(t)) cur.col = std::max(cur.col, indent_of(t));
  }
  r.cursor = cur;

  if (n == 1 && static_cast<int>(para[0].size()) <= rm) {
    r.status = WrapStatus::short_line;
    return r;
  }

  // Survey: the indentation of every line and how often it changes; a
  // following line that is one long run with no blank to break at up to
  // the margin makes the paragraph too dense.
  int first = indent_of(para[0]);
  int changes = 0;
  int prev = first;
  for (int i = 1; i < n; i++) {
    const string& t = para[static_cast<size_t>(i)];
    int ind = indent_of(t);
    if (ind != prev) changes++;
    prev = ind;
    if (static_cast<int>(t.size()) >= rm) {
      size_t sp = t.find(' ');
      if (sp == string::npos || static_cast<int>(sp) > rm) {
        r.status = WrapStatus::too_dense;
        return r;
      }
    }
  }
  // One change of indentation is a first-line or hanging indent: the body
  // takes the last line's.  A left margin takes the smaller of the two and
  // the other keeps its distance.
  int body = changes == 1 ? indent_of(para[static_cast<size_t>(n - 1)]) : first;
  if (s.left_margin >= 0) {
    const int lm = s.left_margin;
    if (first < body) {
      body = lm + (body - first);
      first = lm;
    } else {
      first = lm + (first - body);
      body = lm;
    }
  }

  string prefix;
  size_t from = 0;
  bool item = list_item_adjust(para[0], prefix, from, body);
  std::vector<Word> words;
  collect_words(para, from, words);
  if (words.empty()) {
    r.status = WrapStatus::no_words;
    return r;
  }

  // Which character the cursor is on, as a word and an offset into it.
  bool cursor_in_prefix = false;
  int cw = -1, coff = 0;
  if (cursor) {
    const string& t = para[static_cast<size_t>(cur.line)];
    int len = static_cast<int>(t.size());
    if (cur.line == 0 && item && cur.col < static_cast<int>(from)) {
      cursor_in_prefix = true;
    } else if (cur.col < len && t[static_cast<size_t>(cur.col)] != ' ') {
      for (int k = 0; k < static_cast<int>(words.size()); k++) {
        const Word& w = words[static_cast<size_t>(k)];
        if (w.line == cur.line && w.start <= cur.col && cur.col < w.start + w.len) {
          cw = k;
          coff = cur.col - w.start;
          break;
        }
      }
    } else {
      // On a blank or at the end: after the last word before the cursor.
      int wb = -1;
      for (int k = 0; k < static_cast<int>(words.size()); k++) {
        const Word& w = words[static_cast<size_t>(k)];
        if (w.line < cur.line || (w.line == cur.line && w.start + w.len <= cur.col)) wb = k;
      }
      if (wb < 0) {
        cw = 0;
        coff = 0;
      } else {
        Word& w = words[static_cast<size_t>(wb)];
        cw = wb;
        coff = w.len;
        // Blanks between that word and the cursor: one stays with the word,
        // unless the word would then not fit on any line.
        bool right_after = w.line == cur.line && w.start + w.len == cur.col;
        int lead = item && wb == 0 ? static_cast<int>(from) : 0;
        if (!right_after && lead + w.len + 1 <= MAX_LINE_LENGTH) {
          w.blank = true;
          coff = w.len + 1;
        }
      }
    }
  }

  // Fill the lines.  A word goes on the current line while the line
  // (counting the blank after its last word) plus the word stays below the
  // margin; a line that holds no word yet takes the word whatever its size.
  std::vector<OutLine> out;
  OutLine line;
  line.prefix = item;
  line.lead = item ? prefix : string(static_cast<size_t>(first), ' ');
  int length = static_cast<int>(line.lead.size());
  for (int k = 0; k < static_cast<int>(words.size()); k++) {
    int wl = words[static_cast<size_t>(k)].width();
    if (!line.words.empty() && length > body && length + wl >= rm) {
      out.push_back(std::move(line));
      line = OutLine{};
      line.lead.assign(static_cast<size_t>(body), ' ');
      length = body;
    }
    // A word alone on its line: the indentation gives way so that the line
    // stays within the longest line an edit may make.
    if (line.words.empty() && !line.prefix && length + wl > MAX_LINE_LENGTH) {
      length = std::max(0, MAX_LINE_LENGTH - wl);
      line.lead.assign(static_cast<size_t>(length), ' ');
    }
    line.words.push_back(k);
    length += wl + 1;
  }
  out.push_back(std::move(line));

  // Finish the lines: words joined by single blanks; every line but the
  // last, when justification is on and it is shorter than the margin, gets
  // the missing blanks spread over its gaps, the leftmost gaps one more.
  for (size_t i = 0; i < out.size(); i++) {
    const OutLine& o = out[i];
    int text = static_cast<int>(o.lead.size());
    for (int k : o.words) text += words[static_cast<size_t>(k)].width();
    text += static_cast<int>(o.words.size()) - 1;
    int gaps = static_cast<int>(o.words.size()) - 1;
    int extra = 0;
    if (s.right_justify && i + 1 < out.size() && text < rm && gaps > 0) extra = rm - text;
    string t = o.lead;
    for (int j = 0; j < static_cast<int>(o.words.size()); j++) {
      if (j > 0) {
        int g = 1 + (gaps > 0 ? extra / gaps + (j - 1 < extra % gaps ? 1 : 0) : 0);
        t.append(static_cast<size_t>(g), ' ');
      }
      const Word& w = words[static_cast<size_t>(o.words[static_cast<size_t>(j)])];
      if (o.words[static_cast<size_t>(j)] == cw) r.cursor = {static_cast<int>(i), static_cast<int>(t.size()) + coff};
      t.append(para[static_cast<size_t>(w.line)], static_cast<size_t>(w.start), static_cast<size_t>(w.len));
      if (w.blank) t.push_back(' ');
    }
    r.lines.push_back(std::move(t));
  }
  if (cursor_in_prefix) r.cursor = cur;
  r.status = WrapStatus::wrapped;
  return r;
}
