// Which results dialog shows a document's review: the design-document results (drawing and
// redline markup) for a file named "*.DWG" (any case) while the redline tool setting
// ([设计过程管理] "红线批注工具", default 0) is not 2, the work-document results otherwise. The
// entry function ShowTeamTaskAuditResult, the work-group document manager and the work task
// state maintenance all choose by this rule.
#pragma once

#include "platform/base/String.h"

// True when the document of this file name is shown by CDesignDocAuditResultDlg.
bool UseDesignDocAuditResult(const CString& fileName);

// Opens the chosen results dialog for the document, modal, and returns when it closes. The file
// name is read from TeamWorkResult; a document without a row gets the work-document results.
// The caller has lent a product-database connection to the application object.
void ShowAuditResultDialog(const CString& fileId);
// The same with the file name the caller already holds.
void ShowAuditResultDialog(const CString& fileId, const CString& fileName);
