// Mouse events: only clicks of buttons 1 to 3 mean anything to the editor.
#include "term/mouse.h"

#include <curses.h>

int ti_get_mouse_click(int* x, int* y) {
  MEVENT ev;
  if (getmouse(&ev) != OK) return 0;
  *x = ev.x;
  *y = ev.y;
  if (ev.bstate & (BUTTON1_CLICKED | BUTTON1_PRESSED | BUTTON1_RELEASED)) return 1;
  if (ev.bstate & (BUTTON2_CLICKED | BUTTON2_PRESSED | BUTTON2_RELEASED)) return 2;
  if (ev.bstate & (BUTTON3_CLICKED | BUTTON3_PRESSED | BUTTON3_RELEASED)) return 3;
  return 0;
}

void ti_set_mouse_events(int on) { mousemask(on ? ALL_MOUSE_EVENTS : 0, nullptr); }
