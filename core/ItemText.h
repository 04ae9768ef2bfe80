// CItemText: a row of fields packed into one text, carried by list rows and tree nodes as item
// data; and small text conversions.
#pragma once

#include "platform/base/Collections.h"
#include "platform/base/String.h"

class CItemText {
public:
    CItemText();

    // The text between the n-th and the (n+1)-th separator; empty when there are fewer than n.
    CString GetField(int n) const;
    // Replaces field n; missing fields before it are added empty ("a", 2, "c" gives "a??c").
    void SetField(int n, CString text);
    void SetFirstField(CString text) { SetField(0, std::move(text)); }

    CString m_strText;
    char m_cSeparator = '?';
    int m_nFlag = 0;
    COLORREF m_crText;
};

// A copy in which each of the characters " * + / : < > ? \ | becomes "#" (vq::ValidFileName).
CString MakeValidFileName(CString text);
// The name of the folder or file that a stored or typed text (a task number, a product or part
// code, a document's file name) names on the file server or on disk: the text made a valid file
// name. Empty when that name names no folder or file of its own below the folder it is taken in
// (vq::StaysBelowFolder: an empty text, one of dots and blanks only (".", "..", ". "), one with a
// control character), or when a server would read it as another name: with a leading or trailing
// blank or a trailing dot ("XM-02-01." and "XM-02-01 " are "XM-02-01" to a server that drops
// them, as a Windows server does). A path built from such a text takes its name from here, and
// nothing is transferred, listed or removed for an empty one.
CString StoredFolderName(const CString& text);
// A copy in which each "*" becomes "%", for a user's search pattern after LIKE.
CString WildcardToSqlLike(CString text);

// Deletes every CItemText record of a list's or tree's item data array and empties the array.
void DeleteItemTexts(CPtrArray& records);
