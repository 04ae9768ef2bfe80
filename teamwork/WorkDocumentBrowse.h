// Opening a work document from a document list: the content is fetched from the database into
// the calling dialog's own folder (vq::CallFolder), a work-log row records the browse, the parts of
// a design file are fetched beside it and the document is opened in the viewer that suits its
// type.
#pragma once

#include "platform/base/String.h"

struct DocFileItem;

// folder: the caller's call folder (ending with '/'); record: the row's document (m_strKey FileID,
// m_strFile the stored file name); shownName: the document name as the row shows it, for the log.
// False after "文档下载失败!".
bool BrowseWorkDocument(const CString& folder, const DocFileItem& record, const CString& shownName,
                        int databaseType);

// Where a work document is fetched to: the caller's call folder, under a plain name made of the
// document's id and its stored file name (whatever folders that name holds).
CString WorkDocumentTempPath(const CString& folder, const CString& fileId, const CString& storedName);
// A fetched work document: removed with the other downloads at the end, the documents of its
// parts put beside a 3D drawing or assembly, and opened in the viewer that suits its type.
void OpenFetchedWorkDocument(const CString& tempPath, const CString& fileId);
