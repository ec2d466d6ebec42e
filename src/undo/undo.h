// Undo queue and records.
#pragma once
#include "store/lists.h"

extern int undo_state;  // 1 recording, 2 while the undo command replays a record

void init_undo_system();
void flush_undo_queue();
void complete_push_undo_macro();
// Bytes the undo queue holds (for the memory figure).
int get_undo_queue_size();
