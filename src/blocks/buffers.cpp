// The block buffers shared by every open file, the remembered range of the
// last block or column command, and the list helpers both block commands use
// (head swaps, line copies, finding and replacing lines of the current file).
#include <cstring>
#include <initializer_list>

#include "blocks/block_state.h"
#include "files/openfiles.h"
#include "store/memory.h"
#include "term/screen.h"

ListHead line_block;
ListHead line_del_block;
ListHead kill_block;
ListHead column_block;
BlockLines block;
char key = 0;
char last_key = 0;
BlockRange last_file_area;
char last_area_cmd = 0;

void swap_list_heads(ListHead* a, ListHead* b) {
  ListHead t = *a;
  *a = *b;
  *b = t;
  // A list's first line links back to its head; after the swap that is the
  // other head, which unlinking the first line would otherwise corrupt.
  for (ListHead* h : {a, b}) {
    if (h->count > 0) {
      h->first->prev = as_link(h);
      h->next = h->first;
    } else {
      h->next = nullptr;
      h->first = h->last = nullptr;
    }
  }
}

LineNode* new_line(const char* text, int len) {
  if (len < 0) len = 0;
  auto* n = static_cast<LineNode*>(ku_alloc(static_cast<size_t>(line_node_size(len))));
  n->next = n->prev = nullptr;
  n->length = len;
  if (len > 0) std::memcpy(n->text, text, static_cast<size_t>(len));
  std::memset(n->text + len, ' ', 16);
  return n;
}

int line_index(const LineNode* line) {
  int i = 0;
  for (LineNode* l = first_line(curr_file); l; l = next_line(l), i++)
    if (l == line) return i;
  return -1;
}

bool range_in_file(const BlockRange& r) {
  if (r.count < 1 || !r.first || !r.last) return false;
  LineNode* l = first_line(curr_file);
  while (l && l != r.first) l = next_line(l);
  if (!l) return false;
  // From the first line (now known to be a live line) count on to the last.
  for (int i = 1; i < r.count && l; i++) l = next_line(l);
  return l == r.last;
}

LineNode* replace_file_line(LineNode* old, const char* text, int len, BlockRange* area) {
  LineNode* n = new_line(text, len);
  Link* pred = old->prev;
  int err = 0;
  list_delete(&curr_file, old, &err);
  add(&curr_file, pred, n, &err);
  if (curr_line == old) curr_line = n;
  if (curr_screen.top_line == old) curr_screen.top_line = n;
  if (curr_screen.bottom_line == old) curr_screen.bottom_line = n;
  if (curr_bwd_link == old) curr_bwd_link = n;
  if (block.first == old) block.first = n;
  if (block.last == old) block.last = n;
  for (BlockRange* r : {area, &last_file_area}) {
    if (!r) continue;
    if (r->first == old) r->first = n;
    if (r->last == old) r->last = n;
  }
  ku_free(old);
  return n;
}
