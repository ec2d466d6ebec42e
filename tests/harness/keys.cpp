// Key notation: the table of named keys with their terminfo capabilities
// and xterm-style fallbacks, and the parser that turns notation text into
// the writes the harness makes.
#include "keys.h"

#include <cctype>
#include <cstdlib>
#include <iterator>

namespace kutest::detail {

namespace {

struct NamedKey {
  const char* name;
  const char* cap;       // terminfo capability, or nullptr for fixed bytes
  const char* fallback;  // bytes when terminfo has no such key
};

const NamedKey named_keys[] = {
    {"Esc", nullptr, "\x1b"},
    {"CR", nullptr, "\r"},
    {"Enter", nullptr, "\r"},
    {"Tab", nullptr, "\t"},
    {"Space", nullptr, " "},
    {"lt", nullptr, "<"},
    {"BS", "kbs", "\x7f"},
    {"Del", "kdch1", "\x1b[3~"},
    {"Ins", "kich1", "\x1b[2~"},
    {"Home", "khome", "\x1b[H"},
    {"End", "kend", "\x1b[F"},
    {"PgUp", "kpp", "\x1b[5~"},
    {"PgDn", "knp", "\x1b[6~"},
    {"Up", "kcuu1", "\x1b[A"},
    {"Down", "kcud1", "\x1b[B"},
    {"Right", "kcuf1", "\x1b[C"},
    {"Left", "kcub1", "\x1b[D"},
    {"S-Up", "kri", "\x1b[1;2A"},
    {"S-Down", "kind", "\x1b[1;2B"},
    {"S-Right", "kRIT", "\x1b[1;2C"},
    {"S-Left", "kLFT", "\x1b[1;2D"},
    {"S-Tab", "kcbt", "\x1b[Z"},
    {"KEnter", "kent", "\x1bOM"},
    {"K5", "kb2", "\x1bOE"},
    {"KDiv", "kpDIV", "\x1bOo"},
    {"KMul", "kpMUL", "\x1bOj"},
    {"KMinus", "kpSUB", "\x1bOm"},
    {"KPlus", "kpADD", "\x1bOk"},
    {"F1", "kf1", "\x1bOP"},
    {"F2", "kf2", "\x1bOQ"},
    {"F3", "kf3", "\x1bOR"},
    {"F4", "kf4", "\x1bOS"},
    {"F5", "kf5", "\x1b[15~"},
    {"F6", "kf6", "\x1b[17~"},
    {"F7", "kf7", "\x1b[18~"},
    {"F8", "kf8", "\x1b[19~"},
    {"F9", "kf9", "\x1b[20~"},
    {"F10", "kf10", "\x1b[21~"},
    {"F11", "kf11", "\x1b[23~"},
    {"F12", "kf12", "\x1b[24~"},
};
static_assert(std::size(named_keys) == 40);

bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); i++)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

const NamedKey* lookup(std::string_view name) {
  for (const NamedKey& k : named_keys)
    if (same_name(k.name, name)) return &k;
  return nullptr;
}

// <C-a>..<C-z> (either case), <C-@> <C-[> <C-\> <C-]> <C-^> <C-_> <C-?>.
std::optional<char> control_key(std::string_view name) {
  if (name.size() != 3 || !(name[0] == 'C' || name[0] == 'c') || name[1] != '-') return std::nullopt;
  unsigned char c = static_cast<unsigned char>(name[2]);
  if (std::isalpha(c)) return static_cast<char>(std::toupper(c) - '@');
  if (c == '?') return '\x7f';
  if (c >= '@' && c <= '_') return static_cast<char>(c - '@');
  return std::nullopt;
}

// <0xNN>: one byte given in hex.
std::optional<char> hex_byte(std::string_view name) {
  if (name.size() != 4 || name[0] != '0' || (name[1] != 'x' && name[1] != 'X')) return std::nullopt;
  if (!std::isxdigit(static_cast<unsigned char>(name[2])) || !std::isxdigit(static_cast<unsigned char>(name[3])))
    return std::nullopt;
  return static_cast<char>(std::strtoul(std::string(name.substr(2)).c_str(), nullptr, 16));
}

// Appends plain bytes to the writes: they join the current plain write,
// except an ESC byte, which is sent alone and followed by a settle.
void add_plain(std::vector<KeyWrite>& out, bool& open_plain, std::string_view bytes) {
  for (char c : bytes) {
    if (c == '\x1b') {
      out.push_back({"\x1b", true});
      open_plain = false;
      continue;
    }
    if (!open_plain) {
      out.push_back({"", false});
      open_plain = true;
    }
    out.back().bytes += c;
  }
}

}  // namespace

std::optional<std::string> key_bytes(const std::string& term, std::string_view name, bool fallback) {
  const NamedKey* k = lookup(name);
  if (k == nullptr) {
    // A terminfo capability name given directly, such as "kcuu1".
    if (name.size() >= 2 && name[0] == 'k') return terminfo_string(term, std::string(name));
    return std::nullopt;
  }
  if (k->cap == nullptr) return std::string(k->fallback);
  if (auto s = terminfo_string(term, k->cap)) return s;
  if (fallback) return std::string(k->fallback);
  return std::nullopt;
}

std::vector<KeyWrite> parse_keys(std::string_view notation, const std::string& term, std::string* error) {
  std::vector<KeyWrite> out;
  bool open_plain = false;
  size_t i = 0;
  while (i < notation.size()) {
    if (notation[i] != '<') {
      size_t j = notation.find('<', i);
      if (j == std::string_view::npos) j = notation.size();
      add_plain(out, open_plain, notation.substr(i, j - i));
      i = j;
      continue;
    }
    size_t close = notation.find('>', i + 1);
    if (close == std::string_view::npos) {
      *error = "unterminated key name at offset " + std::to_string(i) + " (write <lt> for a literal '<')";
      return {};
    }
    std::string_view name = notation.substr(i + 1, close - i - 1);
    i = close + 1;
    if (auto c = control_key(name)) {
      add_plain(out, open_plain, std::string_view(&*c, 1));
    } else if (auto b = hex_byte(name)) {
      add_plain(out, open_plain, std::string_view(&*b, 1));
    } else if (const NamedKey* k = lookup(name); k != nullptr && k->cap == nullptr) {
      add_plain(out, open_plain, k->fallback);
    } else if (auto seq = key_bytes(term, name, true); seq && k != nullptr) {
      // A terminal key: its whole sequence is one write, as a terminal sends it.
      if (seq->size() == 1) {
        add_plain(out, open_plain, *seq);
      } else {
        out.push_back({*seq, false});
        open_plain = false;
      }
    } else {
      *error = "unknown key <" + std::string(name) + ">";
      return {};
    }
  }
  return out;
}

}  // namespace kutest::detail
