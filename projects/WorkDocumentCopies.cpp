#include "projects/WorkDocumentCopies.h"

#include "core/ComError.h"
#include "core/FileInfo.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/maker/FileStore.h"

namespace {
constexpr int kMaxListedLeftovers = 20;
}

CString WorkDocumentRef::StoredName() const {
    return fileId + CFileInfo(fileName).GetFileExt();
}

bool ReadWorkDocuments(const CString& sql, std::vector<WorkDocumentRef>& documents) {
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, theApp.m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            documents.push_back({VariantToString(rs->GetCollect(0L)), VariantToString(rs->GetCollect(1L))});
            rs->MoveNext();
        }
        if (theApp.m_nAdoCloseMode)
            rs->Close();
        return true;
    } catch (_com_error& e) {
        ReportComError(e);
        vq::ShowMessageBox("操作提示", sql, MB_OK | MB_ICONWARNING);
        return false;
    }
}

void RemoveWorkDocumentCopies(CVQTWSaveFileToFTP& store, const std::vector<WorkDocumentRef>& documents,
                              CStringArray& leftovers) {
    for (const WorkDocumentRef& document : documents) {
        const CString stored = document.StoredName();
        store.DeleteVQPDMFileInFTP(document.fileId, stored);
        if (store.FindVQPDMFileInFTP(stored) != 0)
            leftovers.Add(document.fileId + " (" + stored + ")");
    }
}

void ReportFtpLeftovers(const CStringArray& leftovers) {
    if (leftovers.GetSize() == 0)
        return;
    CString text;
    text.Format("数据已删除，但以下 %d 项内容未能从文件服务器(FTP)上删除，请通知系统管理员清理：\n",
                static_cast<int>(leftovers.GetSize()));
    for (int i = 0; i < leftovers.GetSize() && i < kMaxListedLeftovers; ++i)
        text += "\n" + leftovers[i];
    if (leftovers.GetSize() > kMaxListedLeftovers)
        text += "\n...";
    vq::ShowMessageBox("警告", text, MB_OK | MB_ICONWARNING);
}
