// Lists, stacks and line text: the counted doubly linked lists every collection
// of the editor lives in, the small bounded pointer stack, byte-array helpers and
// the tab expansion / compression and white-space primitives over line text.
// Nothing here allocates memory; only purge_list releases any.
#pragma once
#include <cstddef>
#include <cstdint>

// The link pair every listed record begins with.  A list head begins with the
// same pair, so that it can stand in as the predecessor of a list's first node.
struct Link {
  Link* next;
  Link* prev;
};

// One stored line of text: `length` bytes of `text` (no line end, no
// terminating zero guaranteed).  Allocated with at least four spare bytes
// behind the text: file writing stores the line end and a zero there.
struct LineNode : Link {
  int32_t length;
  char text[];
};

// Where a line node's text begins (the links and the length word).
inline constexpr size_t LINE_TEXT_OFFSET = sizeof(Link) + sizeof(int32_t);

// Bytes requested for a line node holding `len` characters.
inline constexpr long line_node_size(long len) { return static_cast<long>(sizeof(LineNode)) + len + 16; }

// Characters a line node now holding `len` of them can take in place, its
// four spare bytes kept.  Every way of making a node (ku_alloc_line, or
// ku_alloc of line_node_size) gives at least the text rounded up to the next
// 8-byte step; a node grown in place only within that step keeps the rule
// true, and shrinking never breaks it.  So a line that grows by a character
// or two (a replacement one longer than what it replaces) mostly keeps its
// node.
inline constexpr int line_room(int len) {
  return len < 0 ? 0
                 : static_cast<int>(((LINE_TEXT_OFFSET + static_cast<size_t>(len) + 4 + 7) & ~size_t{7}) -
                                    LINE_TEXT_OFFSET - 4);
}

struct ListHead : Link {
  int32_t total;       // undo queues: pending actions; other lists: 0
  Link* first;         // meaningful only while count > 0
  Link* last;
  int32_t count;
  char format;         // line ends of a file: 'u' LF, 'd' CR LF (undo queues: markers)
  int32_t saved_chars;     // characters as last read or written
  int32_t saved_lines;     // lines as last read or written
  uint32_t saved_checksum; // line checksum as last read or written
  int32_t tags[10];        // 1-based line numbers of the file's tags, 0 unset
};

// A record shaped like a line node but never linked: the current-line buffer
// and the shared scratch line.
struct LineRecord : Link {
  int32_t length;
  char text[388];
};

// Error codes reported by the list operations (indices of the message table).
inline constexpr int LIST_EMPTY = 5;   // "Linked list error"
inline constexpr int LIST_END = 6;     // "    End of list"

// Scratch error word for callers that do not care about list errors.
extern int status;

// Typed views of list links.
inline LineNode* as_line(Link* l) { return static_cast<LineNode*>(l); }
inline Link* as_link(ListHead* h) { return static_cast<Link*>(h); }
inline LineNode* first_line(const ListHead& h) { return h.count > 0 ? static_cast<LineNode*>(h.first) : nullptr; }
inline LineNode* last_line(const ListHead& h) { return h.count > 0 ? static_cast<LineNode*>(h.last) : nullptr; }
// The line after / before `l` in `h`, or null at either end.
inline LineNode* next_line(const LineNode* l) { return static_cast<LineNode*>(l->next); }
inline LineNode* prev_line(const ListHead* h, const LineNode* l) {
  return l->prev == static_cast<const Link*>(h) ? nullptr : static_cast<LineNode*>(l->prev);
}

ListHead* init_list(ListHead* head);
// Links `node` directly after `after` (a node of this list or the head itself).
ListHead* add(ListHead* head, Link* after, Link* node, int* err);
// Unlinks `node` (not released).  Reports LIST_EMPTY on an empty list.
Link* list_delete(ListHead* head, Link* node, int* err);
// Steps up to `steps` times from `from` ('+' forwards, anything else backwards);
// reports LIST_END when the next step would leave the list.
Link* traverse_list(ListHead* head, Link* from, char direction, int* moved, int steps, int* err);
// Releases every node and empties the list (the per-file words are kept).
void purge_list(ListHead* head);
// Appends `node` at the tail.
ListHead* send_node(ListHead* head, Link* node);

template <class T>
inline T* traverse(ListHead* head, T* from, char direction, int* moved, int steps, int* err) {
  return static_cast<T*>(traverse_list(head, from, direction, moved, steps, err));
}

// A bounded stack of pointers; the first item lies in slot `size`.
struct Stack {
  int32_t top;
  int32_t size;
  void* slots[32];
};

void init_stack(Stack* s, int n);  // n at most 31
Stack* push(Stack* s, void* item);
void* pop(Stack* s);
void* tos(Stack* s);
int stack_empty(const Stack* s);

// Byte-array primitives.  Negative counts count as 0; bytes compare as signed chars.
int findb(const char* buf, char ch, int n);
int findb_not(const char* buf, char ch, int n);
void setb(char ch, char* buf, int n);
void movb(const char* src, char* dst, int n);
int cmpb(const char* a, const char* b, int n);
uint32_t sumw(const uint32_t* words, int n);

// Largest usable tab stop: one tab never reaches past the longest line.
inline constexpr int MAX_TABSTOP = 382;
// Tab stop actually used by the text arithmetic: a value below 1 or above
// MAX_TABSTOP (possible from an options file) is treated as the default 4.
int usable_tabstop(int tabstop);

// Line-text primitives over zero-terminated texts; `len` first terminates the
// text.  Both return the new length.  unpack's buffer must hold the grown text.
int pack(char* text, int len, int tabstop);
int unpack(char* text, int len, int tabstop);
// Leading white-space characters of a line record (at most `length`).
int white_space(const LineNode* line);
int white_space(const LineRecord* line);
int white_space_text(const char* text, int length);
// White space as the default locale classifies it: blank, TAB, LF, VT, FF, CR.
inline bool is_white(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Shared one-line scratch record (file reading and writing, prompts, message
// building); its contents never outlive one operation.
extern LineRecord temp;
