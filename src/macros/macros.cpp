// Keyboard macros: the list of defined macros.
#include "macros/macros.h"

ListHead macro_list;
MacroRecord* last_macro = nullptr;
