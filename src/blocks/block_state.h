// Letters the block and column commands share among themselves: the one of
// the operation being run and the one of the last command.  Kept out of
// blocks.h because their short names would clash with other files' own.
#pragma once
#include "blocks/blocks.h"

extern char key;       // letter of the block or column operation being run
extern char last_key;  // letter of the last block or column command; 0 none
