#include "changeorders/PartDrawingSource.h"

#include "core/ComError.h"
#include "core/DocumentFetch.h"
#include "core/EntryFrame.h"
#include "core/FileInfo.h"
#include "core/InstallPath.h"
#include "core/ItemText.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/Folders.h"
#include "platform/base/MessageBox.h"
#include "platform/db/SqlText.h"
#include "platform/ftp/FtpConnection.h"

CPartDrawingSource::CPartDrawingSource()
    : m_pConnection(theApp.m_pConnPDM), m_nAdoCloseMode(theApp.m_nAdoCloseMode),
      m_pFtpConnection(theApp.m_pFtpConnection) {}

int CPartDrawingSource::ResolveDrawing() {
    CString sql;
    sql.Format("SELECT BorrowedCode FROM BorrowingRelation WHERE Code='%s'", SqlQuote(m_strPartCode));
    const CString borrowed = theApp.GetSqlString(sql);
    if (!borrowed.IsEmpty())
        m_strPartCode = borrowed;
    sql.Format("SELECT ProductDwgCode, CurrentRev FROM VqkorvelAll_title WHERE TCode='%s'",
               SqlQuote(m_strPartCode));
    bool found = false;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!rs->IsEOF()) {
            m_strProductDwgCode = VariantToString(rs->GetCollect(0L));
            m_strRevision = VariantToString(rs->GetCollect(1L));
            found = true;
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        theApp.ReportSqlError(e, sql);
        return 0;
    }
    // The part's number as its title row stores it: a number typed in another case finds the row
    // (the comparison folds case), and the server folder and the copy are named from the row.
    if (found)
        m_strPartCode = StoredNumber("VqkorvelAll_title", "TCode", m_strPartCode);
    return 1;
}

CString CPartDrawingSource::FindDesignDrawing(const CString& revision) {
    CString sql;
    sql.Format("SELECT DocumentType, FileName FROM Documents WHERE Code='%s' AND RevNumber='%s' ORDER BY "
               "DocumentType",
               SqlQuote(m_strPartCode), SqlQuote(revision));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        CString found;
        for (; !rs->IsEOF(); rs->MoveNext()) {
            const CString type = VariantToString(rs->GetCollect(0L));
            if (type.Find("设计图") < 0)
                continue;
            found = VariantToString(rs->GetCollect(1L));
            m_strFileName = found;
            m_strDocType = type;
            break;
        }
        if (m_nAdoCloseMode)
            rs->Close();
        return found;
    } catch (_com_error& e) {
        ReportComError(e);
        return CString();
    }
}

CString CPartDrawingSource::RemotePath(const CString& revision) const {
    CString path;
    path.Format("%s\\%s\\%s\\%s", MakeValidFileName(m_strProductDwgCode), MakeValidFileName(m_strPartCode),
                revision, m_strFileName);
    return path;
}

CString CPartDrawingSource::LocalPath(const CString& folder, const CString& revision,
                                      bool revisionInName) const {
    // The names come from the database: each is made a valid file name so that a name holding a
    // separator or ".." cannot place the copy outside its folder.
    CString name;
    if (revisionInName)
        name.Format("_M_%s[%s]_%s", MakeValidFileName(m_strPartCode), MakeValidFileName(revision),
                    MakeValidFileName(m_strFileName));
    else
        name.Format("_M_%s_%s", MakeValidFileName(m_strPartCode), MakeValidFileName(m_strFileName));
    return folder + name;
}

CString CPartDrawingSource::FetchDrawing(const CString& folder, const CString& revision,
                                         bool revisionInName) {
    m_bFetchStopped = false;
    if (!m_pFtpConnection) {
        AfxMessageBox("未能正确连接文件服务器，不能浏览设计文件...");
        return CString();
    }
    if (FindDesignDrawing(revision).IsEmpty())
        return CString();
    if (CFileInfo(m_strFileName).GetFileExt().CompareNoCase(".dwg") != 0) {
        AfxMessageBox("只能处理AutoCAD的设计图纸...");
        return CString();
    }
    m_pFtpConnection->SetCurrentDirectory(theApp.m_strFtpRootDir);
    m_pFtpConnection->SetCurrentDirectory("Vq");
    m_pFtpConnection->SetCurrentDirectory("Proven");
    const CString local = LocalPath(folder, revision, revisionInName);
    // The drawing comes from its revision's folder only: a revision or stored file name that
    // would lead elsewhere ("..", an absolute path) is refused like a failed download.
    if (!vq::StaysBelowFolder(RemotePath(revision))) {
        AfxMessageBox("不能正常读取设计文档...");
        return CString();
    }
    // A full local disk or a drawing gone from the server is said as such; only the copy this
    // fetch wrote is handed out.
    if (!FetchDocumentCopy(m_pFtpConnection, RemotePath(revision), local, m_strFileName,
                           "不能正常读取设计文档...")) {
        m_bFetchStopped = m_pFtpConnection->GetLastFailure() == vq::FetchFailure::Cancelled;
        return CString();
    }
    return local;
}

CString BlankDrawingPath() {
    char buffer[260] = {};
    GetInstallFilePath("QENT\\SPT\\acad.dwg", buffer);
    const CString path(buffer);
    return CFileInfo(path).Exists() ? path : CString();
}
