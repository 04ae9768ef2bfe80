#include "review/AuditResultChooser.h"

#include "core/FileInfo.h"
#include "core/Settings.h"
#include "core/VqDesignTaskApp.h"
#include "platform/db/SqlText.h"
#include "review/DesignDocAuditResultDlg.h"
#include "review/WorkDocAuditResultDlg.h"

bool UseDesignDocAuditResult(const CString& fileName) {
    const int redlineTool = ReadSettingInt("设计过程管理", "红线批注工具", "0");
    return CFileInfo(fileName).GetFileExt().CompareNoCase(".DWG") == 0 && redlineTool != 2;
}

void ShowAuditResultDialog(const CString& fileId, const CString& fileName) {
    if (UseDesignDocAuditResult(fileName)) {
        CDesignDocAuditResultDlg dlg(nullptr);
        dlg.FileID = fileId;
        dlg.DoModal();
    } else {
        CWorkDocAuditResultDlg dlg(nullptr);
        dlg.FileID = fileId;
        dlg.DoModal();
    }
}

void ShowAuditResultDialog(const CString& fileId) {
    CString sql;
    sql.Format("SELECT FileName FROM TeamWorkResult WHERE FileID='%s'", SqlQuote(fileId));
    ShowAuditResultDialog(fileId, theApp.GetSqlString(sql));
}
