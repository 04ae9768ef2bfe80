#include "projects/WorkDocumentCopies.h"

#include "core/ComError.h"
#include "core/FileInfo.h"
#include "core/ItemText.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/maker/FileStore.h"
#include "projects/ProjectTaskRecords.h"

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

bool ReadTaskFolderKeys(std::set<std::string>& keys) {
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open("SELECT ProjectNo FROM ProjectManage", theApp.m_pConnPDM, adOpenForwardOnly, adLockReadOnly,
                 adCmdText);
        while (!rs->IsEOF()) {
            const CString name = StoredFolderName(VariantToStoredText(rs->GetCollect(0L)));
            if (!name.IsEmpty())
                keys.insert(vq::FolderNameKey(name.str()));
            rs->MoveNext();
        }
        if (theApp.m_nAdoCloseMode)
            rs->Close();
        return true;
    } catch (_com_error& e) {
        ReportComError(e);
        return false;
    }
}

namespace {

// The keys of the copy names of the staying documents that a server ignoring case may read as
// `stored`: a FileID whose key is that of the name, or of the name cut before one of its dots
// (the FileID of a document whose file name gives the rest as its extension).
bool ReadStayingCopyKeys(const CString& stored, const CString& stayingDocuments,
                         std::set<std::string>& keys) {
    CString candidates = projects::NumberIs("FileID", stored);
    for (int dot = stored.Find('.'); dot > 0; dot = stored.Find('.', dot + 1))
        candidates += " OR " + projects::NumberIs("FileID", stored.Left(dot));
    const CString sql = "SELECT FileID, FileName FROM TeamWorkResult WHERE (" + candidates + ") AND (" +
                        stayingDocuments + ")";
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, theApp.m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            const WorkDocumentRef other{VariantToStoredText(rs->GetCollect(0L)),
                                        VariantToStoredText(rs->GetCollect(1L))};
            keys.insert(vq::FolderNameKey(other.fileId.str()));
            keys.insert(vq::FolderNameKey(other.StoredName().str()));
            rs->MoveNext();
        }
        if (theApp.m_nAdoCloseMode)
            rs->Close();
        return true;
    } catch (_com_error& e) {
        ReportComError(e);
        return false;
    }
}

} // namespace

bool KeepCopiesOfStayingNames(std::vector<WorkDocumentRef>& documents,
                              const std::set<std::string>& taskFolderKeys, const CString& stayingDocuments,
                              CStringArray& kept) {
    std::vector<WorkDocumentRef> going;
    CStringArray staying;
    for (const WorkDocumentRef& document : documents) {
        const CString stored = document.StoredName();
        const std::string key = vq::FolderNameKey(stored.str());
        const bool taskFolder = taskFolderKeys.count(key) > 0;
        std::set<std::string> copies;
        if (!taskFolder && !ReadStayingCopyKeys(stored, stayingDocuments, copies))
            return false;
        if (taskFolder || copies.count(key))
            staying.Add(CString(vq::VisibleText(document.fileId.str())) + " (" +
                        CString(vq::VisibleText(stored.str())) + ")");
        else
            going.push_back(document);
    }
    documents = std::move(going);
    kept.Append(staying);
    return true;
}

namespace {

void AppendListed(CString& text, const CStringArray& items) {
    for (int i = 0; i < items.GetSize() && i < kMaxListedLeftovers; ++i)
        text += "\n" + items[i];
    if (items.GetSize() > kMaxListedLeftovers)
        text += "\n...";
}

// A paragraph of the box: the heading (its %d the number of items) and the items, when there are any.
void AppendSection(CString& text, const char* heading, const CStringArray& items) {
    if (items.GetSize() == 0)
        return;
    CString part;
    part.Format(heading, static_cast<int>(items.GetSize()));
    AppendListed(part, items);
    text += (text.IsEmpty() ? "" : "\n\n") + part;
}

} // namespace

void ReportFtpLeftovers(const CStringArray& leftovers, const CStringArray& keptTasks, bool keptBelowDeleted,
                        const CStringArray& sharedFolders, const CStringArray& sharedCopies,
                        const CStringArray& unnamableFolders) {
    CString text;
    if (keptTasks.GetSize() > 0) {
        text.Format(
            "以下 %d 项任务的编号不能用作文件服务器(FTP)上的文件夹名，或不能从数据库中确切读出。为免误删其他"
            "任务的内容，这些任务在文件服务器上的内容都没有删除，任务本身及其文档、评审及日志等记录也都已保留"
            "%s，"
            "请通知系统管理员处理：\n",
            static_cast<int>(keptTasks.GetSize()),
            keptBelowDeleted ? "（其上级任务已删除，项目结构中不再显示这些任务）" : "");
        AppendListed(text, keptTasks);
    }
    AppendSection(
        text,
        "以下 %d 个文件夹也是其他现有任务的文件夹（两项任务的编号在文件服务器(FTP)上对应同一个文件夹名），"
        "为免误删这些任务的文件，没有删除：\n",
        sharedFolders);
    AppendSection(
        text,
        "以下 %d 项文档内容在不区分大小写的文件服务器(FTP)上与现有任务的文件夹或其他文档的内容同名，"
        "为免误删它们的文件，没有删除：\n",
        sharedCopies);
    AppendSection(text, "数据已删除，但以下 %d 项内容未能从文件服务器(FTP)上删除，请通知系统管理员清理：\n",
                  leftovers);
    AppendSection(text,
                  "以下 %d 个文件夹的名称中有文件服务器(FTP)不能表示的字符，服务器上不会有这些文件夹，"
                  "无需清理：\n",
                  unnamableFolders);
    if (!text.IsEmpty())
        vq::ShowMessageBox("警告", text, MB_OK | MB_ICONWARNING);
}
