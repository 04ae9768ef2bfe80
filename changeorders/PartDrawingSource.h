// The released design drawing of a part, as the change-label dialogs find and fetch it: the
// borrowing lookup (a part that borrows another's drawing uses that part's drawing and labels),
// the product drawing code and current revision from the archive title table, the design drawing
// of a revision in Documents, and its download from the FTP server's "Vq\Proven" folder into a
// folder of the dialog's own (vq::CallFolder), which goes with the dialog.
#pragma once

#include "platform/base/String.h"
#include "platform/db/Ado.h"

class CFtpConnection;

class CPartDrawingSource {
public:
    // Takes the connection, the close mode and the FTP connection of the application object.
    CPartDrawingSource();

    // Replaces m_strPartCode by the code it borrows, then reads the product drawing code, the
    // current revision and the part's number as its title row stores it (all keep their values
    // when the part has no title row). 0 after a
    // database error (shown with the statement), else 1.
    int ResolveDrawing();
    // The file name of the first document of the revision whose type contains "设计图" (in
    // DocumentType order), remembered with its type; empty when there is none or the read fails.
    CString FindDesignDrawing(const CString& revision);
    // Downloads the revision's design drawing into the folder (ending with '/') and records it
    // among the downloaded files; the local path, or empty (after a message, except when the
    // revision has no design drawing). The local name is "_M_<part>_<file>", or
    // "_M_<part>[<revision>]_<file>" with revisionInName: every part of it made a valid file name,
    // so it stays in the folder.
    CString FetchDrawing(const CString& folder, const CString& revision, bool revisionInName);
    // True when the last FetchDrawing brought nothing because its transfer was stopped (取消, or the
    // program ending), which tells nobody anything by itself.
    bool FetchStopped() const { return m_bFetchStopped; }
    // The remote path below "Proven" and the local path FetchDrawing uses.
    CString RemotePath(const CString& revision) const;
    CString LocalPath(const CString& folder, const CString& revision, bool revisionInName) const;

    CString m_strPartCode;
    CString m_strRevision = "A"; // the current revision of the title row
    CString m_strProductDwgCode;
    CString m_strFileName; // of the design drawing last found
    CString m_strDocType;

private:
    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    CFtpConnection* m_pFtpConnection = nullptr;
    bool m_bFetchStopped = false;
};

// The blank drawing of the installation ("QENT\SPT\acad.dwg"); empty when it is not there.
CString BlankDrawingPath();
