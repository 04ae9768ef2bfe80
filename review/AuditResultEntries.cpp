// The entry function of review results: ShowTeamTaskAuditResult opens the results dialog that
// suits the document (work document, or design drawing with its redline markup).
#include "core/EntryFrame.h"
#include "core/EntryRegistry.h"
#include "review/AuditResultChooser.h"

// ShowTeamTaskAuditResult(fileId, login, unused): 0 when the database cannot be opened, else 1
// once the dialog has closed.
extern "C" int ShowTeamTaskAuditResult(CString fileId, CString login, int) {
    CEntryFrame frame(login);
    if (!frame.IsOpen())
        return 0;
    ShowAuditResultDialog(StoredNumber("TeamWorkResult", "FileID", fileId));
    return 1;
}
VQ_EXPORT_ENTRY(ShowTeamTaskAuditResult, 2, "设计文档评审结果", vq::kReviewSubsystem);
