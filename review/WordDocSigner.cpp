#include "review/WordDocSigner.h"

#include "core/FileInfo.h"
#include "core/InstallPath.h"
#include "core/ItemText.h"
#include "core/Settings.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/File.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Profile.h"
#include "platform/base/WaitCursor.h"
#include "platform/com/WordSignServer.h"
#include "platform/db/SqlText.h"
#include "platform/maker/FileStore.h"
#include "review/SignedDocumentStore.h"

namespace {
constexpr const char* kAreaSeparator = "|**|";
constexpr int kAreaKeys = 20;
} // namespace

CString CWordDocSigner::GetSignArea(const CString& stepName, int kind) {
    const CString label = stepName + (kind == 0 ? "人" : "日期");
    const CString settings = GetSettingsFilePath();
    if (settings.IsEmpty())
        return CString();
    for (int i = 1; i <= kAreaKeys; ++i) {
        CString key;
        key.Format("Word文档反签区%d", i);
        char buffer[150] = {};
        GetPrivateProfileString("Word文档反签信息设置", key, "", buffer, sizeof buffer, settings);
        CString value(buffer);
        int at = value.Find(kAreaSeparator);
        if (at < 0)
            continue;
        if (value.Left(at).CompareNoCase(label) == 0)
            return value.Mid(at + 4);
    }
    return CString();
}

CString CWordDocSigner::DownloadWordFile() {
    CWaitCursor wait;
    CString target = m_callFolder.Path() + "Win_" + MakeValidFileName(FileID) + ".DOC";
    CString sql;
    sql.Format("SELECT DocSaved, DocContent FROM TeamWorkResultPack WHERE FileID='%s'", SqlQuote(FileID));
    CVQSaveFileToDB store;
    CString path = store.PopFileFromDB(sql, target, "DocContent", FileID, target);
    if (path.IsEmpty())
        AfxMessageBox("文档下载失败!");
    return path;
}

int CWordDocSigner::SignDocument(CString stepName) {
    if (FileID.IsEmpty()) {
        AfxMessageBox("Word文件的编号不能为空，不能正常进行电子签名...");
        return 0;
    }
    CString path = DownloadWordFile();
    if (path.IsEmpty() || !CFileInfo(path).Exists()) {
        AfxMessageBox("不能正常下载设计过程的Word文件...");
        return 0;
    }
    CString nameArea = GetSignArea(stepName, 0);
    if (nameArea.IsEmpty()) {
        AfxMessageBox("不能正常获取该评审环节对应的书签名称,请检查配置...");
        return 0;
    }
    CString sql;
    sql.Format("SELECT UserName FROM UserInformation WHERE UserLogName='%s'",
               SqlQuote(theApp.m_strLoginUser));
    CString values = theApp.GetSqlString(sql);
    CString bookmarks = nameArea;
    CString dateArea = GetSignArea(stepName, 1);
    if (!dateArea.IsEmpty()) {
        bookmarks += "@@" + dateArea;
        values += "@@" + theApp.GetServerDate();
    }
    {
        std::unique_ptr<vq::OutsideObject> object = vq::CreateOutsideObject(vq::kWordSignServer);
        auto* server = dynamic_cast<vq::WordSignServer*>(object.get());
        if (!server || !server->MarkBookmarks(path, values, bookmarks)) {
            AfxMessageBox("不能正常进行Word反签...");
            return 0;
        }
    } // the server is released here
    if (!StoreSignedDocument(FileID, path, SignedDocumentKind::Word))
        return 0;
    CFile::Remove(path);
    return 1;
}
