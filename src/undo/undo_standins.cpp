// Weak stand-ins for the replays of the record types whose commands are
// built elsewhere (blocks, substitution, wrapping, column blocks); each
// module's own strong definition replaces its stand-in at link time.  Until
// then an undo of such a record explains itself and keeps the record, so the
// queue stays in step with the text.
#include "term/status.h"
#include "undo/undo.h"

#define KU_WEAK __attribute__((weak))

namespace {
void not_yet(UndoItem*) { write_ku_msg("Undo of this change is not available"); }
}  // namespace

KU_WEAK void undo_del_block(UndoItem* item) { not_yet(item); }
KU_WEAK void undo_substitute(UndoItem* item) { not_yet(item); }
KU_WEAK void undo_wrap_para(UndoItem* item) { not_yet(item); }
KU_WEAK void undo_column_paste(UndoItem* item) { not_yet(item); }
KU_WEAK void undo_column_delete(UndoItem* item) { not_yet(item); }
