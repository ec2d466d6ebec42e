// Horizontal scrolling aperture: which of the 512 text columns the text rows
// show, shifting rows in place when it moves, and the "<-" indicator.
#pragma once

extern int ap_l;       // first text column shown
extern int ap_r;       // last text column shown
extern int ap_width;   // width of the aperture (the terminal width)
extern char ap_str[512];  // scratch for the columns that scroll into view
struct ApertureState {
  int width, left, right;
};
extern ApertureState aperture_state;      // saved while scrolling is disabled
extern int horizontal_scrolling_enabled;  // 0 while columns are terminal columns

void move_aperture(int new_left);
int ti_get_left_cx();
int ti_get_right_cx();
void ti_set_left_cx(int v);
void ti_set_right_cx(int v);
void ti_disable_horizontal_scrolling();
void ti_enable_horizontal_scrolling();
void ti_scroll_left(int percent);
void ti_scroll_right(int percent);
void display_scroll_indicator();
