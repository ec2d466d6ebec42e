// Start-up and the main loop: defaults of every global, the options file,
// the terminal check, the top-line geometry, the command line and the files
// named on it.
#pragma once

extern int MODE_X, MODE_Y;          // mode indicator on the status line
extern int MSG_X, MSG_Y;            // message area
extern int ERR_X, ERR_Y;            // error messages (the same area)
extern int FN_FIELD_WIDTH;          // width of the file-name field
extern int ku_initializing;         // 1 while start-up runs

void compute_top_line_geometry(int width);
int init_ku_globals();
void ku_init(int argc, char** argv);
void edit_initial_files(int argc, char** argv);
[[noreturn]] void ku_main_loop();

// The terminal has gone (hang-up, or input ended for good): save what must be
// saved and end the process.  Never returns.
[[noreturn]] void ku_terminal_lost();
