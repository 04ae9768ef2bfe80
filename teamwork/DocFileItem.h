// DocFileItem: the record behind one row of a document list (outside resources of a task or a
// work, work documents of a work group). The dialog that fills a list allocates one per row,
// keeps it in its own pointer array, attaches it to the row as item data and deletes every
// record of the array when its window is destroyed; removing a row does not free its record.
#pragma once

#include "platform/base/String.h"

#include <cstdint>

struct DocFileItem {
    CString m_strKey;         // ResourceID of a work resource, FileID of a work document; else empty
    CString m_strDescription; // ResourceType, DocType or FilePrompt
    CString m_strFile;        // the stored file name; for a row not yet stored, the local path
    CString m_strFileType;    // the shell's type name
    CString m_strFileSize;    // "%ldKB"
    CString m_strSaveDate;    // save date of a work document
    CString m_strOther1;
    CString m_strOther2;
    std::int32_t m_nStored = 0; // 1: stored in the database; 0: added and not stored yet
    CString m_strOther3;
    CString m_strOther4;
    CString m_strOther5;
};
