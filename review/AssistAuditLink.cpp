#include "review/AssistAuditLink.h"

namespace {
AssistAuditViewer g_viewer = nullptr;
} // namespace

void SetAssistAuditViewer(AssistAuditViewer viewer) {
    g_viewer = viewer;
}

bool ShowAssistAudits(const CString& fileId, const CString& upAuditName) {
    if (!g_viewer)
        return false;
    g_viewer(fileId, upAuditName);
    return true;
}
