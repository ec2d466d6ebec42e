// Line blocks and the line buffer, column blocks and the column buffer.  The
// buffers outlive file switches, so text moves between files through them.
#pragma once
#include "store/lists.h"

extern ListHead line_block;      // the line-block buffer
extern ListHead line_del_block;  // the line delete buffer
extern ListHead kill_block;      // lines removed by a block Kill
extern ListHead column_block;    // the column buffer

void init_column_block();
