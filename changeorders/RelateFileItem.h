// CRelateFileItem: one attached document of a change order, the record behind one row of the
// document list. The form that lists the documents allocates one per row read or added, keeps it
// in its pointer array and frees every record when its window is destroyed; removing a row does
// not free its record.
#pragma once

#include "platform/base/String.h"

class CRelateFileItem {
public:
    CString m_strDocType;  // the description (DocType), unique within one order
    CString m_strFileName; // a stored document: its name with extension; a new one: its local path
    CString m_strFileType; // the shell's type name
    CString m_strFileSize; // "%ldKB"
    CString m_strOther;    // left empty
    int m_bStored = 0;     // 1: the row came from ECORelateFile; 0: added while the form is open
};
