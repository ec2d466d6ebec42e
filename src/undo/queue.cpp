// Undo queue and records: the main queue and the macro-run sub-queues, the
// pushes the editing commands make (with the merging of runs of characters
// and deleted lines), the 128-record limit, flushing, and macro groups.
#include <cstdlib>
#include <cstring>

#include "core/dispatch.h"
#include "core/entry.h"
#include "files/openfiles.h"
#include "options/options.h"
#include "store/memory.h"
#include "term/screen.h"
#include "term/status.h"
#include "undo/undo.h"

ListHead ku_undo_queue;
ListHead* undo_queue = &ku_undo_queue;
Stack undo_queue_stack;
int undo_state = 1;

namespace {

constexpr int DELETE_CHAR_IX = 35;
constexpr int RUBOUT_IX = 34;
constexpr int INSERT_IX = 0;
constexpr int OVERWRITE_IX = 1;

// push_undo_macro calls that opened no group because UNDO_MAX_GROUPS were
// already open; their runs' records go into the innermost open group, and
// the matching complete_push_undo_macro calls only count down.
int unopened_groups = 0;

bool replaying() { return undo_state == 2; }

UndoItem* newest(ListHead* q) { return q->count > 0 ? static_cast<UndoItem*>(q->first) : nullptr; }

// Actions of a record still to be undone: a merging record loses one with
// every undo of it, any other record holds its actions until it is undone.
int pending_actions(const UndoItem* r) {
  bool merging = r->type == UNDO_DEL_CHAR || r->type == UNDO_DEL_LINE || r->type == UNDO_INS_CHAR;
  return merging ? r->count : r->actions;
}

// Queues a new single-action record.
void queue_single(UndoItem* item) {
  queue_undo_item(item);
  undo_queue->total += 1;
}

// Frees every record of q and empties it; the format word is left alone.
void free_records(ListHead* q) {
  Link* n = q->count > 0 ? q->first : nullptr;
  while (n) {
    Link* next = n->next;
    free_undo_item(static_cast<UndoItem*>(n));
    n = next;
  }
  init_list(q);
}

// Frees every record of an enclosing queue except the open group record
// whose sub-queue is `inner`; its total becomes that record's actions.
void trim_enclosing(ListHead* q, const ListHead* inner) {
  UndoItem* keep = nullptr;
  bool dropped = false;
  Link* n = q->count > 0 ? q->first : nullptr;
  while (n) {
    Link* next = n->next;
    auto* item = static_cast<UndoItem*>(n);
    if (!keep && item->type == UNDO_MACRO && item->data == inner) {
      keep = item;
    } else {
      list_delete(q, item, &status);
      free_undo_item(item);
      dropped = true;
    }
    n = next;
  }
  q->total = keep ? keep->actions : 0;
  if (dropped) q->format = 'f';
}

// The queue enclosing the current one at depth d (0 the innermost).
ListHead* enclosing(int d) { return static_cast<ListHead*>(undo_queue_stack.slots[undo_queue_stack.top + 1 + d]); }
int enclosing_depth() { return undo_queue_stack.size - undo_queue_stack.top; }
bool stack_full() { return undo_queue_stack.top == 0; }

UndoCharBuffer* char_buffer(UndoItem* item) { return static_cast<UndoCharBuffer*>(item->data); }

// A new character record: empty buffer, no actions yet.
UndoItem* new_char_record(int cmd_ix, int line, int col, int row, int type) {
  auto* buf = static_cast<UndoCharBuffer*>(ku_calloc(sizeof(UndoCharBuffer)));
  UndoItem* item = create_undo_item(cmd_ix, line, col, row, type);
  item->data = buf;
  item->size = UNDO_CHAR_BUFFER;
  item->actions = 0;
  item->count = 0;
  return item;
}

// Stores one character in a character record and counts the action.
void add_char(UndoItem* item, char ch, short extra) {
  UndoCharBuffer* buf = char_buffer(item);
  buf->chars[item->count] = ch;
  buf->extra[item->count] = extra;
  item->count++;
  item->actions++;
  undo_queue->total++;
}

// A copy of a line node (its text and length).
LineNode* copy_line(const LineNode* l) {
  int len = l->length > 0 ? l->length : 0;
  auto* n = static_cast<LineNode*>(ku_alloc(static_cast<size_t>(line_node_size(len))));
  n->next = n->prev = nullptr;
  n->length = len;
  std::memset(n->text, ' ', static_cast<size_t>(len) + 16);
  std::memcpy(n->text, l->text, static_cast<size_t>(len));
  return n;
}

// A new list holding copies of the lines of `from`, in order.
ListHead* copy_list(const ListHead* from) {
  auto* head = static_cast<ListHead*>(ku_calloc(sizeof(ListHead)));
  init_list(head);
  if (from && from->count > 0)
    for (Link* n = from->first; n; n = n->next) send_node(head, copy_line(as_line(n)));
  return head;
}

// Saves n characters of a line text from column pos into a new buffer.
char* save_text(const LineRecord* text, int pos, int n) {
  char* buf = static_cast<char*>(ku_alloc(static_cast<size_t>(n > 0 ? n : 0) + 1));
  if (n > 0) std::memcpy(buf, text->text + pos, static_cast<size_t>(n));
  buf[n > 0 ? n : 0] = 0;
  return buf;
}

int clamp_col(int c) { return c < 0 ? 0 : (c > static_cast<int>(sizeof(LineRecord::text)) ? static_cast<int>(sizeof(LineRecord::text)) : c); }

}  // namespace

void init_undo_system() {
  // Whatever an earlier run left (sub-queues live inside the main queue's
  // records) is released first.
  init_stack(&undo_queue_stack, UNDO_MAX_GROUPS);
  unopened_groups = 0;
  undo_queue = &ku_undo_queue;
  free_records(&ku_undo_queue);
  ku_undo_queue.format = 0;
  undo_state = 1;
}

UndoItem* create_undo_item(int cmd_ix, int line, int col, int row, int type) {
  auto* item = static_cast<UndoItem*>(ku_calloc(sizeof(UndoItem)));
  item->cmd_ix = cmd_ix;
  item->line = line;
  item->col = col;
  item->row = row;
  item->type = type;
  item->actions = 1;
  item->size = 1;
  item->count = 1;
  item->file = curr_file_des;
  return item;
}

void queue_undo_item(UndoItem* item) {
  ListHead* q = undo_queue;
  add(q, as_link(q), item, &status);
  if (q->count > UNDO_MAX_RECORDS) {
    auto* oldest = static_cast<UndoItem*>(q->last);
    list_delete(q, oldest, &status);
    q->total -= pending_actions(oldest);
    free_undo_item(oldest);
  }
}

void flush_undo_queue() {
  // The record being replayed must outlive its handler: replays make no
  // records, so nothing they do needs the queue flushed.
  if (replaying()) return;
  if (undo_queue->count > 0) {
    free_records(undo_queue);
    undo_queue->format = 'f';
  }
  const ListHead* inner = undo_queue;
  for (int d = 0; d < enclosing_depth(); d++) {
    ListHead* q = enclosing(d);
    trim_enclosing(q, inner);
    inner = q;
  }
}

void free_undo_item(UndoItem* item) {
  if (!item) return;
  switch (item->type) {
    case UNDO_DEL_CHAR:
    case UNDO_DEL_RIGHT:
    case UNDO_SUBSTITUTE:
    case UNDO_DEL_WORD:
    case UNDO_INS_CHAR:
      ku_free(item->data);
      break;
    case UNDO_DEL_LINE: {
      Link* n = static_cast<Link*>(item->data);
      while (n) {
        Link* next = n->next;
        ku_free(n);
        n = next;
      }
      break;
    }
    case UNDO_DEL_BLOCK:
    case UNDO_WRAP_PARA:
    case UNDO_COLUMN_PASTE:
    case UNDO_COLUMN_DELETE:
      if (auto* head = static_cast<ListHead*>(item->data)) {
        purge_list(head);
        ku_free(head);
      }
      break;
    case UNDO_MACRO:
      // The sub-queue dies with its record.  Its records are freed directly:
      // the flush rules (no flush during a replay, enclosing queues) concern
      // live queues, not one being released.
      if (auto* sub = static_cast<ListHead*>(item->data)) {
        free_records(sub);
        ku_free(sub);
      }
      break;
    default:
      break;
  }
  ku_free(item);
}

int get_num_undo_queue_actions() { return undo_queue->total; }
int get_num_undo_queue_items() { return undo_queue->count; }
int get_undo_queue_size() { return undo_queue->count * static_cast<int>(sizeof(UndoItem)); }

void push_undo_del_char(int ch, int line, int col, int row) {
  if (replaying()) return;
  int cmd_ix = curr_cmd == 'D' ? DELETE_CHAR_IX : RUBOUT_IX;
  UndoItem* r = newest(undo_queue);
  // Delete-character deletes every character at the same column (the text
  // closes up); rubout deletes each one a column further left.  A run merges
  // only in its own command's way: a record replays its characters by that
  // rule, so a deletion elsewhere must start a record of its own.
  bool merge = r && r->type == UNDO_DEL_CHAR && r->count < r->size && r->cmd_ix == cmd_ix && r->line == line &&
               (cmd_ix == DELETE_CHAR_IX ? r->col == col : r->col == col + r->count);
  if (!merge) {
    r = new_char_record(cmd_ix, line, col, row, UNDO_DEL_CHAR);
    queue_undo_item(r);
  }
  add_char(r, static_cast<char>(ch), 0);
}

void push_undo_del_right(const LineRecord* text, int pos, int line, int col, int row) {
  if (replaying()) return;
  int p = clamp_col(pos);
  int n = text->length - p;
  if (n < 0) n = 0;
  char* saved = save_text(text, p, n);
  UndoItem* r = create_undo_item(54, line, col, row, UNDO_DEL_RIGHT);
  r->data = saved;
  r->size = p;
  r->count = n;
  queue_single(r);
}

void push_undo_del_line(LineNode* node, int last_line_flag, int line, int col, int row) {
  if (replaying()) {
    ku_free(node);
    return;
  }
  // The deletion of a file's only line leaves the file one empty line that
  // stands for none: its replay must put the line in that empty line's place
  // rather than beside it, so it keeps a record of its own.
  int flag = last_line_flag ? 1 : 0;
  if (curr_file.count == 0) flag = 2;
  UndoItem* r = newest(undo_queue);
  // Only plain deletions at one position make a run; a record that puts its
  // line back after the last line (or in place of the emptied file's line)
  // would misplace any line merged into it.
  bool merge = flag == 0 && r && r->type == UNDO_DEL_LINE && r->last_line_flag == 0 && r->line == line;
  if (!merge) {
    r = create_undo_item(11, line, col, row, UNDO_DEL_LINE);
    r->last_line_flag = flag;
    r->actions = 0;
    r->count = 0;
    r->data = nullptr;
    queue_undo_item(r);
  }
  node->prev = nullptr;
  node->next = static_cast<Link*>(r->data);
  r->data = node;
  r->count++;
  r->actions++;
  undo_queue->total++;
}

void push_undo_del_block(int cmd_ix, const ListHead* list, int line, int col, int row) {
  if (replaying()) return;
  ListHead* saved = copy_list(list);
  UndoItem* r = create_undo_item(cmd_ix, line, col, row, UNDO_DEL_BLOCK);
  r->data = saved;
  queue_single(r);
}

void push_undo_substitute(const LineRecord* matched, const LineRecord* replacement, int line, int col, int row) {
  if (replaying()) return;
  if (matched->length > UNDO_MAX_SUBSTITUTE || replacement->length > UNDO_MAX_SUBSTITUTE) {
    write_ku_msg("Push Undo Error: strings too long");
    return;
  }
  auto* s = static_cast<UndoSubstitution*>(ku_calloc(sizeof(UndoSubstitution)));
  s->matched_length = matched->length > 0 ? matched->length : 0;
  std::memcpy(s->matched, matched->text, static_cast<size_t>(s->matched_length));
  s->replacement_length = replacement->length > 0 ? replacement->length : 0;
  std::memcpy(s->replacement, replacement->text, static_cast<size_t>(s->replacement_length));
  UndoItem* r = create_undo_item(17, line, col, row, UNDO_SUBSTITUTE);
  r->data = s;
  queue_single(r);
}

void push_undo_block_paste(int cmd_ix, int n, int line, int col, int row) {
  if (replaying()) return;
  UndoItem* r = create_undo_item(cmd_ix, line, col, row, UNDO_BLOCK_PASTE);
  r->count = n;
  queue_single(r);
}

void push_undo_del_word(const LineRecord* text, int n, int line, int pos, int row) {
  if (replaying()) return;
  int p = clamp_col(pos);
  if (n < 0) n = 0;
  if (p + n > static_cast<int>(sizeof text->text)) n = static_cast<int>(sizeof text->text) - p;
  char* saved = save_text(text, p, n);
  UndoItem* r = create_undo_item(36, line, p, row, UNDO_DEL_WORD);
  r->data = saved;
  r->count = n;
  queue_single(r);
}

void push_undo_ins_char(int ch, int cmd_ix, int line, int col, int row) {
  if (replaying()) return;
  // What the replay needs besides the character (see UndoCharBuffer).  Text
  // entry pushes before it changes the buffer, and a line split pushes after
  // writing the shortened line back: so an overwrite beyond the buffer's
  // length lengthens the line, and an insert record pushed with the buffer
  // written back at the stored line's length is a split.
  short extra = 0;
  char stored = static_cast<char>(ch);
  if (ch >= UNDO_LINE_SPLIT) {
    extra = static_cast<short>(ch - UNDO_LINE_SPLIT + 1);
    stored = ' ';
  } else if (cmd_ix == INSERT_IX) {
    if (line_buf.length == 0 && curr_line && col > 0 && curr_line->length == col)
      extra = static_cast<short>((options.auto_indent ? auto_indent_level : 0) + 1);
    else if (col > line_buf.length)
      extra = static_cast<short>(-(line_buf.length + 1));
  } else if (cmd_ix == OVERWRITE_IX) {
    if (col - 1 >= line_buf.length) extra = static_cast<short>(-(line_buf.length + 1));
  }
  UndoItem* r = newest(undo_queue);
  bool merge = r && r->type == UNDO_INS_CHAR && r->count < r->size && r->cmd_ix == cmd_ix && r->line == line &&
               r->col + r->count == col;
  if (!merge) {
    r = new_char_record(cmd_ix, line, col, row, UNDO_INS_CHAR);
    queue_undo_item(r);
  }
  add_char(r, stored, extra);
}

void push_undo_wrap_para(LineNode* first, LineNode* last, int n, int line, int col, int row) {
  if (replaying()) return;
  auto* head = static_cast<ListHead*>(ku_calloc(sizeof(ListHead)));
  init_list(head);
  for (LineNode* l = first; l; l = next_line(l)) {
    send_node(head, copy_line(l));
    if (l == last) break;
  }
  UndoItem* r = create_undo_item(22, line, col, row, UNDO_WRAP_PARA);
  r->data = head;
  r->count = n;
  queue_single(r);
}

void update_undo_wrap_para(int n) {
  if (replaying()) return;
  UndoItem* r = newest(undo_queue);
  if (!r) {
    write_ku_msg("update_undo_wrap_para - no action");
    return;
  }
  if (r->type != UNDO_WRAP_PARA) {
    write_ku_msg("update_undo_wrap_para - wrong type");
    return;
  }
  r->count = n;
}

void push_undo_macro(int cmd_ix, int line, int col, int row) {
  // Beyond the nesting limit (or, which no caller does, during a replay) the
  // run opens no group of its own: its records join the group already open,
  // which undo takes back as a whole.
  if (replaying() || stack_full()) {
    unopened_groups++;
    return;
  }
  auto* sub = static_cast<ListHead*>(ku_calloc(sizeof(ListHead)));
  init_list(sub);
  sub->format = 'n';
  UndoItem* r = create_undo_item(cmd_ix, line, col, row, UNDO_MACRO);
  r->data = sub;
  queue_single(r);
  push(&undo_queue_stack, undo_queue);
  undo_queue = sub;
}

void complete_push_undo_macro() {
  if (unopened_groups > 0) {
    unopened_groups--;
    return;
  }
  if (undo_queue == &ku_undo_queue) {
    write_ku_msg("Undo Macro - Wrong Queue");
    flush_undo_queue();
    return;
  }
  // A run that was flushed part-way keeps nothing it did after the flush.
  if (undo_queue->format == 'f') flush_undo_queue();
  auto* outer = static_cast<ListHead*>(pop(&undo_queue_stack));
  if (!outer) {
    undo_queue = &ku_undo_queue;
    write_ku_msg("Undo Macro - No Undo Queue");
    return;
  }
  undo_queue = outer;
}

void push_undo_column_paste(int cmd_ix, const ListHead* list, int line, int col, int row) {
  if (replaying()) return;
  ListHead* saved = copy_list(list);
  UndoItem* r = create_undo_item(cmd_ix, line, col, row, UNDO_COLUMN_PASTE);
  r->data = saved;
  queue_single(r);
}
