// SendDesignFileToAudit(fileId, login, superior): puts a design document into review. 0 when the
// database cannot be opened or the document was not submitted, else 1.
#include "core/EntryFrame.h"
#include "core/EntryRegistry.h"
#include "platform/base/WaitCursor.h"
#include "review/DesignFileAuditSender.h"

extern "C" int SendDesignFileToAudit(CString fileId, CString login, CString superior) {
    CEntryFrame frame(login);
    if (!frame.IsOpen())
        return 0;
    CWaitCursor wait;
    CDesignFileAuditSender sender;
    sender.m_strFileID = StoredNumber("TeamWorkResult", "FileID", fileId);
    sender.m_strSuperior = superior;
    return sender.Send();
}
VQ_EXPORT_ENTRY(SendDesignFileToAudit, 2, "提交设计评审 (无对话框)", vq::kReviewSubsystem);
