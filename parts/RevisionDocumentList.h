// The document list of the revision browsers: the released documents of one revision, one row each.
#pragma once

#include "platform/base/Collections.h"
#include "platform/base/String.h"
#include "platform/db/Ado.h"
#include "platform/ui/ListCtrl.h"

class CFtpConnection;

// Appends a CDocumentItem (owned by the array) for each row of the statement, which selects
// DocumentType, FileName, FileType, FileBulk, FileDate, FileRemark and RevNumber in this order. A
// database error is shown; the rows read before it are kept.
void ReadDocumentItems(const _ConnectionPtr& connection, int adoCloseMode, const CString& sql,
                       CObArray& documents);

// Empties the list and rowFileNames, then shows the documents (CDocumentItem) whose revision is
// the given one (compared without regard to case), in the array's order: the description with
// the file's icon, then type, size, date and remark. The file name of each row is appended to
// rowFileNames, so that row n's file is rowFileNames[n].
void FillRevisionDocumentList(CListCtrl& list, const CObArray& documents, const CString& revision,
                              CStringArray& rowFileNames);

// Fetches the document file from the FTP connection's current folder into `folder` (a call folder
// of the dialog's own, vq::CallFolder, ending with '/') as
// "<prefix>_<file title>_<revision><extension>" and records it among the downloaded files. Says
// "该文档已不在原存放位置，请检查!" when the file is gone and "文档下载失败!" when the transfer fails
// (an older copy must not pass for this revision's document); the local path, or empty.
CString FetchRevisionDocument(CFtpConnection* connection, const CString& folder, const CString& file,
                              const CString& prefix, const CString& revision, DWORD findFlags);
