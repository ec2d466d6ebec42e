// The block buffers shared by every open file.
#include "blocks/blocks.h"

ListHead line_block;
ListHead line_del_block;
ListHead kill_block;
ListHead column_block;

__attribute__((weak)) void init_column_block() { init_list(&column_block); }
