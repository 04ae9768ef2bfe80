// CDesignReportSigner: writes a reviewer's name, opinion and the date into the signature cells of
// a reviewed report file (a table file), and stores the signed report back; the change task's own
// sheet is filed with its modification notice as well.
#pragma once

#include "platform/base/Folders.h"
#include "platform/base/String.h"
#include "platform/db/Ado.h"

class CDesignReportSigner {
public:
    CDesignReportSigner() = default;
    virtual ~CDesignReportSigner() = default;

    // 0 when nothing could be signed (after a message), else 1.
    int SignReport(CString stepName, CString opinion, int assisting);
    // 1 when the signed file at path was stored back.
    int SaveSignedDocument(CString path);

    // The signature cells of a step: "更改单\<step>者", "...意见", "...日期", with "协助" before the
    // step for an assisting review; the step name is cut before "[N]".
    static void SignCells(const CString& stepName, int assisting, CString& nameCell, CString& opinionCell,
                          CString& dateCell);

    CString FileID;
    _ConnectionPtr Connection;
    int CloseMode = 0;
    CString UserName;

private:
    void Prepare();
    CString DownloadReport();
    // Where this object's copies are written: names of its own, so that another call of the same
    // user (another host on a document or step of the same name) never writes over them.
    mutable vq::CallFolder m_callFolder;
};
