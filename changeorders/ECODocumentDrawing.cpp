#include "changeorders/ECODocumentDrawing.h"

#include "core/ComError.h"
#include "core/DocumentFetch.h"
#include "core/FileInfo.h"
#include "core/InstallPath.h"
#include "core/ItemText.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/maker/FileStore.h"

#include <cstdlib>

CString CECODocumentDrawing::KeyCondition() const {
    CString condition;
    condition.Format("ECOGroup='%s' AND ECONo='%s' AND DocType='%s'", SqlQuote(m_strECOGroup),
                     SqlQuote(m_strECONo), SqlQuote(m_strDocType));
    return condition;
}

CString CECODocumentDrawing::GetDocumentFileName() {
    const CString sql = "SELECT FileName, FileBulk FROM ECORelateFile WHERE " + KeyCondition();
    CString name;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, theApp.m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!rs->IsEOF())
            name = VariantToString(rs->GetCollect(0L));
        if (theApp.m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
    return name;
}

CString CECODocumentDrawing::LocalPath(const CString& folder, const CString& fileName) const {
    // The number and the file name come from the database: each is made a valid file name so
    // that a separator cannot place the copy outside its folder.
    CString name;
    name.Format("M%s_%s", MakeValidFileName(m_strECONo).c_str(), MakeValidFileName(fileName).c_str());
    return folder + name;
}

CString CECODocumentDrawing::DownloadDocument(const CString& folder) {
    const CString fileName = GetDocumentFileName();
    if (fileName.IsEmpty())
        return CString();
    if (CFileInfo(fileName).GetFileExt().CompareNoCase(".dwg") != 0) {
        AfxMessageBox("只能处理AutoCAD的设计图纸...");
        return CString();
    }
    CWaitCursor wait;
    CVQSaveFileToDB store;
    const CString path =
        store.PopFileFromDB("SELECT DocSaved, DocContent FROM ECORelateFile WHERE " + KeyCondition(),
                            LocalPath(folder, fileName), "DocContent", "PDM");
    if (path.IsEmpty()) {
        ReportFetchFailure(fileName, store.GetLastFailure(), "文档下载失败!");
        return CString();
    }
    theApp.AddUniqueFile(path);
    return path;
}

bool CECODocumentDrawing::ReadLabelArea(const CString& label, double area[4]) {
    const CString sql = "SELECT LeftX, LeftY, RightX, RightY FROM ECOFileChangeLabel WHERE " +
                        KeyCondition() + " AND ChangeLabel='" + SqlQuote(label) + "'";
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, theApp.m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdText);
        const bool found = !rs->IsEOF();
        if (found)
            for (long f = 0; f < 4; ++f)
                area[f] = std::atof(VariantToString(rs->GetCollect(f)));
        if (theApp.m_nAdoCloseMode)
            rs->Close();
        if (!found)
            AfxMessageBox("无对应的更改标记位置信息...");
        return found;
    } catch (_com_error& e) {
        theApp.ReportSqlError(e, sql);
        return false;
    }
}
