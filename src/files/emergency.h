// Emergency save: when the terminal is lost or the editor is told to stop
// (SIGHUP, SIGTERM), every open file with unsaved changes is written to a
// copy beside it ("name.save", "name.save.1", ...; "ku.save" in the working
// directory for an unnamed file).  The originals are never touched.
#pragma once

// Exit status after SIGHUP or SIGTERM: 128 plus the signal number, as a shell
// reports a process ended by that signal (129 and 143).
inline constexpr int KU_EXIT_SIGNAL_BASE = 128;
// Numbered variants tried after "name.save" before giving up on a place.
inline constexpr int KU_EMERGENCY_MAX_VARIANT = 999;

// Saves every changed open file once per process (later calls do nothing).
// Async-signal-safe: no allocation, no stdio, only open/write/fsync/close.
void emergency_save_all();
// The work itself, for each changed file; returns how many copies were
// written.  Names without a directory are taken relative to `dir_fd`.
int emergency_save_files(int dir_fd);
// Installs the SIGHUP and SIGTERM handlers (save, then exit with
// KU_EXIT_SIGNAL_BASE + signal) and remembers the working directory.
void install_emergency_handlers();
// Blocks SIGHUP and SIGTERM for good: used once the editor is ending and its
// text is being released.
void emergency_block_signals();
