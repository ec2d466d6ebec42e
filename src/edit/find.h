// Find and replace.
#pragma once

extern char find_buf[96];  // the last search string
extern char subs_buf[96];  // the last replacement string
