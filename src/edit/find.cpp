// Find and replace: the strings kept for the whole run.
#include "edit/find.h"

char find_buf[96];
char subs_buf[96];
