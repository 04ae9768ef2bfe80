// The assisting reviews of a step, viewed from the review results dialogs ("协助评审..."): the
// dialog of assisting reviews registers the function that shows them read-only for a document
// and its step. Without one registered the button opens nothing.
#pragma once

#include "platform/base/String.h"

using AssistAuditViewer = void (*)(const CString& fileId, const CString& upAuditName);

void SetAssistAuditViewer(AssistAuditViewer viewer);
// Shows the assisting reviews of the step read-only (adding, changing, restarting and deleting
// tasks disabled); false when no viewer is registered.
bool ShowAssistAudits(const CString& fileId, const CString& upAuditName);
