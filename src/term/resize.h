// Terminal resize: adopting the size the terminal has after a resize and
// redrawing every part of the screen for it, with the redraw hooks through
// which a prompt, dialog or panel that owns part of the screen redraws it.
#pragma once

// A part of the screen owned by whatever is reading keys right now (a prompt,
// a dialog, a panel): fn(ctx) redraws that part at the new size and leaves
// the cursor where the owner reads its keys.  Hooks run in the order they
// were pushed, after the text rows, the status line and the divider.
void push_resize_redraw(void (*fn)(void*), void* ctx);
void pop_resize_redraw();
int resize_redraw_depth();  // hooks pushed and not yet popped

// Pushes a hook for the lifetime of the scope.
class ResizeRedrawScope {
 public:
  ResizeRedrawScope(void (*fn)(void*), void* ctx) { push_resize_redraw(fn, ctx); }
  ~ResizeRedrawScope() { pop_resize_redraw(); }
  ResizeRedrawScope(const ResizeRedrawScope&) = delete;
  ResizeRedrawScope& operator=(const ResizeRedrawScope&) = delete;
};

// Whether the terminal as ncurses sees it now is below the editor's minimum
// of 80 columns and 20 rows.
bool ti_terminal_too_small();
// Clears the screen and says that the terminal is too small; the cursor is
// left at the top left.  Nothing of the editor's state changes.
void show_size_notice();
// Adopts the terminal's current size (ti_adopt_terminal_size, the top-line
// geometry) and redraws everything: the text rows with the current line kept
// on screen and the cursor on its character, the status line (the top of
// the prompt stack while one is pushed), the divider and its message, then
// the redraw hooks.
void redraw_after_resize();

// The first line of the size notice.
extern const char* const size_notice_msg;
