// An entry name the host calls for change orders whose assisting reviews need no task list:
// it touches nothing (no login account, no database) and returns 1.
#include "core/EntryRegistry.h"

extern "C" int ECOAssignNextAuditFlatroof(CString, CString, CString, CString) {
    return 1;
}

VQ_EXPORT_ENTRY(ECOAssignNextAuditFlatroof, 0, "更改单协助评审(无任务列表)", vq::kChangeOrdersSubsystem);
