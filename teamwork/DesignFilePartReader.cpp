#include "teamwork/DesignFilePartReader.h"

#include "controls/ProgressWnd.h"
#include "core/ComError.h"
#include "core/ItemText.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/db/SqlText.h"
#include "platform/maker/FileStore.h"
#include "projects/WorkDocumentCopies.h"

#include <algorithm>

namespace {

constexpr const char* kStepText = "共 %d 个模型，正读取第 %d 个......\n\n      中止操作请按<取消>键...";

// The name after the last folder separator of either kind.
CString NameWithoutFolder(const CString& path) {
    const int slash = std::max(path.ReverseFind('\\'), path.ReverseFind('/'));
    return slash >= 0 ? path.Mid(slash + 1) : path;
}

void CloseIfAsked(const _RecordsetPtr& rs, int closeMode) {
    if (closeMode && rs && rs->GetState() == adStateOpen)
        rs->Close();
}

// Appends the text unless the list holds it already (without regard to case).
void AddDistinct(CStringArray& list, const CString& text) {
    for (int i = 0; i < list.GetSize(); ++i)
        if (list[i].CompareNoCase(text) == 0)
            return;
    list.Add(text);
}

} // namespace

CDesignFilePartReader::CDesignFilePartReader()
    : m_pConnection(theApp.m_pConnPDM), m_nDatabaseType(theApp.m_nDatabaseType),
      m_nAdoCloseMode(theApp.m_nAdoCloseMode) {}

CDesignFilePartReader::~CDesignFilePartReader() {
    ClearLines();
    m_pConnection = nullptr;
}

void CDesignFilePartReader::ClearLines() {
    m_arrUpCode.RemoveAll();
    m_arrDCode.RemoveAll();
    m_arrDName.RemoveAll();
    m_arrPartFileID.RemoveAll();
}

CDesignFilePartReader::FileKind CDesignFilePartReader::GetFileKind(const CString& fileName) {
    CString name = NameWithoutFolder(fileName);
    name.MakeUpper();
    for (const char* model : {".ASM", ".IAM", ".SLDASM", ".PRT"})
        if (name.Find(model) >= 0)
            return FileKind::Model;
    for (const char* drawing : {".DFT", ".IDW", ".SLDDRW"})
        if (name.Find(drawing) >= 0)
            return FileKind::Drawing;
    return FileKind::NotHandled;
}

int CDesignFilePartReader::ReadFileParts(CString fileName, CString fileId) {
    const FileKind kind = GetFileKind(fileName);
    if (kind == FileKind::NotHandled)
        return 0;
    // The models go beside the document: the viewer finds the files a drawing or an assembly
    // refers to by their names in its folder (a native path).
    const int slash = fileName.ReverseFind('/');
    m_folder = slash >= 0 ? fileName.Left(slash + 1) : CString();
    if (m_folder.IsEmpty()) {
        // Nowhere of the caller's own to put them: nothing is read, and the person is told once.
        AfxMessageBox("下载文档失败！");
        return 0;
    }
    CString sql;
    sql.Format("SELECT PartCode FROM TeamWorkResult WHERE FileID='%s'", SqlQuote(fileId));
    const CString partCode = theApp.GetSqlString(sql);
    if (partCode.IsEmpty()) {
        AfxMessageBox("不能正确读取设计文档对应的零部件信息...");
        return 0;
    }
    if (kind == FileKind::Drawing)
        ReadDrawingModels(fileName, fileId, partCode);
    return ReadAssemblyModels(fileName, fileId, partCode);
}

int CDesignFilePartReader::ReadDrawingModels(CString /*fileName*/, CString fileId, CString partCode) {
    CString sql;
    sql.Format("SELECT DISTINCT FileID FROM TeamworkResult WHERE PartCode='%s'", SqlQuote(partCode));
    CStringArray others;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            const CString id = VariantToString(rs->GetCollect(0L));
            if (id.CompareNoCase(fileId) != 0)
                others.Add(id);
            rs->MoveNext();
        }
        CloseIfAsked(rs, m_nAdoCloseMode);
    } catch (_com_error& e) {
        theApp.ReportSqlError(e, sql);
        return 0;
    }
    if (others.GetSize() == 0)
        return 1;
    return DownloadWithProgress(others,
                                "读取三维工程图纸相关的模型信息......\n\n      中止操作请按<取消>键...");
}

int CDesignFilePartReader::ReadAssemblyModels(CString /*fileName*/, CString /*fileId*/, CString partCode) {
    if (m_nDatabaseType == 2)
        ReadSubPartsOracle(partCode);
    else
        ReadSubPartsProc(partCode);
    CStringArray models;
    for (int i = 0; i < m_arrPartFileID.GetSize(); ++i)
        AddDistinct(models, m_arrPartFileID[i]);
    if (models.GetSize() == 0)
        return 1;
    return DownloadWithProgress(models,
                                "读取三维装配模型相关的子模型信息......\n\n      中止操作请按<取消>键...");
}

int CDesignFilePartReader::DownloadWithProgress(const CStringArray& fileIds, const CString& firstText) {
    const int count = static_cast<int>(fileIds.GetSize());
    CProgressWnd progress(nullptr, "正在进行");
    progress.SetRange(0, count, 1);
    progress.SetText(firstText);
    progress.StepIt();
    progress.PeekAndPump();
    for (int i = 0; i < count; ++i) {
        progress.SetText(kStepText, count, i + 1);
        progress.StepIt();
        if (progress.PeekAndPump()) {
            progress.Hide();
            return 0;
        }
        DownloadDocument(fileIds[i]);
    }
    return 1;
}

void CDesignFilePartReader::ReadSubPartsOracle(CString partCode) {
    ClearLines();
    CString sql;
    sql.Format(
        "SELECT PartFileID, UpCode, DCode, DItem, DName FROM VqkorvelTeam_Detail START WITH UpCode='%s' "
        "CONNECT BY UpCode=Prior DCode",
        SqlQuote(partCode));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            m_arrUpCode.Add(VariantToString(rs->GetCollect(1L)));
            m_arrDCode.Add(VariantToString(rs->GetCollect(2L)));
            m_arrDName.Add(VariantToString(rs->GetCollect(4L)));
            m_arrPartFileID.Add(VariantToString(rs->GetCollect(0L)));
            rs->MoveNext();
        }
        CloseIfAsked(rs, m_nAdoCloseMode);
    } catch (_com_error& e) {
        theApp.ReportSqlError(e, sql);
    }
}

void CDesignFilePartReader::ReadSubPartsProc(CString partCode) {
    ClearLines();
    try {
        _CommandPtr cmd;
        cmd.CreateInstance();
        cmd->PutActiveConnection(m_pConnection);
        cmd->PutCommandText("ShowTeamworkFile");
        cmd->PutCommandType(adCmdText);
        cmd->PutCommandTimeout(0);
        cmd->GetParameters()->Append(
            cmd->CreateParameter("UpCode", adBSTR, adParamInput, 50, _variant_t(partCode)));
        _RecordsetPtr rs = cmd->Execute(nullptr, nullptr, adCmdStoredProc);
        while (!rs->IsEOF()) {
            m_arrUpCode.Add(VariantToString(rs->GetCollect(1L)));
            m_arrDCode.Add(VariantToString(rs->GetCollect(2L)));
            m_arrDName.Add(VariantToString(rs->GetCollect(4L)));
            m_arrPartFileID.Add(VariantToString(rs->GetCollect(5L)));
            rs->MoveNext();
        }
        CloseIfAsked(rs, m_nAdoCloseMode);
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

CString CDesignFilePartReader::LocalPathFor(const CString& fileId, const CString& fileName) {
    // Only the name is used: a stored name with folders in it never leads out of the
    // document's folder. It is kept as stored (the documents that an assembly refers to are found
    // by their names); one that names no file of its own ("", "..") gives way to the id.
    CString name = NameWithoutFolder(fileName);
    if (StoredFolderName(name).IsEmpty())
        name = StoredFolderName(fileId);
    const CString& folder = m_folder;
    if (folder.IsEmpty() || name.IsEmpty())
        return CString();
    CString path = folder + name;
    CString key = path;
    key.MakeUpper();
    auto it = m_written.find(key);
    if (it != m_written.end() && it->second.CompareNoCase(fileId) != 0) {
        // Another document of this reading has the same name: this one gets its id in front.
        path = folder + MakeValidFileName(fileId) + "_" + name;
        key = path;
        key.MakeUpper();
    }
    m_written[key] = fileId;
    return path;
}

CString CDesignFilePartReader::FetchContent(const CString& fileId, const CString& fileName,
                                            const CString& localPath) {
    const int mode = theApp.m_nDocStorageMode;
    auto fromDatabase = [&]() {
        CString sql;
        sql.Format("SELECT DocSaved, DocContent FROM TeamWorkResultPack WHERE FileID='%s'", SqlQuote(fileId));
        CVQSaveFileToDB store;
        return store.PopFileFromDB(sql, localPath, "DocContent", fileId, fileName);
    };
    auto fromFtp = [&]() {
        CVQTWSaveFileToFTP store;
        const WorkDocumentRef document{fileId, fileName};
        return store.GetVQPDMFileFromFTP(document.StoredName(), localPath) ? localPath : CString();
    };
    CString written = mode == 2 ? fromFtp() : fromDatabase();
    if (written.IsEmpty() && mode != 0)
        written = mode == 2 ? fromDatabase() : fromFtp();
    return written;
}

int CDesignFilePartReader::DownloadDocument(CString fileId) {
    CString sql;
    sql.Format("SELECT FileName,FileSize FROM TeamWorkResult WHERE FileID ='%s'", SqlQuote(fileId));
    CString fileName;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            fileName = VariantToString(rs->GetCollect(0L));
            rs->MoveNext();
        }
        CloseIfAsked(rs, m_nAdoCloseMode);
    } catch (_com_error& e) {
        theApp.ReportSqlError(e, sql);
        return 0;
    }
    const CString localPath = LocalPathFor(fileId, fileName);
    const CString written = localPath.IsEmpty() ? CString() : FetchContent(fileId, fileName, localPath);
    if (written.IsEmpty()) {
        AfxMessageBox("下载文档失败！");
        return 0;
    }
    theApp.AddUniqueFile(written);
    return 1;
}
