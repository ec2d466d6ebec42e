// Counted doubly linked lists, the bounded pointer stack, byte-array helpers and
// the tab and white-space primitives.  Pure functions over caller-owned records.
#include "store/lists.h"

#include "store/memory.h"

#include <cstdlib>
#include <cstring>

int status = 0;
LineRecord temp;

ListHead* init_list(ListHead* head) {
  head->next = nullptr;
  head->prev = nullptr;
  head->total = 0;
  head->first = nullptr;
  head->last = nullptr;
  head->count = 0;
  return head;
}

ListHead* add(ListHead* head, Link* after, Link* node, int* err) {
  node->next = after->next;
  node->prev = after;
  if (after->next) after->next->prev = node;
  after->next = node;
  if (head->count == 0) {
    head->first = node;
    head->last = node;
  }
  if (node->prev == as_link(head)) head->first = node;
  if (node->next == nullptr) head->last = node;
  head->count++;
  *err = 0;
  return head;
}

Link* list_delete(ListHead* head, Link* node, int* err) {
  if (head->count == 0) {
    *err = LIST_EMPTY;
    return node;
  }
  Link* pred = node->prev;
  Link* succ = node->next;
  pred->next = succ;
  if (succ) succ->prev = pred;
  if (pred->next == nullptr) head->last = pred;
  if (succ && succ->prev == as_link(head)) head->first = succ;
  head->count--;
  if (head->count == 0) {
    head->next = nullptr;
    head->first = nullptr;
    head->last = nullptr;
  }
  return node;
}

Link* traverse_list(ListHead* head, Link* from, char direction, int* moved, int steps, int* err) {
  int made = 0;
  Link* at = from;
  for (; made < steps; made++) {
    Link* n = direction == '+' ? at->next : at->prev;
    if (n == nullptr || n == as_link(head)) {
      *err = LIST_END;
      break;
    }
    at = n;
  }
  *moved = made;
  return at;
}

void purge_list(ListHead* head) {
  Link* n = head->count > 0 ? head->first : nullptr;
  while (n) {
    Link* next = n->next;
    ku_free(n);
    n = next;
  }
  init_list(head);
}

ListHead* send_node(ListHead* head, Link* node) {
  int err;
  return add(head, head->count > 0 ? head->last : as_link(head), node, &err);
}

void init_stack(Stack* s, int n) {
  if (n > 31) n = 31;
  if (n < 0) n = 0;
  s->top = n;
  s->size = n;
  std::memset(s->slots, 0xC7, sizeof(void*) * static_cast<size_t>(n));
}

Stack* push(Stack* s, void* item) {
  s->slots[s->top] = item;
  if (s->top > 0) s->top--;
  return s;
}

void* pop(Stack* s) {
  if (s->top == s->size) return nullptr;
  s->top++;
  return s->slots[s->top];
}

void* tos(Stack* s) { return s->top == s->size ? nullptr : s->slots[s->top + 1]; }

int stack_empty(const Stack* s) { return s->top == s->size ? 1 : 0; }

int findb(const char* buf, char ch, int n) {
  for (int i = 0; i < n; i++)
    if (buf[i] == ch) return i;
  return -1;
}

int findb_not(const char* buf, char ch, int n) {
  for (int i = 0; i < n; i++)
    if (buf[i] != ch) return i;
  return -1;
}

void setb(char ch, char* buf, int n) {
  for (int i = 0; i < n; i++) buf[i] = ch;
}

void movb(const char* src, char* dst, int n) {
  for (int i = 0; i < n; i++) dst[i] = src[i];
}

int cmpb(const char* a, const char* b, int n) {
  for (int i = 0; i < n; i++)
    if (a[i] != b[i]) return i;
  return -1;
}

uint32_t sumw(const uint32_t* words, int n) {
  uint32_t s = 0;
  for (int i = 0; i < n; i++) s += words[i];
  return s;
}

int usable_tabstop(int tabstop) { return tabstop < 1 || tabstop > MAX_TABSTOP ? 4 : tabstop; }

int pack(char* text, int len, int tabstop) {
  tabstop = usable_tabstop(tabstop);
  text[len] = 0;
  int n = len;
  while (n > 0 && is_white(text[n - 1])) text[--n] = 0;
  int col = 0, run = 0;
  for (int i = 0; i < n; i++) {
    char c = text[i];
    if (!is_white(c)) {
      run = 0;
      col++;
    } else if (c == '\t') {
      col += tabstop - col % tabstop;
      run = 0;
    } else {
      run++;
      if (col % tabstop == tabstop - 1) {
        int start = i - (run - 1);
        text[start] = '\t';
        std::memmove(text + start + 1, text + i + 1, static_cast<size_t>(n - i));  // zero included
        n -= run - 1;
        i = start;
        run = 0;
        col += tabstop - col % tabstop;
      } else {
        col++;
      }
    }
  }
  return n;
}

int unpack(char* text, int len, int tabstop) {
  tabstop = usable_tabstop(tabstop);
  text[len] = 0;
  int n = len;
  int col = 0;
  for (int i = 0; i < n && col < 254 - tabstop; i++, col++) {
    if (text[i] == '\t') {
      int extra = tabstop - 1 - col % tabstop;
      text[i] = ' ';
      std::memmove(text + i + 1 + extra, text + i + 1, static_cast<size_t>(n - i));  // zero included
      for (int k = 1; k <= extra; k++) text[i + k] = ' ';
      n += extra;
    }
  }
  return n;
}

int white_space_text(const char* text, int length) {
  int i = 0;
  while (i < length && is_white(text[i])) i++;
  return i;
}

int white_space(const LineNode* line) { return white_space_text(line->text, line->length); }
int white_space(const LineRecord* line) { return white_space_text(line->text, line->length); }
