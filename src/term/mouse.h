// Mouse events as the terminal reports them.
#pragma once

// Reads the pending mouse event.  Returns the button (1-3) of a click with
// its terminal column and row, or 0 for any other event.
int ti_get_mouse_click(int* x, int* y);

// Turns the terminal's mouse reports on (all events) or off.
void ti_set_mouse_events(int on);
