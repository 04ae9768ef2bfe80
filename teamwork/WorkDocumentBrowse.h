// Opening a work document from a document list: the content is fetched from the database into
// the temporary folder, a work-log row records the browse, the parts of a design file are read
// and the document is opened in the viewer that suits its type.
#pragma once

#include "platform/base/String.h"

struct DocFileItem;

// record: the row's document (m_strKey FileID, m_strFile the stored file name); shownName: the
// document name as the row shows it, for the log. False after "文档下载失败!".
bool BrowseWorkDocument(const DocFileItem& record, const CString& shownName, int databaseType);
