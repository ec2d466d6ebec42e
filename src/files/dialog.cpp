// File selection dialogs: the open-file dialog (directory browsing, typed
// names, paths made relative to the working directory), the go-to-file
// dialog over the open files, and the list engine with its page layout.
#include "files/dialog.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/dispatch.h"
#include "files/openfiles.h"
#include "files/safewrite.h"
#include "input/prompt.h"
#include "input/readstate.h"
#include "store/memory.h"
#include "term/aperture.h"
#include "term/mouse.h"
#include "term/resize.h"
#include "term/screen.h"
#include "term/status.h"
#include "term/terminal.h"

int dialog_type = 0;
int cols_per_page = 1;
int rows_per_page = 1;
int entries_per_page = 1;
int DIR_ENTRY_LEN = 30;
int SELECTION_X_BASE = 2;
int SELECTION_Y_BASE = 5;
int PAGE_NUM_X = 66, PAGE_NUM_Y = 0;
int CURR_DIR_X = 12, CURR_DIR_Y = 3;
int CURR_DIR_LEN = 64;
int CURR_FILE_X = 14, CURR_FILE_Y = 20;
int CURR_FILE_LEN = 64;
int HEADERS_Y = 3;
int LINES_X = 55, CHARS_X = 63, CHANGED_X = 72;

namespace {

constexpr int WORK_PATH = 1024;  // room for a directory path while browsing
constexpr const char* help_line = "CurUp/CurDn/CurLeft/CurRight, PgUp/PgDn, ENTER (select entry), ESC-q (Quit)";
// What ti_get_mouse_click reports for a double click of button 1.
constexpr int MOUSE_DOUBLE_CLICK_1 = 4;

void put_cut_left(int x, int y, const char* s, int width, bool emphasis) {
  char cut[512];
  if (width > static_cast<int>(sizeof cut) - 1) width = static_cast<int>(sizeof cut) - 1;
  if (width < 3) width = 3;
  truncate_str_left(s, cut, width);
  if (emphasis)
    mv_writestr_emphasis(x, y, 0, cut);
  else
    mv_writestr(x, y, 0, cut);
}

void write_working_dir(int x, int y) {
  char cwd[WORK_PATH];
  if (getcwd(cwd, sizeof cwd))
    put_cut_left(x, y, cwd, CURR_DIR_LEN, false);
  else
    mv_writestr(x, y, 0, "Directory pathname too large to acquire");
}

// Clears the name field and writes `name` there (cut to the field).
void write_name_field(const char* name) {
  ti_move_cursor(CURR_FILE_X, CURR_FILE_Y);
  ti_clear_to_eol(CURR_FILE_Y);
  put_cut_left(CURR_FILE_X, CURR_FILE_Y, name, CURR_FILE_LEN, false);
}

int pages_of(int count) { return (count + entries_per_page - 1) / entries_per_page; }

bool is_directory(const char* name) {
  struct stat st;
  return name[0] != 0 && stat(name, &st) == 0 && S_ISDIR(st.st_mode);
}

// Copies at most size - 1 bytes; false when `s` did not fit.
bool copy_str(char* out, size_t size, const char* s) {
  int n = std::snprintf(out, size, "%s", s);
  return n >= 0 && static_cast<size_t>(n) < size;
}

// The parent of an absolute path ("" for "/" and for names directly under it).
void parent_of(const char* path, char* out) {
  std::vector<char> name(std::strlen(path) + 1);
  analyze_pathname(path, out, name.data(), 0);
}

const char* last_component(const char* path) {
  const char* s = std::strrchr(path, '/');
  return s ? s + 1 : path;
}

// The directory shown after the user chose directory `name` while `shown` was
// listed; false when the new path does not fit.
bool next_directory(char* shown, const char* name) {
  char next[WORK_PATH];
  if (name[0] == '/') {
    if (!copy_str(next, sizeof next, name)) return false;
  } else if (std::strcmp(name, "..") == 0) {
    parent_of(shown, next);
    if (next[0] == 0) std::strcpy(next, "/");
  } else if (std::strcmp(name, ".") == 0) {
    return true;
  } else if (std::strchr(name, '/')) {
    // Relative to the directory listed, which is the working directory now;
    // the listing replaces it by its canonical path.
    if (!copy_str(next, sizeof next, name)) return false;
  } else {
    int n = std::snprintf(next, sizeof next, "%s%s%s", shown, std::strcmp(shown, "/") == 0 ? "" : "/", name);
    if (n < 0 || static_cast<size_t>(n) >= sizeof next) return false;
  }
  std::strcpy(shown, next);
  return true;
}

// The chosen file `name` (listed while `shown` was the working directory) as a
// path relative to `start`, into out.
void chosen_path(const char* start, const char* shown, const char* name, char* out, int size) {
  out[0] = 0;
  char fdir[WORK_PATH], base[256], part[WORK_PATH];
  if (std::strlen(name) >= sizeof part) return;
  analyze_pathname(name, part, base, 0);
  if (base[0] == 0) return;  // "dir/" names no file
  if (name[0] == '/') {
    if (!copy_str(fdir, sizeof fdir, part[0] ? part : "/")) return;
  } else if (std::strchr(name, '/')) {
    int n = std::snprintf(fdir, sizeof fdir, "%s/%s", shown, part);
    if (n < 0 || static_cast<size_t>(n) >= sizeof fdir) return;
  } else {
    if (!copy_str(fdir, sizeof fdir, shown)) return;
  }
  if (std::strlen(fdir) + std::strlen(base) + 1 >= static_cast<size_t>(size)) return;
  char canon[WORK_PATH];
  if (chdir(fdir) != 0 || !getcwd(canon, sizeof canon)) {
    // A directory that does not exist yet: keep the path as written.
    if (!copy_str(canon, sizeof canon, fdir)) return;
  }
  relative_path(start, canon, base, out, static_cast<size_t>(size));
}

// What file_select_dialog shows, for redrawing it after a resize.
struct DialogView {
  FsEntry* list;
  int count;
  int* page;
  int* sel;
  int* mx;
  int* my;
  const int* ti;  // the typed name's cursor index, column and row
  int* tx;
  int* ty;
};

// The page is laid out afresh for the new size and the page holding the
// selection drawn; the typed name's cursor follows the name field.
void redraw_dialog(void* ctx) {
  auto* v = static_cast<DialogView*>(ctx);
  redraw_info_page_frame();
  if (dialog_type == 2)
    init_gfd_page_parms();
  else
    init_ofd_page_parms();
  *v->mx = -1;
  if (*v->sel == v->count) {
    // A name being typed: the page shown before stays (if it still exists),
    // with the typed name in the name field.
    int pages = pages_of(v->count);
    *v->page = std::clamp(*v->page, 0, std::max(pages - 1, 0));
    draw_fs_page(v->list, v->count, *v->page, pages, v->count);
  } else {
    *v->page = -1;
    update_fs_page(v->list, v->count, v->page, v->sel, v->mx, v->my);
  }
  *v->ty = CURR_FILE_Y;
  *v->tx = CURR_FILE_X + std::min(*v->ti, CURR_FILE_LEN);
  if (*v->sel == v->count)
    ti_move_cursor(*v->tx, *v->ty);
  else
    ti_move_cursor(*v->mx, *v->my);
}

void redraw_text_screen() {
  if (files_open > 0 && curr_line) view_cmd();
}

}  // namespace

void init_ofd_page_parms() {
  int w = physical_cols, h = physical_lines;
  dialog_type = 1;
  cols_per_page = (w - 2) / 30;
  if (cols_per_page < 1) cols_per_page = 1;
  rows_per_page = h - 10;
  if (rows_per_page < 1) rows_per_page = 1;
  entries_per_page = cols_per_page * rows_per_page;
  DIR_ENTRY_LEN = 30;
  if (30 * cols_per_page + 2 < w) DIR_ENTRY_LEN = 30 + (w - (30 * cols_per_page + 2)) / cols_per_page;
  SELECTION_X_BASE = 2;
  SELECTION_Y_BASE = 5;
  PAGE_NUM_X = w - 14;
  PAGE_NUM_Y = 0;
  CURR_DIR_X = 12;
  CURR_DIR_Y = 3;
  CURR_DIR_LEN = w - 16;
  CURR_FILE_X = 14;
  CURR_FILE_Y = h - 4;
  CURR_FILE_LEN = w - 16;
}

void init_gfd_page_parms() {
  int w = physical_cols, h = physical_lines;
  dialog_type = 2;
  DIR_ENTRY_LEN = w - 27;
  if (DIR_ENTRY_LEN < 1) DIR_ENTRY_LEN = 1;
  cols_per_page = w / DIR_ENTRY_LEN;
  if (cols_per_page < 1) cols_per_page = 1;
  rows_per_page = h - 12;
  if (rows_per_page < 1) rows_per_page = 1;
  entries_per_page = cols_per_page * rows_per_page;
  SELECTION_X_BASE = 2;
  SELECTION_Y_BASE = 5;
  PAGE_NUM_X = w - 14;
  PAGE_NUM_Y = 0;
  CURR_DIR_X = 14;
  CURR_DIR_Y = h - 5;
  CURR_DIR_LEN = w - 16;
  CURR_FILE_X = 14;
  CURR_FILE_Y = h - 4;
  CURR_FILE_LEN = w - 16;
  HEADERS_Y = 3;
  LINES_X = w - 25;
  CHARS_X = w - 17;
  CHANGED_X = w - 8;
}

int analyze_pathname(const char* path, char* dir, char* name, int keep_slash) {
  int len = static_cast<int>(std::strlen(path));
  dir[0] = 0;
  name[0] = 0;
  if (len == 0) return 0;
  const char* slash = std::strrchr(path, '/');
  if (!slash) {
    std::memcpy(name, path, static_cast<size_t>(len) + 1);
    return len;
  }
  size_t d = static_cast<size_t>(slash - path) + (keep_slash ? 1 : 0);
  std::memcpy(dir, path, d);
  dir[d] = 0;
  std::strcpy(name, slash + 1);
  return len;
}

int relative_path(const char* start, const char* dir, const char* name, char* out, size_t size) {
  int n;
  size_t sl = std::strlen(start);
  bool start_root = std::strcmp(start, "/") == 0;
  bool dir_root = std::strcmp(dir, "/") == 0;
  if (std::strcmp(start, dir) == 0) {
    n = std::snprintf(out, size, "%s", name);
  } else if (start_root && dir[0] == '/') {
    n = std::snprintf(out, size, "%s/%s", dir + 1, name);
  } else if (std::strncmp(dir, start, sl) == 0 && dir[sl] == '/') {
    n = std::snprintf(out, size, "%s/%s", dir + sl + 1, name);
  } else {
    std::vector<char> ps(sl + 1), pd(std::strlen(dir) + 1);
    parent_of(start, ps.data());
    parent_of(dir, pd.data());
    if (!start_root && !dir_root && std::strcmp(ps.data(), pd.data()) == 0)
      n = std::snprintf(out, size, "../%s/%s", last_component(dir), name);
    else
      n = std::snprintf(out, size, "%s/%s", dir_root ? "" : dir, name);
  }
  if (n < 0 || static_cast<size_t>(n) >= size) {
    if (size > 0) out[0] = 0;
    return -1;
  }
  return 0;
}

void draw_fs_page_num(int number, int pages) {
  char text[48];
  std::snprintf(text, sizeof text, "Page %d/%d", number, pages);
  ti_move_cursor(PAGE_NUM_X, PAGE_NUM_Y);
  ti_clear_to_eol(PAGE_NUM_Y);
  mv_writestr(PAGE_NUM_X, PAGE_NUM_Y, 0, text);
}

void draw_fs_page(FsEntry* list, int count, int page, int pages, int selected) {
  int h = physical_lines;
  ti_clear_display(2);
  draw_fs_page_num(page + 1, pages);
  if (dialog_type == 2) {
    mv_writestr_emphasis(2, HEADERS_Y, 0, "Filename");
    mv_writestr_emphasis(LINES_X, HEADERS_Y, 0, "Lines");
    mv_writestr_emphasis(CHARS_X, HEADERS_Y, 0, "Chars");
    mv_writestr_emphasis(CHANGED_X, HEADERS_Y, 0, "Changed");
  }
  mv_writestr(2, CURR_DIR_Y, 0, "Curr Dir:");
  write_working_dir(CURR_DIR_X, CURR_DIR_Y);
  int first = page * entries_per_page;
  int end = first + entries_per_page < count ? first + entries_per_page : count;
  for (int i = first; i < end; i++) {
    int k = i - first;
    int x = SELECTION_X_BASE + (k % cols_per_page) * DIR_ENTRY_LEN + 1;
    int y = SELECTION_Y_BASE + k / cols_per_page;
    put_cut_left(x, y, list[i].name, DIR_ENTRY_LEN - 2, list[i].is_dir != 0);
    if (dialog_type == 2) {
      char num[16];
      std::snprintf(num, sizeof num, "%d", list[i].line_count);
      mv_writestr(LINES_X, y, 0, num);
      std::snprintf(num, sizeof num, "%d", list[i].char_count);
      mv_writestr(CHARS_X, y, 0, num);
      mv_writestr(CHANGED_X, y, 0, list[i].changed ? "Yes" : "No");
    }
  }
  mv_writestr(2, h - 4, 0, "Curr File:");
  if (selected >= 0 && selected <= count) put_cut_left(CURR_FILE_X, CURR_FILE_Y, list[selected].name, CURR_FILE_LEN, false);
  write_divider_line(h - 2);
  mv_writestr(0, h - 1, 0, help_line);
}

void update_fs_page(FsEntry* list, int count, int* page, int* selection, int* mx, int* my) {
  if (count <= 0) return;
  if (*selection < 0) *selection = count - 1;
  if (*selection >= count) *selection = 0;
  int p = *selection / entries_per_page;
  if (p != *page) {
    draw_fs_page(list, count, p, pages_of(count), *selection);
    *page = p;
  } else if (*mx >= 0) {
    ti_move_cursor(*mx, *my);
    writechar(' ');
  }
  int k = *selection % entries_per_page;
  *mx = SELECTION_X_BASE + (k % cols_per_page) * DIR_ENTRY_LEN;
  *my = SELECTION_Y_BASE + k / cols_per_page;
  ti_move_cursor(*mx, *my);
  writechar_emphasis('>');
  write_name_field(list[*selection].name);
}

int file_select_dialog(FsEntry* list, int count, char* out, int out_size, int* selection) {
  if (out_size > 0) out[0] = 0;
  if (!list || count <= 0) return 0;
  FsEntry& typed = list[count];
  typed.name[0] = 0;
  int cap = CURR_FILE_LEN < static_cast<int>(sizeof typed.name) ? CURR_FILE_LEN : static_cast<int>(sizeof typed.name);
  int page = -1, mx = -1, my = -1;
  int sel = *selection;
  update_fs_page(list, count, &page, &sel, &mx, &my);
  int ti = 0, tx = CURR_FILE_X, ty = CURR_FILE_Y;  // the typed name's cursor
  DialogView view{list, count, &page, &sel, &mx, &my, &ti, &tx, &ty};
  ResizeRedrawScope redraw(redraw_dialog, &view);

  auto move = [&](int by) {
    sel += by;
    update_fs_page(list, count, &page, &sel, &mx, &my);
  };

  for (;;) {
    bool typing = sel == count;
    if (typing)
      ti_move_cursor(tx, ty);
    else
      ti_move_cursor(mx, my);
    ku_mode = last_ku_mode;
    int k = read_char();
    bool chosen = false;
    if (ku_mode == COMMAND_MODE) {
      switch (k) {
        case '^': move(-cols_per_page); break;
        case '$': move(cols_per_page); break;
        case 'B': move(-entries_per_page); break;
        case 'F': move(entries_per_page); break;
        case ',':
        case '.':
          if (typing)
            line_edit(typed.name, cap, k, &ti, &tx, &ty);
          else
            move(k == ',' ? -1 : 1);
          break;
        case '<':
        case '>':
        case 'D':
        case '#':
        case 'k':
        case 'd':
          if (typing) line_edit(typed.name, cap, k, &ti, &tx, &ty);
          break;
        case '-':
          std::strcpy(typed.name, "..");
          sel = count;
          chosen = true;
          break;
        case '_': {
          int x = 0, y = 0;
          int b = ti_get_mouse_click(&x, &y);
          if (b < 1 || (b > 3 && b != MOUSE_DOUBLE_CLICK_1)) break;
          // Only a click on an entry of the page shown counts.
          if (y < SELECTION_Y_BASE || y >= SELECTION_Y_BASE + rows_per_page) break;
          int limit = cols_per_page * DIR_ENTRY_LEN - 1;
          if (x > limit) x = limit;
          if (x < 0) x = 0;
          int e = x / DIR_ENTRY_LEN + cols_per_page * (y - SELECTION_Y_BASE) + (page < 0 ? 0 : page) * entries_per_page;
          if (e >= count) break;
          sel = e;
          update_fs_page(list, count, &page, &sel, &mx, &my);
          if (b == MOUSE_DOUBLE_CLICK_1) chosen = true;
          break;
        }
        case 'q':
          if (out_size > 0) out[0] = 0;
          *selection = -1;
          ku_mode = last_ku_mode;
          return 0;
        default:
          break;
      }
      ku_mode = last_ku_mode;
    } else if (k >= 32 && k <= 126) {
      if (!typing) {
        // Typing starts a fresh name in place of the selected entry's.
        sel = count;
        typed.name[0] = 0;
        ti = 0;
        tx = CURR_FILE_X;
        ty = CURR_FILE_Y;
        ti_move_cursor(tx, ty);
        ti_clear_to_eol(ty);
      }
      line_edit(typed.name, cap, k, &ti, &tx, &ty);
    } else if (k == '\n') {
      chosen = true;
    } else {
      writechar(7);
    }
    if (chosen) {
      const char* name = sel == count ? typed.name : list[sel].name;
      if (out_size > 0) std::snprintf(out, static_cast<size_t>(out_size), "%s", name);
      *selection = sel == count ? 0 : sel;
      return is_directory(name) ? 2 : 1;
    }
  }
}

FsEntry* load_ofd_entry_list(const char* path, int* count) {
  *count = 0;
  if (chdir(path) != 0) {
    write_ku_msg("Cannot enter selected directory");
    return nullptr;
  }
  struct dirent** names = nullptr;
  int n = scandir(".", &names, nullptr, alphasort);
  if (n < 0) n = 0;
  auto* list = static_cast<FsEntry*>(ku_calloc(sizeof(FsEntry) * static_cast<size_t>(n + 1)));
  // A name that stat cannot examine (a dangling link, say) is listed as a file.
  std::vector<unsigned char> dir(static_cast<size_t>(n));
  for (int i = 0; i < n; i++) dir[static_cast<size_t>(i)] = is_directory(names[i]->d_name) ? 1 : 0;
  int k = 0;
  for (int pass = 1; pass >= 0; pass--) {
    for (int i = 0; i < n; i++) {
      if (dir[static_cast<size_t>(i)] != pass) continue;
      copy_str(list[k].name, sizeof list[k].name, names[i]->d_name);
      list[k].is_dir = pass;
      k++;
    }
  }
  for (int i = 0; i < n; i++) ku_free(names[i]);
  ku_free(names);
  *count = n;
  return list;
}

FsEntry* load_gfd_entry_list(int* count) {
  *count = 0;
  if (files_open <= 0 || open_file_list.count <= 0) return nullptr;
  if (curr_file_ix >= 0) save_context(curr_file_ix);
  int n = open_file_list.count;
  auto* list = static_cast<FsEntry*>(ku_calloc(sizeof(FsEntry) * static_cast<size_t>(n + 1)));
  Link* l = open_file_list.first;
  int k = 0;
  for (; l && k < n; l = l->next, k++) {
    auto* f = static_cast<FileNode*>(l);
    copy_str(list[k].name, sizeof list[k].name, f->name);
    int32_t chars = 0, nlines = 0;
    uint32_t sum = 0;
    file_info(&f->head, 0, &chars, &nlines, &sum);
    list[k].char_count = chars;
    list[k].line_count = nlines;
    list[k].changed =
        (chars != f->head.saved_chars || nlines != f->head.saved_lines || sum != f->head.saved_checksum) ? 1 : 0;
  }
  *count = k;
  return list;
}

void open_file_dialog(const char* title, char* out, int size, int redraw) {
  if (size > 0) out[0] = 0;
  char start[WORK_PATH], shown[WORK_PATH], canon[WORK_PATH];
  if (!getcwd(start, sizeof start)) {
    write_ku_msg("Failed to get current pathname");
    return;
  }
  std::strcpy(shown, start);
  create_full_screen_info_page(title);
  init_ofd_page_parms();
  int sel = 0;
  for (;;) {
    int count = 0;
    FsEntry* list = load_ofd_entry_list(shown, &count);
    if (!list) break;
    if (getcwd(canon, sizeof canon)) std::strcpy(shown, canon);
    char name[256];
    int r = file_select_dialog(list, count, name, sizeof name, &sel);
    ku_free(list);
    if (r == 0) break;
    if (r == 2) {
      if (!next_directory(shown, name)) writechar(7);
      continue;
    }
    if (name[0] && size > 0) chosen_path(start, shown, name, out, size);
    break;
  }
  // Should the starting directory have gone meanwhile there is nowhere better
  // to return to; relative names then fail to open and say so.
  if (chdir(start) != 0) writechar(7);
  ti_enable_horizontal_scrolling();
  if (size <= 0 || out[0] == 0 || redraw) redraw_text_screen();
}

int goto_file_dialog(const char* title, char* out, int size, int redraw) {
  if (size > 0) out[0] = 0;
  if (files_open <= 0 || open_file_list.count <= 0) return -1;
  int start_ix = curr_file_ix >= 0 ? curr_file_ix : 0;
  char start_name[256];
  copy_str(start_name, sizeof start_name,
           curr_file_ix >= 0 ? curr_filename : static_cast<FileNode*>(open_file_list.first)->name);
  create_full_screen_info_page(title);
  init_gfd_page_parms();
  int count = 0;
  FsEntry* list = load_gfd_entry_list(&count);
  int sel = start_ix;
  char name[256];
  int r = file_select_dialog(list, count, name, sizeof name, &sel);
  ku_free(list);
  int result = start_ix;
  const char* result_name = start_name;
  if (r != 0) {
    int ix = sel == 0 ? get_file(name) : sel;
    if (ix < 0) {
      write_ku_msg(err_msg[3]);
      writechar(7);
    } else {
      result = ix;
      result_name = name;
    }
  }
  if (size > 0) copy_str(out, static_cast<size_t>(size), result_name);
  ti_enable_horizontal_scrolling();
  if (r == 0 || redraw) redraw_text_screen();
  return result;
}
