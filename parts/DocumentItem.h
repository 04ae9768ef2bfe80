// CDocumentItem: one row of Documents (a released document of a part), as the revision browser
// and the version storage list show it. Each field is the trimmed text of the column of the same
// name. Records are created with new by their reader and owned by the array that holds them.
#pragma once

#include "platform/base/Collections.h"
#include "platform/base/String.h"

class CDocumentItem : public CObject {
public:
    CDocumentItem() = default;
    ~CDocumentItem() override = default;

    CString DocumentType; // the document's description ("文档说明")
    CString FileName;     // the file name in the release folder, with its extension
    CString FileType;
    CString FileBulk; // size text
    CString FileDate;
    CString FileRemark;
    CString RevNumber; // the part revision the document belongs to, in stored form
};
