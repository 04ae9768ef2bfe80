// The frame every entry function that uses the database follows: it records the login account,
// opens the product database (and, for the entry functions that work with documents on the
// file server, the FTP server) through a connection holder, lends the connections to the
// application object for the length of the call, and takes everything back when it ends. A call
// whose dialogs nobody could answer (no display, a call from another thread than the program's
// main thread), or whose login account cannot be recorded as given, is refused before anything is
// opened or recorded, as one whose database cannot be opened.
//
//   extern "C" int BrowsePartReversionTree(CString partCode, CString login) {
//       CEntryFrame frame(login);
//       if (!frame.IsOpen())
//           return 0;                      // the holder has said why
//       CPartRevisionTreeDlg dlg(nullptr);
//       dlg.m_strPartCode = partCode;
//       dlg.DoModal();
//       return 1;
//   }                                      // disconnects, clears the lent connections
#pragma once

#include "core/Settings.h"
#include "core/VqConnectHolder.h"
#include "platform/base/String.h"

// Whether an entry call can record the login account as the caller gave it: valid UTF-8 whose
// every character code page 936 holds, on one line, at most 99 bytes in that code page, and
// without the blanks or quotes around it that the settings file takes away from a value. Anything
// else would be stored as another account. When not, it says so on standard error and counts the
// call as refused; the entry then returns its failure value before it records anything.
bool EntryLoginAccepted(const CString& loginAccount);

// The number as the row of `table` stores it in `column`, read on the lent connection: the
// caller's text finds the row by the one equality of numbers (SqlFoldedEquals), but server folders, local
// copies and messages are named from the stored number, never from the caller's spelling. The caller's text
// when no row has it (the dialog then says what it says of a missing row), when a row stores it
// as typed, or when several rows match it.
CString StoredNumber(const char* table, const char* column, const CString& typed);

class CEntryFrame {
public:
    enum class Ftp { No, Yes };

    CEntryFrame(const CString& loginAccount, Ftp ftp = Ftp::No);
    ~CEntryFrame();
    CEntryFrame(const CEntryFrame&) = delete;
    CEntryFrame& operator=(const CEntryFrame&) = delete;

    // True when the product database (and the FTP server when asked for) is open and lent.
    bool IsOpen() const { return m_open; }
    CVqConnectHolder& Holder() { return m_holder; }

private:
    CSettingsCallScope m_settingsScope; // the settings file is found once in a call
    CVqConnectHolder m_holder;
    bool m_withFtp;
    bool m_entered = false; // false: refused, nothing was touched
    bool m_open = false;
};
