// CWordDocSigner: puts a reviewer's name (and the date, where configured) into the bookmarks of a
// reviewed Word document through the Word signing server, and stores the signed document back.
// The bookmarks of each review step are configured in the settings file, section
// "Word文档反签信息设置", keys "Word文档反签区1" .. "Word文档反签区20": label "|**|" bookmark, the
// label being the step name followed by "人" (name area) or "日期" (date area).
#pragma once

#include "platform/base/Folders.h"
#include "platform/base/String.h"

class CWordDocSigner {
public:
    CWordDocSigner() = default;
    virtual ~CWordDocSigner() = default;

    // 1 when the signed document was stored back, else 0 after a message.
    int SignDocument(CString stepName);

    // The bookmark of the step's name area (kind 0) or date area (kind 1); empty when none is
    // configured.
    static CString GetSignArea(const CString& stepName, int kind);

    CString FileID;

private:
    CString DownloadWordFile();
    // Where this object's copies are written: names of its own, so that another call of the same
    // user (another host on a document or step of the same name) never writes over them.
    mutable vq::CallFolder m_callFolder;
};
